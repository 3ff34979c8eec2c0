#include "network/signaling_client.h"

#include <QSignalBlocker>

#include <spdlog/spdlog.h>

namespace nimbral {

namespace {

using json = nlohmann::json;

QString field(const json& message, const char* name) {
    const auto it = message.find(name);
    if (it == message.end() || !it->is_string()) {
        return {};
    }
    return QString::fromStdString(it->get<std::string>());
}

std::string compact(const json& message) {
    return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace

SignalingClient::SignalingClient(QObject* parent)
    : QObject(parent)
    , m_socket(QString(), QWebSocketProtocol::Version13) {
    qRegisterMetaType<nlohmann::json>();
    connect(&m_socket, &QWebSocket::connected, this, &SignalingClient::onConnected);
    connect(&m_socket, &QWebSocket::disconnected, this, &SignalingClient::onDisconnected);
    connect(&m_socket, &QWebSocket::textMessageReceived, this,
            &SignalingClient::onTextMessageReceived);
    connect(&m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
            &SignalingClient::onError);
    m_reconnectTimer.setSingleShot(true);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &SignalingClient::attemptReconnect);
}

SignalingClient::~SignalingClient() {
    m_reconnectTimer.stop();
    m_socket.disconnect(this);
    m_socket.abort();
}

QUrl SignalingClient::signalingUrl(const QUrl& serverUrl, const QString& clientId) {
    QUrl url = serverUrl;
    url.setScheme(serverUrl.scheme() == QLatin1String("https") ? QStringLiteral("wss")
                                                               : QStringLiteral("ws"));
    url.setPath(QStringLiteral("/ws/clients/") + clientId);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

void SignalingClient::connectToServer(const QUrl& serverUrl, const QString& clientId,
                                      const QString& token) {
    m_serverUrl = serverUrl;
    m_clientId = clientId;
    m_token = token;
    m_reconnectAttempts = 0;
    m_closedByOwner = false;
    m_reconnectTimer.stop();
    open();
}

void SignalingClient::open() {
    const QUrl url = signalingUrl(m_serverUrl, m_clientId);
    spdlog::info("Connecting to signaling server: {}", url.toString().toStdString());
    // A socket still open from an earlier connection would keep the old token's session. Its
    // end is ours, not the server's, so it must not start the back-off.
    if (m_socket.state() != QAbstractSocket::UnconnectedState) {
        const QSignalBlocker quiet(&m_socket);
        m_socket.abort();
    }
    m_socket.open(url);
}

void SignalingClient::sendMessage(const json& message) {
    if (!isConnected()) {
        spdlog::warn("Cannot send message: not connected");
        return;
    }
    m_socket.sendTextMessage(QString::fromStdString(compact(message)));
}

bool SignalingClient::isConnected() const {
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

void SignalingClient::disconnectFromServer() {
    m_reconnectTimer.stop();
    m_reconnectAttempts = kMaxReconnectAttempts;
    m_closedByOwner = true;
    m_socket.close(QWebSocketProtocol::CloseCodeNormal, QString());
}

void SignalingClient::onConnected() {
    spdlog::info("Signaling WebSocket connected, sending auth");
    m_socket.sendTextMessage(
        QString::fromStdString(compact(json{{"type", "AUTH"}, {"token", m_token.toStdString()}})));
}

void SignalingClient::onDisconnected() {
    spdlog::info("Signaling WebSocket disconnected");
    emit disconnected();
    if (m_reconnectAttempts < kMaxReconnectAttempts) {
        const int delay = std::min(kFirstReconnectDelayMs << std::min(m_reconnectAttempts, 5),
                                   kMaxReconnectDelayMs);
        spdlog::info("Reconnecting in {} ms (attempt {}/{})", delay, m_reconnectAttempts + 1,
                     kMaxReconnectAttempts);
        m_reconnectTimer.start(delay);
        return;
    }
    if (!m_closedByOwner) {
        m_closedByOwner = true; // one notice per give-up
        spdlog::warn("Signaling gave up after {} reconnect attempts", m_reconnectAttempts);
        emit gaveUp();
    }
}

void SignalingClient::onTextMessageReceived(const QString& text) {
    const std::string utf8 = text.toStdString();
    json message;
    try {
        message = json::parse(utf8);
    } catch (const json::exception& error) {
        spdlog::warn("Failed to parse signaling message: {}", error.what());
        return;
    }
    spdlog::debug("Signaling message: {}", compact(message));
    emit messageReceived(message);
    if (!message.is_object() || !message.contains("type") || !message["type"].is_string()) {
        return;
    }
    const std::string type = message["type"].get<std::string>();
    if (type == "AUTH_OK") {
        spdlog::info("Signaling auth confirmed");
        m_reconnectAttempts = 0;
        emit connected();
    } else if (type == "AUTH_FAIL") {
        spdlog::error("Signaling auth rejected by server — not reconnecting");
        m_reconnectAttempts = kMaxReconnectAttempts;
        m_socket.close(QWebSocketProtocol::CloseCodeNormal, QString());
        emit connectionError(QStringLiteral("Authentication rejected by server"));
    } else if (type == "SESSION_HANDSHAKE_REQUEST") {
        emit sessionHandshakeRequest(field(message, "session_id"),
                                     field(message, "master_client_id"), field(message, "purpose"));
    } else if (type == "SESSION_AUTO_ACCEPT") {
        const QString sessionId = field(message, "session_id");
        const QString masterId = field(message, "master_client_id");
        spdlog::info("Session auto-accepted: {} from {}", sessionId.toStdString(),
                     masterId.toStdString());
        emit sessionAutoAccept(sessionId, masterId, field(message, "master_ecdh_public_key"));
    } else if (type == "SESSION_HANDSHAKE_ACK") {
        const QString sessionId = field(message, "session_id");
        const QString state = field(message, "state");
        spdlog::info("Session handshake ACK: {} state={}", sessionId.toStdString(),
                     state.toStdString());
        emit sessionHandshakeAck(sessionId, state, field(message, "target_ecdh_public_key"));
    } else if (type == "ICE_OFFER") {
        emit iceOffer(field(message, "session_id"), field(message, "from_client_id"),
                      field(message, "sdp"));
    } else if (type == "ICE_ANSWER") {
        emit iceAnswer(field(message, "session_id"), field(message, "from_client_id"),
                       field(message, "sdp"));
    } else if (type == "ICE_CANDIDATE") {
        emit iceCandidate(field(message, "session_id"), field(message, "from_client_id"),
                          field(message, "candidate"), field(message, "mid"));
    }
}

void SignalingClient::onError(QAbstractSocket::SocketError error) {
    spdlog::error("WebSocket error ({}): {}", static_cast<int>(error),
                  m_socket.errorString().toStdString());
    emit connectionError(m_socket.errorString());
}

void SignalingClient::attemptReconnect() {
    m_reconnectTimer.stop();
    ++m_reconnectAttempts;
    spdlog::info("Attempting reconnect {}/{}", m_reconnectAttempts, kMaxReconnectAttempts);
    open();
}

} // namespace nimbral
