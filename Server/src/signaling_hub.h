#pragma once

#include <memory>

#include <QHash>
#include <QObject>
#include <QString>

#include <nlohmann/json.hpp>

#include "rate_limiter.h"

class QWebSocket;

namespace nimbral::server {

class DeviceRegistry;
class SessionRegistry;
class TokenStore;

// The devices' signaling sockets ("/ws/clients/<id>"): authentication, the session password and
// pairing code each device publishes, and routing of messages between the two parties of a
// session. A device is online while it holds an authenticated socket; a newer one replaces it.
// Main thread only.
class SignalingHub : public QObject {
    Q_OBJECT

public:
    static constexpr int kAuthTimeoutMs = 10000;
    static constexpr qint64 kMaxMessageBytes = 1024 * 1024;
    // ICE messages carry an SDP or one candidate: a few KiB. A session partner may send a burst
    // of them and then a steady trickle; the rest is dropped.
    static constexpr qint64 kMaxIceMessageBytes = 64 * 1024;
    static constexpr int kIceBurst = 200;
    static constexpr int kIcePerSecond = 50;
    // Forwarded ICE waits behind at most this much unsent data for its receiver, and any socket
    // with more than kMaxBacklogBytes unsent is not reading and is closed, so a client that
    // stops reading costs the server a bounded amount of memory.
    static constexpr qint64 kMaxForwardBacklogBytes = 256 * 1024;
    static constexpr qint64 kMaxBacklogBytes = 1024 * 1024;

    SignalingHub(TokenStore& tokens, SessionRegistry& sessions, DeviceRegistry& devices,
                 QObject* parent = nullptr);
    ~SignalingHub() override;

    // Takes over a socket whose upgrade has completed.
    void adopt(std::unique_ptr<QWebSocket> socket);
    // How long a new socket may take to authenticate (kAuthTimeoutMs unless a test shortens it).
    void setAuthTimeout(int milliseconds) { m_authTimeoutMs = milliseconds; }

    bool isOnline(const QString& clientId) const;
    // Sends one message to a device's authenticated socket; false when it is offline.
    bool sendTo(const QString& clientId, const nlohmann::json& message);
    QString sessionPassword(const QString& clientId) const;
    // Drops the session password and pairing code a device published: its token was replaced.
    void forgetPublishedSecrets(const QString& clientId);
    QString pairingCode(const QString& clientId) const;
    int onlineCount() const { return static_cast<int>(m_online.size()); }

private:
    struct Connection;

    void onText(Connection* connection, const QString& text);
    void onAuth(Connection* connection, const nlohmann::json& message);
    void onAuthenticated(Connection* connection, const nlohmann::json& message);
    void forwardToPeer(Connection* connection, nlohmann::json message, qsizetype textBytes);
    void noteIceDropped(Connection* connection, const char* why);
    // False when the message was not queued (the socket was closed for not reading).
    bool reply(Connection* connection, const nlohmann::json& message);
    void drop(Connection* connection);

    TokenStore& m_tokens;
    int m_authTimeoutMs = kAuthTimeoutMs;
    SessionRegistry& m_sessions;
    DeviceRegistry& m_devices;
    QHash<QWebSocket*, Connection*> m_connections;
    QHash<QString, Connection*> m_online;
    QHash<QString, QString> m_passwords;
    QHash<QString, QString> m_pairingCodes;
    qint64 m_iceDropped = 0;
    qint64 m_lastDropLogMs = -1;
};

} // namespace nimbral::server
