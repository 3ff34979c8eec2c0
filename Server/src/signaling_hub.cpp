#include "signaling_hub.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimer>
#include <QWebSocket>

#include <spdlog/spdlog.h>

#include "device_registry.h"
#include "json_text.h"
#include "session_registry.h"
#include "token_store.h"

namespace nimbral::server {

namespace {

constexpr auto kCloseReplaced = static_cast<QWebSocketProtocol::CloseCode>(4000);
constexpr auto kCloseUnknownPath = static_cast<QWebSocketProtocol::CloseCode>(4004);

QString clientIdFromPath(const QString& path) {
    static const QRegularExpression pattern(QStringLiteral("^/ws/clients/([1-9][0-9]{8})$"));
    const auto match = pattern.match(path);
    return match.hasMatch() ? match.captured(1) : QString();
}

nlohmann::json errorMessage(const std::string& detail) {
    return {{"type", "ERROR"}, {"detail", detail}};
}

} // namespace

struct SignalingHub::Connection {
    std::unique_ptr<QWebSocket> socket;
    QString clientId;
    bool authenticated = false;
    QTimer authTimer;
    RateLimiter ice{kIcePerSecond * 60.0, kIceBurst};
    bool notReading = false;
};

SignalingHub::SignalingHub(TokenStore& tokens, SessionRegistry& sessions, DeviceRegistry& devices,
                           QObject* parent)
    : QObject(parent)
    , m_tokens(tokens)
    , m_sessions(sessions)
    , m_devices(devices) {
}

SignalingHub::~SignalingHub() {
    for (Connection* connection : std::as_const(m_connections)) {
        connection->socket->disconnect(this);
        connection->socket->abort();
        delete connection;
    }
}

void SignalingHub::adopt(std::unique_ptr<QWebSocket> socket) {
    auto* connection = new Connection;
    connection->socket = std::move(socket);
    QWebSocket* ws = connection->socket.get();
    ws->setMaxAllowedIncomingMessageSize(kMaxMessageBytes);
    ws->setMaxAllowedIncomingFrameSize(kMaxMessageBytes);
    m_connections.insert(ws, connection);

    connection->clientId = clientIdFromPath(ws->requestUrl().path());
    connect(ws, &QWebSocket::disconnected, this, [this, connection] { drop(connection); });
    if (connection->clientId.isEmpty()) {
        spdlog::warn("SignalingHub: refused socket for path {}",
                     printable(ws->requestUrl().path().toStdString()));
        ws->close(kCloseUnknownPath, QStringLiteral("Unknown path"));
        return;
    }

    connect(ws, &QWebSocket::textMessageReceived, this,
            [this, connection](const QString& text) { onText(connection, text); });
    connect(ws, &QWebSocket::binaryMessageReceived, this, [this, connection](const QByteArray&) {
        reply(connection, errorMessage("Binary frames are not supported"));
    });
    connection->authTimer.setSingleShot(true);
    connect(&connection->authTimer, &QTimer::timeout, this, [this, connection] {
        spdlog::info("SignalingHub: no AUTH from {} in time", connection->clientId.toStdString());
        reply(connection, {{"type", "AUTH_FAIL"}, {"detail", "Authentication timed out"}});
        connection->socket->close(QWebSocketProtocol::CloseCodePolicyViolated,
                                  QStringLiteral("Authentication timed out"));
    });
    connection->authTimer.start(m_authTimeoutMs);
}

void SignalingHub::drop(Connection* connection) {
    if (m_connections.remove(connection->socket.get()) == 0) {
        return;
    }
    if (connection->authenticated && m_online.value(connection->clientId) == connection) {
        m_online.remove(connection->clientId);
        spdlog::info("SignalingHub: {} offline", connection->clientId.toStdString());
    }
    connection->authTimer.stop();
    connection->socket->disconnect(this);
    // The socket is inside its own signal here; it is released from the event loop.
    connection->socket.release()->deleteLater();
    delete connection;
}

bool SignalingHub::reply(Connection* connection, const nlohmann::json& message) {
    QWebSocket* socket = connection->socket.get();
    if (connection->notReading) {
        return false;
    }
    if (socket->bytesToWrite() > kMaxBacklogBytes) {
        spdlog::warn("SignalingHub: {} does not read its messages ({} bytes waiting), closing",
                     connection->clientId.toStdString(), socket->bytesToWrite());
        connection->notReading = true;
        // Not here: the caller may still be using the connection this would delete.
        QMetaObject::invokeMethod(socket, &QWebSocket::abort, Qt::QueuedConnection);
        return false;
    }
    socket->sendTextMessage(QString::fromStdString(compactJson(message)));
    return true;
}

void SignalingHub::onText(Connection* connection, const QString& text) {
    const auto message = parseJson(text.toStdString());
    const bool valid = message && message->is_object() && message->contains("type") &&
                       (*message)["type"].is_string();
    if (!connection->authenticated) {
        if (valid && (*message)["type"] == "AUTH") {
            onAuth(connection, *message);
        } else {
            reply(connection, {{"type", "AUTH_FAIL"}, {"detail", "First message must be AUTH"}});
            connection->socket->close(QWebSocketProtocol::CloseCodePolicyViolated,
                                      QStringLiteral("Not authenticated"));
        }
        return;
    }
    if (!valid) {
        reply(connection, errorMessage("Messages must be JSON objects with a string \"type\""));
        return;
    }
    const std::string type = (*message)["type"].get<std::string>();
    // What one party of a session sends the other: passed on, never read.
    if (type.starts_with("ICE_") || type == "PAKE_CONFIRM" || type == "PAKE_APPROVED") {
        forwardToPeer(connection, *message, text.size());
        return;
    }
    onAuthenticated(connection, *message);
}

void SignalingHub::onAuth(Connection* connection, const nlohmann::json& message) {
    connection->authTimer.stop();
    StringFields fields(message);
    const QString token = QString::fromStdString(fields.get("token"));
    const QString owner = token.isEmpty() ? QString() : m_tokens.clientFor(token);
    if (owner.isEmpty() || owner != connection->clientId) {
        spdlog::info("SignalingHub: AUTH refused for {}", connection->clientId.toStdString());
        reply(connection, {{"type", "AUTH_FAIL"}});
        connection->socket->close(QWebSocketProtocol::CloseCodeNormal, QString());
        return;
    }

    if (Connection* previous = m_online.value(owner)) {
        spdlog::info("SignalingHub: {} connected again, closing the older socket",
                     owner.toStdString());
        previous->authenticated = false;
        previous->socket->close(kCloseReplaced, QStringLiteral("Replaced by a newer connection"));
    }
    connection->authenticated = true;
    m_online.insert(owner, connection);
    m_devices.touch(owner);
    spdlog::info("SignalingHub: {} online", owner.toStdString());
    reply(connection, {{"type", "AUTH_OK"}});
}

void SignalingHub::onAuthenticated(Connection* connection, const nlohmann::json& message) {
    const std::string type = message["type"].get<std::string>();
    StringFields fields(message);
    if (type == "SET_PASSWORD") {
        const QString password =
            QString::fromStdString(fields.get("password", FieldKind::Password));
        if (!fields.wrongType().empty() || !fields.invalid().empty()) {
            reply(connection, errorMessage("\"password\" must be a string of at most 256 "
                                           "characters"));
            return;
        }
        m_passwords.insert(connection->clientId, password);
    } else if (type == "SET_PAIRING_CODE") {
        const QString code = QString::fromStdString(fields.get("code", FieldKind::Password));
        if (!fields.wrongType().empty() || !fields.invalid().empty()) {
            reply(connection, errorMessage("\"code\" must be a string of at most 256 "
                                           "characters"));
            return;
        }
        m_pairingCodes.insert(connection->clientId, code);
    } else if (type == "PING") {
        reply(connection, {{"type", "PONG"}});
    } else {
        reply(connection, errorMessage("Unknown message type: " + printable(type)));
    }
}

void SignalingHub::forwardToPeer(Connection* connection, nlohmann::json message,
                                 qsizetype textBytes) {
    const std::string type = message["type"].get<std::string>();
    if (type != "ICE_OFFER" && type != "ICE_ANSWER" && type != "ICE_CANDIDATE" &&
        type != "PAKE_CONFIRM" && type != "PAKE_APPROVED") {
        reply(connection, errorMessage("Unknown message type: " + printable(type)));
        return;
    }
    if (textBytes > kMaxIceMessageBytes) {
        reply(connection, errorMessage("ICE message too large"));
        return;
    }
    if (!connection->ice.allow(QString())) {
        noteIceDropped(connection, "over the rate limit");
        return;
    }
    StringFields fields(message);
    const QString sessionId = QString::fromStdString(fields.get("session_id"));
    const QString target = QString::fromStdString(fields.get("target_client_id"));
    const Session* session = m_sessions.find(sessionId);
    if (session == nullptr || !fields.wrongType().empty() ||
        !session->isParty(connection->clientId) || target == connection->clientId ||
        !session->isParty(target)) {
        spdlog::warn("SignalingHub: {} from {} not forwarded (session {}, target {})",
                     message["type"].get<std::string>(), connection->clientId.toStdString(),
                     printable(sessionId.toStdString()), printable(target.toStdString()));
        reply(connection, errorMessage("Not a party of that session"));
        return;
    }
    message["from_client_id"] = connection->clientId.toStdString();
    Connection* receiver = m_online.value(target);
    if (receiver == nullptr) {
        reply(connection, errorMessage("Peer is offline"));
        return;
    }
    if (receiver->socket->bytesToWrite() > kMaxForwardBacklogBytes) {
        noteIceDropped(connection, "its receiver is not keeping up");
        return;
    }
    reply(receiver, message);
}

void SignalingHub::noteIceDropped(Connection* connection, const char* why) {
    ++m_iceDropped;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_lastDropLogMs < 0 || now - m_lastDropLogMs >= 1000) {
        m_lastDropLogMs = now;
        spdlog::warn("SignalingHub: ICE from {} dropped: {} ({} dropped so far)",
                     connection->clientId.toStdString(), why, m_iceDropped);
        reply(connection, errorMessage(std::string("ICE message dropped: ") + why));
    }
}

bool SignalingHub::isOnline(const QString& clientId) const {
    return m_online.contains(clientId);
}

bool SignalingHub::sendTo(const QString& clientId, const nlohmann::json& message) {
    Connection* connection = m_online.value(clientId);
    if (connection == nullptr) {
        return false;
    }
    return reply(connection, message);
}

QString SignalingHub::sessionPassword(const QString& clientId) const {
    return m_passwords.value(clientId);
}

void SignalingHub::forgetPublishedSecrets(const QString& clientId) {
    m_passwords.remove(clientId);
    m_pairingCodes.remove(clientId);
}

QString SignalingHub::pairingCode(const QString& clientId) const {
    return m_pairingCodes.value(clientId);
}

} // namespace nimbral::server
