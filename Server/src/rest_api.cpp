#include "rest_api.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRegularExpression>

#include <openssl/crypto.h>
#include <spdlog/spdlog.h>

#include "device_registry.h"
#include "json_text.h"
#include "session_registry.h"
#include "signaling_hub.h"
#include "token_store.h"

namespace nimbral::server {

namespace {

using Method = QHttpServerRequest::Method;
using json = nlohmann::json;

RestApi::Reply error(int status, const std::string& detail) {
    return {status, json{{"detail", detail}}};
}

RestApi::Reply wrongType(const std::string& field) {
    return error(422, "Field '" + field + "' must be a string");
}

const RestApi::Reply kNotAuthenticated = error(401, "Not authenticated");

// Compares secrets without an early exit, so timing tells nothing about how much matched.
bool sameSecret(const QString& offered, const QString& expected) {
    if (expected.isEmpty()) {
        return false;
    }
    const QByteArray a = offered.toUtf8();
    const QByteArray b = expected.toUtf8();
    return a.size() == b.size() && CRYPTO_memcmp(a.constData(), b.constData(), a.size()) == 0;
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// One IPv6 host usually holds a whole /64, so that is what counts as one source.
QString registrationSource(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    if (isV4) {
        return QHostAddress(v4).toString();
    }
    Q_IPV6ADDR bytes = address.toIPv6Address();
    std::fill(std::begin(bytes.c) + 8, std::end(bytes.c), 0);
    return QHostAddress(bytes).toString() + QStringLiteral("/64");
}

} // namespace

RestApi::RestApi(DeviceRegistry& devices, TokenStore& tokens, SessionRegistry& sessions,
                 SignalingHub& signaling, QObject* parent)
    : QAbstractHttpServer(parent)
    , m_devices(devices)
    , m_tokens(tokens)
    , m_sessions(sessions)
    , m_signaling(signaling) {
}

bool RestApi::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // A WebSocket upgrade is taken without a reply: the server then completes the handshake and
    // hands the socket to the signaling hub, which checks the path itself.
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("upgrade", Qt::CaseInsensitive) == 0 &&
            value.compare("websocket", Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    Request routed{request.method(), request.url().path(), request.body(), {},
                   request.remoteAddress()};
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("authorization", Qt::CaseInsensitive) == 0) {
            routed.authorization = value;
            break;
        }
    }
    const Reply reply = handle(routed);
    auto responder = makeResponder(request, socket);
    responder.write(QByteArray::fromStdString(compactJson(reply.body)),
                    QByteArrayLiteral("application/json"),
                    static_cast<QHttpServerResponder::StatusCode>(reply.status));
    spdlog::debug("RestApi: {} {} -> {}", printable(request.url().path().toStdString()),
                  static_cast<int>(request.method()), reply.status);
    return true;
}

void RestApi::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    auto responder = makeResponder(request, socket);
    responder.write(QByteArrayLiteral("{\"detail\":\"Not found\"}"),
                    QByteArrayLiteral("application/json"),
                    QHttpServerResponder::StatusCode::NotFound);
}

QString RestApi::authorisedClient(const QByteArray& authorization) {
    if (!authorization.startsWith("Bearer ")) {
        return {};
    }
    return m_tokens.clientFor(QString::fromLatin1(authorization.mid(7).trimmed()));
}

RestApi::Reply RestApi::handle(const Request& request) {
    static const QRegularExpression sessionPath(
        QStringLiteral("^/sessions/([A-Za-z0-9-]{1,64})/(handshake-ack|complete|close)$"));
    const QString& path = request.path;
    const Method method = request.method;

    enum class Route { AutoRegister, AutoLogin, Heartbeat, Create, Ack, Complete, Close, Health };
    Route route;
    Method expected = Method::Post;
    QString sessionId;
    if (path == QLatin1String("/auth/auto-register")) {
        route = Route::AutoRegister;
    } else if (path == QLatin1String("/auth/auto-login")) {
        route = Route::AutoLogin;
    } else if (path == QLatin1String("/clients/heartbeat")) {
        route = Route::Heartbeat;
    } else if (path == QLatin1String("/sessions/create")) {
        route = Route::Create;
    } else if (path == QLatin1String("/health")) {
        route = Route::Health;
        expected = Method::Get;
    } else if (const auto match = sessionPath.match(path); match.hasMatch()) {
        sessionId = match.captured(1);
        const QString action = match.captured(2);
        route = action == QLatin1String("handshake-ack") ? Route::Ack
                : action == QLatin1String("complete")    ? Route::Complete
                                                         : Route::Close;
        expected = route == Route::Ack ? Method::Post : Method::Patch;
    } else {
        return error(404, "Not found");
    }
    if (method != expected) {
        return error(405, "Method not allowed");
    }
    if (route == Route::Health) {
        json status = {{"status", "ok"}, {"online", m_signaling.onlineCount()}};
        if (m_statusProvider) {
            status.update(m_statusProvider());
        }
        return {200, status};
    }

    const QByteArray& rawBody = request.body;
    if (rawBody.size() > kMaxBodyBytes) {
        return error(413, "Request body too large");
    }
    const auto body = parseJson(std::string_view(rawBody.constData(), rawBody.size()));
    if (!body) {
        return error(400, "Request body is not valid JSON");
    }
    if (!body->is_object()) {
        return error(400, "Request body must be a JSON object");
    }

    if (route == Route::AutoRegister) {
        if (!m_registrations.allow(registrationSource(request.remoteAddress))) {
            spdlog::warn("RestApi: registration from {} refused: over {} a minute",
                         request.remoteAddress.toString().toStdString(),
                         m_registrationsPerMinute);
            return error(429, "Too many registrations from this address, try again later");
        }
        return autoRegister(*body);
    }
    if (route == Route::AutoLogin) {
        return autoLogin(*body);
    }
    const QString caller = authorisedClient(request.authorization);
    if (caller.isEmpty()) {
        return kNotAuthenticated;
    }
    if (route == Route::Heartbeat) {
        return heartbeat(caller, *body);
    }
    if (route == Route::Create) {
        return createSession(caller, *body);
    }

    Session* session = m_sessions.find(sessionId);
    if (session == nullptr) {
        return error(404, "Session not found");
    }
    if (route == Route::Ack) {
        if (caller != session->targetClientId) {
            return error(403, "Only the session's target may acknowledge it");
        }
        return handshakeAck(*session, *body);
    }
    if (!session->isParty(caller)) {
        return error(403, "Not a party of this session");
    }
    return route == Route::Complete ? completeSession(*session, *body)
                                    : closeSession(caller, *session, *body);
}

RestApi::Reply RestApi::autoRegister(const json& body) {
    StringFields fields(body);
    const QString name = qs(fields.get("client_name"));
    const QString version = qs(fields.get("agent_version"));
    const QString fingerprint = qs(fields.get("machine_fingerprint"));
    if (!fields.wrongType().empty()) {
        return wrongType(fields.wrongType());
    }
    const auto registration = m_devices.registerDevice(name, version, fingerprint);
    if (!registration) {
        return error(500, "Registration failed");
    }
    return {200, json{{"client_id", registration->clientId.toStdString()},
                      {"device_secret", registration->deviceSecret.toStdString()},
                      {"token", m_tokens.issue(registration->clientId).toStdString()}}};
}

RestApi::Reply RestApi::autoLogin(const json& body) {
    StringFields fields(body);
    const QString clientId = qs(fields.get("client_id"));
    const QString secret = qs(fields.get("device_secret"));
    if (!fields.wrongType().empty()) {
        return wrongType(fields.wrongType());
    }
    if (!m_devices.verifyCredentials(clientId, secret)) {
        spdlog::info("RestApi: login refused for {}", printable(clientId.toStdString()));
        return error(401, "Invalid device credentials");
    }
    m_devices.touch(clientId);
    return {200, json{{"client_id", clientId.toStdString()},
                      {"token", m_tokens.issue(clientId).toStdString()}}};
}

RestApi::Reply RestApi::heartbeat(const QString& caller, const json& body) {
    StringFields fields(body);
    const QString clientId = qs(fields.get("client_id"));
    HeartbeatInfo info{qs(fields.get("local_ip")), qs(fields.get("public_ip")),
                       qs(fields.get("nat_type")), qs(fields.get("agent_version"))};
    if (!fields.wrongType().empty()) {
        return wrongType(fields.wrongType());
    }
    if (clientId != caller) {
        return error(403, "client_id does not match the authenticated device");
    }
    if (!m_devices.recordHeartbeat(caller, info)) {
        return error(500, "Heartbeat could not be stored");
    }
    return {200, json{{"status", "ok"}}};
}

RestApi::Reply RestApi::createSession(const QString& caller, const json& body) {
    StringFields fields(body);
    const QString masterId = qs(fields.get("master_client_id"));
    const QString targetId = qs(fields.get("target_client_id"));
    const QString password = qs(fields.get("session_password"));
    const QString purpose = qs(fields.get("purpose"));
    const QString masterKey = qs(fields.get("master_ecdh_public_key"));
    if (!fields.wrongType().empty()) {
        return wrongType(fields.wrongType());
    }
    if (masterId != caller) {
        return error(403, "master_client_id does not match the authenticated device");
    }
    if (targetId.isEmpty() || !m_devices.exists(targetId)) {
        return error(404, "Target not available");
    }
    if (targetId == caller) {
        return error(400, "A device cannot connect to itself");
    }
    if (!m_signaling.isOnline(targetId)) {
        return error(409, "Target is offline");
    }
    if (m_sessions.passwordTriesBlocked(targetId)) {
        return error(403, "Too many wrong password attempts, try again in a minute");
    }

    const bool passwordMatches = sameSecret(password, m_signaling.sessionPassword(targetId));
    const bool pairingCodeMatches =
        !passwordMatches && sameSecret(password, m_signaling.pairingCode(targetId));
    if (!passwordMatches && !pairingCodeMatches) {
        m_sessions.recordPasswordFailure(targetId);
        return error(403, "Invalid session password");
    }

    const Session& session = m_sessions.create(caller, targetId, purpose, masterKey);
    if (passwordMatches) {
        m_signaling.sendTo(targetId, json{{"type", "SESSION_AUTO_ACCEPT"},
                                          {"session_id", session.id.toStdString()},
                                          {"master_client_id", caller.toStdString()},
                                          {"master_ecdh_public_key", masterKey.toStdString()},
                                          {"purpose", purpose.toStdString()}});
    } else {
        m_signaling.sendTo(targetId, json{{"type", "SESSION_HANDSHAKE_REQUEST"},
                                          {"session_id", session.id.toStdString()},
                                          {"master_client_id", caller.toStdString()},
                                          {"purpose", purpose.toStdString()}});
    }
    return {200, session.toJson()};
}

RestApi::Reply RestApi::handshakeAck(Session& session, const json& body) {
    StringFields fields(body);
    const QString targetKey = qs(fields.get("target_ecdh_public_key"));
    const QString natType = qs(fields.get("target_nat_type"));
    fields.get("target_client_id");
    fields.get("preferred_relay_id");
    if (!fields.wrongType().empty()) {
        return wrongType(fields.wrongType());
    }
    if (session.state != SessionState::Pending && session.state != SessionState::Handshaking) {
        json reply = session.toJson();
        reply["detail"] = std::string("Session is ") + sessionStateName(session.state);
        return {409, reply};
    }
    session.targetPublicKey = targetKey;
    session.targetNatType = natType;
    session.state = SessionState::Handshaking;
    m_signaling.sendTo(session.masterClientId,
                       json{{"type", "SESSION_HANDSHAKE_ACK"},
                            {"session_id", session.id.toStdString()},
                            {"state", sessionStateName(session.state)},
                            {"target_ecdh_public_key", targetKey.toStdString()},
                            {"target_nat_type", natType.toStdString()}});
    json reply = session.toJson();
    reply["master_ecdh_public_key"] = session.masterPublicKey.toStdString();
    return {200, reply};
}

RestApi::Reply RestApi::completeSession(Session& session, const json& body) {
    StringFields fields(body);
    const QString method = qs(fields.get("connection_method"));
    const QString relayNode = qs(fields.get("relay_node_id"));
    if (!fields.wrongType().empty()) {
        return wrongType(fields.wrongType());
    }
    // A failed session answers with its state, which ends it at the device.
    if (session.state == SessionState::Failed) {
        return {200, session.toJson()};
    }
    // Only a handshake that took place can complete; anything else would let a party skip it.
    if (session.state != SessionState::Handshaking) {
        json reply = session.toJson();
        reply["detail"] = std::string("Session is ") + sessionStateName(session.state);
        return {409, reply};
    }
    session.state = SessionState::Connected;
    session.connectionMethod = method;
    session.relayNodeId = relayNode;
    m_sessions.markActive(session);
    return {200, session.toJson()};
}

RestApi::Reply RestApi::closeSession(const QString& caller, Session& session, const json& body) {
    const QString sessionId = session.id;
    StringFields fields(body);
    const QString reason = qs(fields.get("reason"));
    if (!fields.wrongType().empty()) {
        return wrongType(fields.wrongType());
    }
    const auto bytes = body.find("transferred_bytes");
    if (bytes != body.end() && !bytes->is_number_integer()) {
        return error(422, "Field 'transferred_bytes' must be an integer");
    }
    session.state = SessionState::Closed;
    json reply = session.toJson();
    const QString peer = session.peerOf(caller);
    spdlog::info("RestApi: session {} closed by {} ({})", sessionId.toStdString(),
                 caller.toStdString(), printable(reason.toStdString()));
    m_signaling.sendTo(peer, json{{"type", "SESSION_CLOSED"},
                                  {"session_id", sessionId.toStdString()},
                                  {"reason", reason.toStdString()}});
    m_sessions.close(sessionId);
    return {200, reply};
}

} // namespace nimbral::server
