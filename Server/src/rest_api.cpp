#include "rest_api.h"

#include <optional>

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRegularExpression>

#include <openssl/crypto.h>
#include <spdlog/spdlog.h>

#include "device_registry.h"
#include "json_text.h"
#include "session_registry.h"
#include "signaling_hub.h"
#include "source_address.h"
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

// The refusal for fields a handler read, if any: a wrong type, then a value that does not fit.
std::optional<RestApi::Reply> refusalFor(const StringFields& fields) {
    if (!fields.wrongType().empty()) {
        return wrongType(fields.wrongType());
    }
    if (!fields.invalid().empty()) {
        return error(400, fields.invalid());
    }
    return std::nullopt;
}

constexpr int kMaxCapabilities = 16;

// The optional "capabilities" list: strings the device understands. Empty when absent; nothing
// when it is not a short list of short strings.
std::optional<QSet<QString>> capabilitiesOf(const json& body) {
    QSet<QString> capabilities;
    const auto it = body.find("capabilities");
    if (it == body.end() || it->is_null()) {
        return capabilities;
    }
    if (!it->is_array() || it->size() > kMaxCapabilities) {
        return std::nullopt;
    }
    for (const json& item : *it) {
        if (!item.is_string() ||
            !checkField("capabilities", item.get<std::string>(), FieldKind::Label).empty()) {
            return std::nullopt;
        }
        capabilities.insert(QString::fromStdString(item.get<std::string>()));
    }
    return capabilities;
}

// What a Target's acknowledgement adds for the password exchange, passed on to the Master as is.
constexpr const char* kAckExchangeFields[] = {"pake_share_password", "pake_confirm_password",
                                              "pake_share_code",     "pake_confirm_code",
                                              "device_key",          "device_signature"};

const RestApi::Reply kBadCapabilities =
    error(400, "Field 'capabilities' must be a list of at most 16 short strings");

std::string waitText(qint64 milliseconds) {
    const qint64 seconds = qMax<qint64>(1, (milliseconds + 999) / 1000);
    return seconds < 120 ? std::to_string(seconds) + " seconds"
                         : std::to_string((seconds + 59) / 60) + " minutes";
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
    // hands the socket to the signaling hub, which checks the path itself. One that names the
    // upgrade without asking for it ("Connection: Upgrade") would never be completed: it is
    // answered here, or it would hold its connection unanswered.
    bool namesUpgrade = false;
    bool upgrade = false;
    bool connectionUpgrade = false;
    const auto headers = request.headers();
    for (const auto& [name, value] : headers) {
        if (name.compare("upgrade", Qt::CaseInsensitive) == 0) {
            namesUpgrade = true;
            upgrade = upgrade || value.compare("websocket", Qt::CaseInsensitive) == 0;
        } else if (name.compare("connection", Qt::CaseInsensitive) == 0) {
            for (const QByteArray& option : value.split(',')) {
                connectionUpgrade = connectionUpgrade ||
                                    option.trimmed().compare("upgrade", Qt::CaseInsensitive) == 0;
            }
        }
    }
    if (upgrade && connectionUpgrade && request.method() == QHttpServerRequest::Method::Get) {
        return true;
    }
    if (namesUpgrade) {
        auto responder = makeResponder(request, socket);
        responder.write(QByteArrayLiteral("{\"detail\":\"Malformed WebSocket upgrade\"}"),
                        QByteArrayLiteral("application/json"),
                        QHttpServerResponder::StatusCode::BadRequest);
        spdlog::info("RestApi: malformed upgrade request from {} refused",
                     request.remoteAddress().toString().toStdString());
        return true;
    }
    Request routed{
        request.method(), request.url().path(), request.body(), {}, request.remoteAddress()};
    for (const auto& [name, value] : headers) {
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

namespace {

enum class Route { AutoRegister, AutoLogin, Heartbeat, Create, Ack, Complete, Close, Health };

struct RouteMatch {
    Route route;
    Method expected = Method::Post;
    QString sessionId;
};

std::optional<RouteMatch> routeOf(const QString& path) {
    static const QRegularExpression sessionPath(
        QStringLiteral("^/sessions/([A-Za-z0-9-]{1,64})/(handshake-ack|complete|close)$"));
    if (path == QLatin1String("/auth/auto-register")) {
        return RouteMatch{Route::AutoRegister, Method::Post, {}};
    }
    if (path == QLatin1String("/auth/auto-login")) {
        return RouteMatch{Route::AutoLogin, Method::Post, {}};
    }
    if (path == QLatin1String("/clients/heartbeat")) {
        return RouteMatch{Route::Heartbeat, Method::Post, {}};
    }
    if (path == QLatin1String("/sessions/create")) {
        return RouteMatch{Route::Create, Method::Post, {}};
    }
    if (path == QLatin1String("/health")) {
        return RouteMatch{Route::Health, Method::Get, {}};
    }
    const auto match = sessionPath.match(path);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QString action = match.captured(2);
    const Route route = action == QLatin1String("handshake-ack") ? Route::Ack
                        : action == QLatin1String("complete")    ? Route::Complete
                                                                 : Route::Close;
    return RouteMatch{route, route == Route::Ack ? Method::Post : Method::Patch, match.captured(1)};
}

} // namespace

RestApi::Reply RestApi::handle(const Request& request) {
    const std::optional<RouteMatch> match = routeOf(request.path);
    if (!match) {
        return error(404, "Not found");
    }
    const Route route = match->route;
    const QString& sessionId = match->sessionId;
    if (request.method != match->expected) {
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
        if (!m_registrations.allow(sourceOf(request.remoteAddress))) {
            spdlog::warn("RestApi: registration from {} refused: over {} a minute",
                         request.remoteAddress.toString().toStdString(), m_registrationsPerMinute);
            return error(429, "Too many registrations from this address, try again later");
        }
        return autoRegister(*body, request.remoteAddress);
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
        return createSession(caller, *body, request.remoteAddress);
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

RestApi::Reply RestApi::autoRegister(const json& body, const QHostAddress& from) {
    StringFields fields(body);
    const DeviceDescription device{qs(fields.get("client_name", FieldKind::DeviceName)),
                                   qs(fields.get("agent_version", FieldKind::Version)),
                                   qs(fields.get("machine_fingerprint", FieldKind::Fingerprint))};
    // Proof of the current secret, from a device that already has an ID.
    const QString provenId = qs(fields.get("client_id", FieldKind::ClientId));
    const QString provenSecret = qs(fields.get("device_secret", FieldKind::DeviceSecret));
    if (const auto refusal = refusalFor(fields)) {
        return *refusal;
    }
    const auto capabilities = capabilitiesOf(body);
    if (!capabilities) {
        return kBadCapabilities;
    }
    std::optional<Registration> registration;
    if (!provenId.isEmpty() && m_devices.verifyCredentials(provenId, provenSecret)) {
        registration = m_devices.renewDevice(provenId, device);
    } else {
        const QStringList known = m_devices.devicesWithFingerprint(device.fingerprint);
        if (!known.isEmpty()) {
            // A reinstall that lost its settings, a cloned machine or someone who read the
            // fingerprint: none of them proves it owns those IDs.
            spdlog::info("RestApi: registration from {} shares a fingerprint with {} but proves "
                         "no secret: a new ID",
                         from.toString().toStdString(), known.join(QLatin1Char(' ')).toStdString());
        }
        registration = m_devices.registerDevice(device);
    }
    if (!registration) {
        return error(500, "Registration failed");
    }
    return {200, json{{"client_id", registration->clientId.toStdString()},
                      {"device_secret", registration->deviceSecret.toStdString()},
                      {"token", issueToken(registration->clientId, *capabilities).toStdString()}}};
}

QString RestApi::issueToken(const QString& clientId, const QSet<QString>& capabilities) {
    // What the device published under its older token does not outlive it: a new login
    // publishes its password and pairing code again.
    m_signaling.forgetPublishedSecrets(clientId);
    return m_tokens.issue(clientId, capabilities);
}

RestApi::Reply RestApi::autoLogin(const json& body) {
    StringFields fields(body);
    const QString clientId = qs(fields.get("client_id"));
    const QString secret = qs(fields.get("device_secret"));
    if (!fields.wrongType().empty()) {
        return wrongType(fields.wrongType());
    }
    const auto capabilities = capabilitiesOf(body);
    if (!capabilities) {
        return kBadCapabilities;
    }
    // Malformed credentials are wrong credentials: the device must learn to forget them.
    const bool wellFormed =
        checkField("client_id", clientId.toStdString(), FieldKind::ClientId).empty() &&
        checkField("device_secret", secret.toStdString(), FieldKind::DeviceSecret).empty();
    if (!wellFormed || !m_devices.verifyCredentials(clientId, secret)) {
        spdlog::info("RestApi: login refused for {}", printable(clientId.toStdString()));
        return error(401, "Invalid device credentials");
    }
    m_devices.touch(clientId);
    return {200, json{{"client_id", clientId.toStdString()},
                      {"token", issueToken(clientId, *capabilities).toStdString()}}};
}

RestApi::Reply RestApi::heartbeat(const QString& caller, const json& body) {
    StringFields fields(body);
    const QString clientId = qs(fields.get("client_id"));
    HeartbeatInfo info{qs(fields.get("local_ip", FieldKind::IpAddress)),
                       qs(fields.get("public_ip", FieldKind::IpAddress)),
                       qs(fields.get("nat_type", FieldKind::Label)),
                       qs(fields.get("agent_version", FieldKind::Version))};
    if (const auto refusal = refusalFor(fields)) {
        return *refusal;
    }
    if (clientId != caller) {
        return error(403, "client_id does not match the authenticated device");
    }
    if (!m_devices.recordHeartbeat(caller, info)) {
        return error(500, "Heartbeat could not be stored");
    }
    return {200, json{{"status", "ok"}}};
}

std::optional<RestApi::Reply> RestApi::passwordRefusal(const QString& master, const QString& source,
                                                       const QString& target) {
    const PasswordGuard::Verdict verdict = m_passwordGuard.check(master, source, target);
    if (verdict.block == PasswordGuard::Block::None) {
        return std::nullopt;
    }
    const char* scope = verdict.block == PasswordGuard::Block::Pair ? "for this partner"
                        : verdict.block == PasswordGuard::Block::Master
                            ? "from this device"
                            : "for this partner from many devices";
    spdlog::info("RestApi: password try {} -> {} refused: too many wrong ones {}",
                 master.toStdString(), target.toStdString(), scope);
    return error(403, std::string("Too many wrong password attempts ") + scope + ", try again in " +
                          waitText(verdict.retryAfterMs));
}

RestApi::Reply RestApi::createSession(const QString& caller, const json& body,
                                      const QHostAddress& from) {
    StringFields fields(body);
    const QString masterId = qs(fields.get("master_client_id"));
    const QString targetId = qs(fields.get("target_client_id", FieldKind::ClientId));
    const QString password = qs(fields.get("session_password", FieldKind::Password));
    const QString purpose = qs(fields.get("purpose", FieldKind::Label));
    const QString masterKey = qs(fields.get("master_ecdh_public_key", FieldKind::PublicKey));
    // The password exchange: one share for each secret the Target may hold.
    const QString pakeShare = qs(fields.get("pake_share_password", FieldKind::Base64));
    const QString pakeCodeShare = qs(fields.get("pake_share_code", FieldKind::Base64));
    if (const auto refusal = refusalFor(fields)) {
        return *refusal;
    }
    const auto capabilities = capabilitiesOf(body);
    if (!capabilities) {
        return kBadCapabilities;
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
    const QString source = sourceOf(from);
    if (auto refusal = passwordRefusal(caller, source, targetId)) {
        return *refusal;
    }
    const SecretCheck check = pakeShare.isEmpty() && pakeCodeShare.isEmpty()
                                  ? checkSessionSecret(caller, source, targetId, password)
                                  : checkPasswordExchange(targetId, password);
    if (check.refusal) {
        return *check.refusal;
    }
    const SessionSecret secret = check.secret;

    Session& session = m_sessions.create(caller, targetId, purpose, masterKey);
    const QString relayCapability = QString::fromLatin1(TokenStore::kRelayTokenCapability);
    session.relayTokensRequired = capabilities->contains(relayCapability) &&
                                  m_tokens.hasCapability(targetId, relayCapability);
    if (!session.relayTokensRequired) {
        spdlog::info("RestApi: session {} pairs on the relay by its ID alone: {} knows no relay "
                     "tokens",
                     session.id.toStdString(),
                     capabilities->contains(relayCapability) ? "the Target" : "the Master");
    }
    json request{{"session_id", session.id.toStdString()},
                 {"master_client_id", caller.toStdString()},
                 {"purpose", purpose.toStdString()}};
    if (secret == SessionSecret::PairingCode) {
        request["type"] = "SESSION_HANDSHAKE_REQUEST";
    } else {
        // The Target decides on a password exchange itself, so it gets what it needs to.
        request["type"] =
            secret == SessionSecret::Password ? "SESSION_AUTO_ACCEPT" : "SESSION_PAKE_REQUEST";
        request["master_ecdh_public_key"] = masterKey.toStdString();
        request["relay_token"] = session.targetRelayToken.toStdString();
        if (secret == SessionSecret::Exchange) {
            request["pake_share_password"] = pakeShare.toStdString();
            request["pake_share_code"] = pakeCodeShare.toStdString();
        }
    }
    m_signaling.sendTo(targetId, request);
    json reply = session.toJson();
    reply["relay_token"] = session.masterRelayToken.toStdString();
    return {200, reply};
}

RestApi::SecretCheck RestApi::checkSessionSecret(const QString& master, const QString& source,
                                                 const QString& target, const QString& password) {
    const bool passwordMatches = sameSecret(password, m_signaling.sessionPassword(target));
    const bool pairingCodeMatches =
        !passwordMatches && sameSecret(password, m_signaling.pairingCode(target));
    if (!passwordMatches && !pairingCodeMatches) {
        m_passwordGuard.recordFailure(master, source, target);
        return {SessionSecret::Password, error(403, "Invalid session password")};
    }
    m_passwordGuard.recordSuccess(master, target);
    return {passwordMatches ? SessionSecret::Password : SessionSecret::PairingCode, std::nullopt};
}

RestApi::SecretCheck RestApi::checkPasswordExchange(const QString& target,
                                                    const QString& password) {
    if (!password.isEmpty()) {
        return {SessionSecret::Exchange, error(400, "Send either session_password or the password exchange's shares")};
    }
    if (!m_tokens.hasCapability(target,
                                QString::fromLatin1(TokenStore::kVerifiedSessionsCapability))) {
        return {SessionSecret::Exchange, error(409, "Target does not support verified sessions")};
    }
    return {SessionSecret::Exchange, std::nullopt};
}

RestApi::Reply RestApi::handshakeAck(Session& session, const json& body) {
    StringFields fields(body);
    const QString targetKey = qs(fields.get("target_ecdh_public_key", FieldKind::PublicKey));
    const QString natType = qs(fields.get("target_nat_type", FieldKind::Label));
    fields.get("target_client_id", FieldKind::ClientId);
    fields.get("preferred_relay_id", FieldKind::NodeId);
    json exchange = json::object();
    for (const char* name : kAckExchangeFields) {
        const std::string value = fields.get(name, FieldKind::Base64);
        if (!value.empty()) {
            exchange[name] = value;
        }
    }
    if (const auto refusal = refusalFor(fields)) {
        return *refusal;
    }
    if (session.state != SessionState::Pending && session.state != SessionState::Handshaking) {
        json reply = session.toJson();
        reply["detail"] = std::string("Session is ") + sessionStateName(session.state);
        return {409, reply};
    }
    session.targetPublicKey = targetKey;
    session.targetNatType = natType;
    session.state = SessionState::Handshaking;
    json ack{{"type", "SESSION_HANDSHAKE_ACK"},
             {"session_id", session.id.toStdString()},
             {"state", sessionStateName(session.state)},
             {"target_ecdh_public_key", targetKey.toStdString()},
             {"target_nat_type", natType.toStdString()}};
    ack.update(exchange);
    m_signaling.sendTo(session.masterClientId, ack);
    json reply = session.toJson();
    reply["master_ecdh_public_key"] = session.masterPublicKey.toStdString();
    reply["relay_token"] = session.targetRelayToken.toStdString();
    return {200, reply};
}

RestApi::Reply RestApi::completeSession(Session& session, const json& body) {
    StringFields fields(body);
    const QString method = qs(fields.get("connection_method", FieldKind::Label));
    const QString relayNode = qs(fields.get("relay_node_id", FieldKind::NodeId));
    if (const auto refusal = refusalFor(fields)) {
        return *refusal;
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
    const QString reason = qs(fields.get("reason", FieldKind::Reason));
    if (const auto refusal = refusalFor(fields)) {
        return *refusal;
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
