#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

#include "network/json_types.h"

namespace nimbral {

// The device's REST client for the central server. Every call returns at once and reports
// through exactly one signal; the bearer token and client ID from the last successful login or
// registration are kept and added to every authorised call. Main thread only.
class ApiClient : public QObject {
    Q_OBJECT

public:
    // A server that accepts the connection and never answers must not stall a caller for ever:
    // every request ends in its ordinary failure path after this long.
    static constexpr int kTransferTimeoutMs = 15000;

    explicit ApiClient(const QUrl& baseUrl, QObject* parent = nullptr);

    // What this program understands beyond the first protocol, announced at login, registration
    // and session creation: "relay_token" (joins the relay with its session's relay token) and
    // "verified_sessions" (answers the devices' own password exchange).
    const std::vector<std::string>& capabilities() const { return m_capabilities; }
    // Tests speak as an older client with fewer.
    void setCapabilities(std::vector<std::string> capabilities) {
        m_capabilities = std::move(capabilities);
    }

    void autoLogin(const QString& clientId, const QString& deviceSecret);
    // With the current ID and secret (when there are any) as proof, the server keeps the ID;
    // without, the device gets a new one whatever its fingerprint.
    void autoRegister(const QString& clientName, const QString& agentVersion,
                      const QString& machineFingerprint, const QString& provenClientId = {},
                      const QString& provenDeviceSecret = {});
    void sendHeartbeat(const QString& localIp, const QString& publicIp, const QString& natType);
    // exchange: the fields of a password exchange ("pake_*"), sent along as they are; a request
    // with them carries no session password.
    void createSession(const QString& targetClientId, const QString& sessionPassword,
                       const QString& purpose, const QString& masterEcdhPublicKey,
                       const nlohmann::json& exchange = nlohmann::json::object());
    void handshakeAck(const QString& sessionId, const QString& targetEcdhPublicKey,
                      const QString& targetNatType, const QString& preferredRelayId,
                      const nlohmann::json& exchange = nlohmann::json::object());
    void completeSession(const QString& sessionId, const QString& connectionMethod,
                         const QString& relayNodeId);
    void closeSession(const QString& sessionId, const QString& reason, qint64 transferredBytes);

    // Whether requests to this server cross a network unencrypted: http to a host other than
    // this machine's loopback.
    static bool crossesNetworkInClear(const QUrl& serverUrl);

    QString token() const { return m_token; }
    QString clientId() const { return m_clientId; }
    QUrl baseUrl() const { return m_baseUrl; }

    // For tests; the default is kTransferTimeoutMs.
    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }

signals:
    void autoRegisterSuccess(const QString& clientId, const QString& deviceSecret,
                             const QString& token);
    void authSuccess(const QString& clientId, const QString& token);
    void authError(const QString& error);
    // The server explicitly refused the stored ID and secret (401 "Invalid device credentials"),
    // before authError: the only answer after which a device may forget them.
    void credentialsRefused();
    void heartbeatSent();
    void sessionCreated(const nlohmann::json& sessionData);
    void sessionUpdated(const nlohmann::json& sessionData);
    void requestError(const QString& endpoint, int statusCode, const QString& detail);

private:
    using ReplyHandler = std::function<void(int status, const nlohmann::json& body)>;

    void send(const QByteArray& verb, const QString& path, const nlohmann::json& body,
              bool authorised, ReplyHandler handler);
    void sessionReply(const char* endpoint, const char* fallback, int status,
                      const nlohmann::json& body, bool created);

    QUrl m_baseUrl;
    QNetworkAccessManager m_network;
    QString m_token;
    QString m_clientId;
    std::vector<std::string> m_capabilities{"relay_token", "verified_sessions"};
    int m_transferTimeoutMs = kTransferTimeoutMs;
};

} // namespace nimbral
