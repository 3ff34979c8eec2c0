#pragma once

#include <functional>
#include <optional>

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QSet>
#include <QString>

#include <nlohmann/json.hpp>

#include "password_guard.h"
#include "rate_limiter.h"

namespace nimbral::server {

class DeviceRegistry;
class SessionRegistry;
class SignalingHub;
struct Session;
class TokenStore;

// The REST interface on the server's HTTP port (the signaling WebSocket upgrades on the same
// port and is handed to the hub). Every reply is JSON; every refusal carries {"detail": "..."}.
// Main thread only.
class RestApi : public QAbstractHttpServer {
    Q_OBJECT

public:
    // The largest request a device makes is about a kilobyte: a stranger's body beyond this is
    // refused from its headers, before a byte of it is buffered or parsed.
    static constexpr qsizetype kMaxBodyBytes = 64 * 1024;

    RestApi(DeviceRegistry& devices, TokenStore& tokens, SessionRegistry& sessions,
            SignalingHub& signaling, QObject* parent = nullptr);

    // Registrations one source address may make: this many at once, then this many a minute.
    void setRegistrationLimit(int perMinute) {
        m_registrationsPerMinute = perMinute;
        m_registrations = RateLimiter(perMinute, perMinute);
    }

    PasswordGuard& passwordGuard() { return m_passwordGuard; }

    // Extra figures for GET /health (the relay's, say), supplied by whoever composes the server.
    void setStatusProvider(std::function<nlohmann::json()> provider) {
        m_statusProvider = std::move(provider);
    }

    struct Reply {
        int status = 200;
        nlohmann::json body;
    };

    // What the REST routes look at in a request.
    struct Request {
        QHttpServerRequest::Method method = QHttpServerRequest::Method::Get;
        QString path;
        QByteArray body;
        QByteArray authorization; // the Authorization header's value
        QHostAddress remoteAddress;
    };
    Reply handle(const Request& request);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    QString authorisedClient(const QByteArray& authorization);

    Reply autoRegister(const nlohmann::json& body, const QHostAddress& from);
    Reply autoLogin(const nlohmann::json& body);
    QString issueToken(const QString& clientId, const QSet<QString>& capabilities);
    Reply heartbeat(const QString& caller, const nlohmann::json& body);
    Reply createSession(const QString& caller, const nlohmann::json& body,
                        const QHostAddress& from);
    std::optional<Reply> passwordRefusal(const QString& master, const QString& source,
                                         const QString& target);
    // How a session request proves it may reach the Target: a secret the server compares, or
    // the devices' own password exchange, which the Target must speak.
    enum class SessionSecret { Password, PairingCode, Exchange };
    struct SecretCheck {
        SessionSecret secret = SessionSecret::Password;
        std::optional<Reply> refusal;
    };
    SecretCheck checkSessionSecret(const QString& master, const QString& source,
                                   const QString& target, const QString& password);
    SecretCheck checkPasswordExchange(const QString& target, const QString& password);
    // The session handlers get a session the caller was already checked against.
    Reply handshakeAck(Session& session, const nlohmann::json& body);
    Reply completeSession(Session& session, const nlohmann::json& body);
    Reply closeSession(const QString& caller, Session& session, const nlohmann::json& body);

    DeviceRegistry& m_devices;
    TokenStore& m_tokens;
    SessionRegistry& m_sessions;
    SignalingHub& m_signaling;
    std::function<nlohmann::json()> m_statusProvider;
    int m_registrationsPerMinute = 30;
    RateLimiter m_registrations{30, 30};
    PasswordGuard m_passwordGuard;
};

} // namespace nimbral::server
