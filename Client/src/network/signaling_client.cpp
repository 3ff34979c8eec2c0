#include "network/signaling_client.h"

#include <map>
#include <string>
#include <vector>

#include <QSignalBlocker>

#include <spdlog/spdlog.h>

#include "common/main_thread.h"

namespace nimbral {

namespace {

using json = nlohmann::json;

// The fields each incoming type is acted on with. A missing (or null) field reads as empty; one
// of another JSON type makes the whole message unreadable.
const std::vector<const char*>* fieldsOf(const std::string& type) {
    static const std::map<std::string, std::vector<const char*>> table = {
        {"AUTH_OK", {}},
        {"AUTH_FAIL", {}},
        {"SESSION_HANDSHAKE_REQUEST", {"session_id", "master_client_id", "purpose"}},
        {"SESSION_AUTO_ACCEPT",
         {"session_id", "master_client_id", "master_ecdh_public_key", "relay_token"}},
        {"SESSION_HANDSHAKE_ACK",
         {"session_id", "state", "target_ecdh_public_key", "pake_share_password",
          "pake_confirm_password", "pake_share_code", "pake_confirm_code", "device_key",
          "device_signature"}},
        {"SESSION_PAKE_REQUEST",
         {"session_id", "master_client_id", "master_ecdh_public_key", "relay_token",
          "pake_share_password", "pake_share_code"}},
        {"PAKE_CONFIRM",
         {"session_id", "from_client_id", "secret", "confirmation", "device_key",
          "device_signature"}},
        {"PAKE_APPROVED", {"session_id", "from_client_id"}},
        {"SESSION_CLOSED", {"session_id", "reason"}},
        {"ICE_OFFER", {"session_id", "from_client_id", "sdp"}},
        {"ICE_ANSWER", {"session_id", "from_client_id", "sdp"}},
        {"ICE_CANDIDATE", {"session_id", "from_client_id", "candidate", "mid"}},
    };
    const auto it = table.find(type);
    return it == table.end() ? nullptr : &it->second;
}

// The message's type and the fields that type is acted on with; an error text when a field
// (the type included) is not a string.
struct IncomingMessage {
    std::string type;
    std::map<std::string, QString> fields;
    std::string error;

    QString operator[](const char* name) const {
        const auto it = fields.find(name);
        return it == fields.end() ? QString() : it->second;
    }
    // The named fields that are present and not empty, as a JSON object.
    json object(std::initializer_list<const char*> names) const {
        json out = json::object();
        for (const char* name : names) {
            if (const QString value = (*this)[name]; !value.isEmpty()) {
                out[name] = value.toStdString();
            }
        }
        return out;
    }
};

IncomingMessage readIncoming(const json& message) {
    IncomingMessage incoming;
    if (!message.is_object()) {
        incoming.error = "message is not a JSON object";
        return incoming;
    }
    const auto type = message.find("type");
    if (type == message.end()) {
        return incoming;
    }
    if (!type->is_string()) {
        incoming.error = "field 'type' is not a string";
        return incoming;
    }
    incoming.type = type->get<std::string>();
    const auto* names = fieldsOf(incoming.type);
    if (names == nullptr) {
        return incoming;
    }
    for (const char* name : *names) {
        const auto it = message.find(name);
        if (it == message.end() || it->is_null()) {
            continue;
        }
        if (!it->is_string()) {
            incoming.error =
                std::string("field '") + name + "' of " + incoming.type + " is not a string";
            return incoming;
        }
        incoming.fields[name] = QString::fromStdString(it->get<std::string>());
    }
    return incoming;
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
    NIMBRAL_ASSERT_MAIN_THREAD();
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
    NIMBRAL_ASSERT_MAIN_THREAD();
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
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_reconnectTimer.stop();
    m_reconnectAttempts = kMaxReconnectAttempts;
    m_closedByOwner = true;
    m_socket.close(QWebSocketProtocol::CloseCodeNormal, QString());
}

void SignalingClient::onConnected() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::info("Signaling WebSocket connected, sending auth");
    m_socket.sendTextMessage(
        QString::fromStdString(compact(json{{"type", "AUTH"}, {"token", m_token.toStdString()}})));
}

void SignalingClient::onDisconnected() {
    NIMBRAL_ASSERT_MAIN_THREAD();
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
    NIMBRAL_ASSERT_MAIN_THREAD();
    const std::string utf8 = text.toStdString();
    json message;
    try {
        message = json::parse(utf8);
    } catch (const json::exception& error) {
        spdlog::warn("Failed to parse signaling message: {}", error.what());
        return;
    }
    const IncomingMessage incoming = readIncoming(message);
    if (!incoming.error.empty()) {
        spdlog::warn("Failed to parse signaling message: {}", incoming.error);
        return;
    }
    spdlog::debug("Signaling message: {}", compact(message));
    emit messageReceived(message);
    const std::string& type = incoming.type;
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
        emit sessionHandshakeRequest(incoming["session_id"], incoming["master_client_id"],
                                     incoming["purpose"]);
    } else if (type == "SESSION_AUTO_ACCEPT") {
        const QString sessionId = incoming["session_id"];
        const QString masterId = incoming["master_client_id"];
        spdlog::info("Session auto-accepted: {} from {}", sessionId.toStdString(),
                     masterId.toStdString());
        emit sessionAutoAccept(sessionId, masterId, incoming["master_ecdh_public_key"],
                               incoming["relay_token"]);
    } else if (type == "SESSION_HANDSHAKE_ACK") {
        const QString sessionId = incoming["session_id"];
        const QString state = incoming["state"];
        spdlog::info("Session handshake ACK: {} state={}", sessionId.toStdString(),
                     state.toStdString());
        emit sessionHandshakeAck(
            sessionId, state, incoming["target_ecdh_public_key"],
            incoming.object({"pake_share_password", "pake_confirm_password", "pake_share_code",
                             "pake_confirm_code", "device_key", "device_signature"}));
    } else if (type == "SESSION_PAKE_REQUEST") {
        spdlog::info("Session request with a password exchange: {} from {}",
                     incoming["session_id"].toStdString(),
                     incoming["master_client_id"].toStdString());
        emit sessionExchangeRequest(incoming["session_id"], incoming["master_client_id"],
                                    incoming["master_ecdh_public_key"], incoming["relay_token"],
                                    incoming["pake_share_password"], incoming["pake_share_code"]);
    } else if (type == "PAKE_CONFIRM") {
        emit exchangeConfirmation(incoming["session_id"], incoming["from_client_id"],
                                  incoming["secret"], incoming["confirmation"],
                                  incoming.object({"device_key", "device_signature"}));
    } else if (type == "PAKE_APPROVED") {
        emit sessionApproved(incoming["session_id"], incoming["from_client_id"]);
    } else if (type == "SESSION_CLOSED") {
        emit sessionClosed(incoming["session_id"], incoming["reason"]);
    } else if (type == "ICE_OFFER") {
        emit iceOffer(incoming["session_id"], incoming["from_client_id"], incoming["sdp"]);
    } else if (type == "ICE_ANSWER") {
        emit iceAnswer(incoming["session_id"], incoming["from_client_id"], incoming["sdp"]);
    } else if (type == "ICE_CANDIDATE") {
        emit iceCandidate(incoming["session_id"], incoming["from_client_id"], incoming["candidate"],
                          incoming["mid"]);
    }
}

void SignalingClient::onError(QAbstractSocket::SocketError error) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::error("WebSocket error ({}): {}", static_cast<int>(error),
                  m_socket.errorString().toStdString());
    emit connectionError(m_socket.errorString());
}

void SignalingClient::attemptReconnect() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_reconnectTimer.stop();
    ++m_reconnectAttempts;
    spdlog::info("Attempting reconnect {}/{}", m_reconnectAttempts, kMaxReconnectAttempts);
    open();
}

} // namespace nimbral
