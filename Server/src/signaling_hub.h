#pragma once

#include <memory>

#include <QHash>
#include <QObject>
#include <QString>

#include <nlohmann/json.hpp>

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

    SignalingHub(TokenStore& tokens, SessionRegistry& sessions, DeviceRegistry& devices,
                 QObject* parent = nullptr);
    ~SignalingHub() override;

    // Takes over a socket whose upgrade has completed.
    void adopt(std::unique_ptr<QWebSocket> socket);

    bool isOnline(const QString& clientId) const;
    // Sends one message to a device's authenticated socket; false when it is offline.
    bool sendTo(const QString& clientId, const nlohmann::json& message);
    QString sessionPassword(const QString& clientId) const;
    QString pairingCode(const QString& clientId) const;
    int onlineCount() const { return static_cast<int>(m_online.size()); }

private:
    struct Connection;

    void onText(Connection* connection, const QString& text);
    void onAuth(Connection* connection, const nlohmann::json& message);
    void onAuthenticated(Connection* connection, const nlohmann::json& message);
    void forwardToPeer(Connection* connection, nlohmann::json message);
    void reply(Connection* connection, const nlohmann::json& message);
    void drop(Connection* connection);

    TokenStore& m_tokens;
    SessionRegistry& m_sessions;
    DeviceRegistry& m_devices;
    QHash<QWebSocket*, Connection*> m_connections;
    QHash<QString, Connection*> m_online;
    QHash<QString, QString> m_passwords;
    QHash<QString, QString> m_pairingCodes;
};

} // namespace nimbral::server
