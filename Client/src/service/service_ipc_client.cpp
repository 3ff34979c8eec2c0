#include "service/service_ipc_client.h"

#include <algorithm>

#include <spdlog/spdlog.h>

#include "common/main_thread.h"
#include "platform/service_endpoint.h"

namespace nimbral {

namespace {

using nlohmann::json;

QString textOf(const json& message, const char* name, const char* fallback = "") {
    return QString::fromStdString(textMember(message, name, fallback));
}

std::uint64_t unsignedOf(const json& message, const char* name) {
    return static_cast<std::uint64_t>(std::max<std::int64_t>(0, integerMember(message, name)));
}

SessionState stateFromName(const std::string& name) {
    static const std::pair<const char*, SessionState> states[] = {
        {"Idle", SessionState::Idle},
        {"Initiating", SessionState::Initiating},
        {"Handshaking", SessionState::Handshaking},
        {"Connecting", SessionState::Connecting},
        {"Connected", SessionState::Connected},
        {"Closing", SessionState::Closing},
        {"Failed", SessionState::Failed}};
    for (const auto& [text, state] : states) {
        if (name == text) {
            return state;
        }
    }
    return SessionState::Idle;
}

} // namespace

ServiceIpcClient::ServiceIpcClient(QObject* parent)
    : QObject(parent) {
    connect(&m_socket, &QLocalSocket::readyRead, this, &ServiceIpcClient::onReadyRead);
    connect(&m_socket, &QLocalSocket::disconnected, this, [this] {
        if (m_wasConnected) {
            spdlog::warn("ServiceIpcClient: pipe broken, disconnecting");
            disconnectFromService();
        }
    });
}

ServiceIpcClient::~ServiceIpcClient() {
    m_socket.disconnect(this);
    m_socket.abort();
}

bool ServiceIpcClient::connectToService(const QString& endpoint, int timeoutMs) {
    disconnectFromService();
    const QString path = endpoint.isEmpty() ? platform::serviceEndpoint() : endpoint;
    m_socket.connectToServer(path);
    if (!m_socket.waitForConnected(timeoutMs)) {
        spdlog::debug("ServiceIpcClient: no service at {} ({})", path.toStdString(),
                      m_socket.errorString().toStdString());
        m_socket.abort();
        return false;
    }
    m_wasConnected = true;
    spdlog::info("ServiceIpcClient: connected to the service at {}",
                 m_socket.serverName().toStdString());
    emit connected();
    // What arrived with the connection is handled now, not at the next turn of the loop.
    if (m_socket.bytesAvailable() > 0) {
        onReadyRead();
    }
    return true;
}

void ServiceIpcClient::disconnectFromService() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_frames.close();
    const bool wasConnected = m_wasConnected;
    m_wasConnected = false;
    m_socket.abort();
    if (wasConnected) {
        spdlog::info("ServiceIpcClient: disconnected from service pipe");
        emit disconnected();
    }
    m_reader.reset();
    m_state = SessionState::Idle;
    m_role = Role::None;
    m_peerClientId.clear();
    m_authenticated = false;
    m_lastFrameId = 0;
}

void ServiceIpcClient::onReadyRead() {
    const QByteArray bytes = m_socket.readAll();
    IpcMessageReader::Result result = m_reader.append(bytes.constData(), bytes.size());
    for (const std::string& error : result.parseErrors) {
        spdlog::error("ServiceIpcClient: JSON parse error: {}", error);
    }
    for (const json& message : result.messages) {
        if (!m_wasConnected) {
            return;
        }
        handleMessage(message);
    }
    if (result.tooLarge) {
        spdlog::error("ServiceIpcClient: message length {} exceeds 64 MB limit, disconnecting",
                      result.refusedLength);
        disconnectFromService();
    }
}

void ServiceIpcClient::handleMessage(const json& message) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (!message.is_object() || !message.contains("type") || !message["type"].is_string()) {
        spdlog::warn("ServiceIpcClient: message missing 'type' field");
        return;
    }
    const std::string type = message["type"].get<std::string>();
    if (type == "AUTH_STATUS") {
        handleAuthStatus(message);
    } else if (type == "STATE") {
        handleState(message);
    } else if (type == "FRAME") {
        handleFrame(message);
    } else if (type == "STATS") {
        ConnectionStats stats;
        stats.fps = numberMember(message, "fps");
        stats.latencyMs = numberMember(message, "latency_ms");
        stats.bandwidthKbps = numberMember(message, "bandwidth_kbps");
        stats.totalBytesSent = static_cast<std::int64_t>(unsignedOf(message, "total_bytes_sent"));
        stats.totalBytesReceived =
            static_cast<std::int64_t>(unsignedOf(message, "total_bytes_received"));
        stats.droppedFrames = static_cast<std::int64_t>(unsignedOf(message, "dropped_frames"));
        stats.uptimeSeconds = static_cast<std::int64_t>(unsignedOf(message, "uptime_seconds"));
        emit statsUpdated(stats);
    } else if (type == "CHAT_MSG") {
        QDateTime time = QDateTime::fromString(textOf(message, "timestamp"), Qt::ISODateWithMs);
        if (!time.isValid()) {
            time = QDateTime::currentDateTimeUtc();
        }
        emit chatMessageReceived(textOf(message, "from"), textOf(message, "text"), time);
    } else if (type == "ERROR") {
        const QString error = textOf(message, "message", "Unknown error");
        spdlog::error("ServiceIpcClient: service error: {}", error.toStdString());
        emit sessionError(error);
    } else if (type.rfind("SCREEN_", 0) == 0) {
        emit screenRequest(message);
    } else {
        spdlog::debug("ServiceIpcClient: unhandled message type '{}'", type);
    }
}

void ServiceIpcClient::handleAuthStatus(const json& message) {
    const auto success = message.find("success");
    if (success != message.end() && success->is_boolean() && success->get<bool>()) {
        m_authenticated = true;
        m_clientId = textOf(message, "client_id");
        m_sessionPassword = textOf(message, "session_password");
        spdlog::info("ServiceIpcClient: authenticated as {}", m_clientId.toStdString());
        emit authenticated(m_clientId);
    } else {
        m_authenticated = false;
        const QString error = textOf(message, "error", "Unknown authentication error");
        spdlog::error("ServiceIpcClient: authentication failed: {}", error.toStdString());
        emit authenticationFailed(error);
    }
}

// Role, partner and credentials first: a window reacting to the state reads them.
void ServiceIpcClient::handleState(const json& message) {
    if (message.contains("role")) {
        const QString role = textOf(message, "role");
        m_role = role == QLatin1String("Master")   ? Role::Master
                 : role == QLatin1String("Target") ? Role::Target
                                                   : Role::None;
    }
    if (message.contains("remote_client_id")) {
        m_peerClientId = textOf(message, "remote_client_id");
    }
    if (message.contains("device_fingerprint")) {
        m_deviceFingerprint = textOf(message, "device_fingerprint");
    }
    if (message.contains("short_authentication_string")) {
        m_shortAuthenticationString = textOf(message, "short_authentication_string");
    }
    const auto verified = message.find("session_verified");
    if (verified != message.end()) {
        m_sessionVerified = verified->is_boolean() && verified->get<bool>();
    }
    if (message.contains("session_password")) {
        const QString password = textOf(message, "session_password");
        if (password != m_sessionPassword) {
            m_sessionPassword = password;
            emit sessionPasswordChanged(password);
        }
    }
    if (message.contains("client_id")) {
        const QString id = textOf(message, "client_id");
        if (!id.isEmpty() && id != m_clientId) {
            m_clientId = id;
            m_authenticated = true;
            emit authenticated(id);
        }
    }
    if (message.contains("pairing_code")) {
        const QString code = textOf(message, "pairing_code");
        if (code != m_pairingCode) {
            m_pairingCode = code;
            emit pairingCodeChanged(code);
        }
    }
    if (message.contains("session_state")) {
        const SessionState next = stateFromName(textOf(message, "session_state").toStdString());
        if (next != m_state) {
            m_state = next;
            emit stateChanged(next);
        }
    }
}

void ServiceIpcClient::handleFrame(const json& message) {
    const std::uint64_t frameId = unsignedOf(message, "frame_id");
    if (frameId <= m_lastFrameId) {
        return; // not newer: the section is not even looked at
    }
    m_lastFrameId = frameId;
    if (unsignedOf(message, "width") < 1 || unsignedOf(message, "height") < 1) {
        spdlog::warn("ServiceIpcClient: FRAME with invalid dimensions {}x{}",
                     unsignedOf(message, "width"), unsignedOf(message, "height"));
        return;
    }
    if (!m_frames.isOpen()) {
        if (!m_frames.openForReading(m_frameBufferName)) {
            return;
        }
        spdlog::info("ServiceIpcClient: opened shared frame buffer '{}'", m_frameBufferName);
    }
    // The section's own header and frame ID are the truth: the notice may already be older than
    // the frame in it, and a frame overwritten while it was copied is dropped, never shown torn.
    SharedFrameBuffer::Frame read;
    const auto status = m_frames.readFrame(frameId - 1, read);
    if (status != SharedFrameBuffer::ReadStatus::Ok) {
        spdlog::debug("ServiceIpcClient: frame {} not taken ({})", frameId,
                      static_cast<int>(status));
        return;
    }
    m_lastFrameId = std::max(m_lastFrameId, read.frameId);
    auto frame = std::make_shared<DecodedFrame>();
    frame->width = static_cast<std::int32_t>(read.width);
    frame->height = static_cast<std::int32_t>(read.height);
    frame->yStride = static_cast<std::int32_t>(read.yStride);
    frame->uvStride = static_cast<std::int32_t>(read.uvStride);
    frame->timestamp = static_cast<std::int64_t>(unsignedOf(message, "timestamp_ms"));
    frame->yPlane = std::move(read.yPlane);
    frame->uvPlane = std::move(read.uvPlane);
    emit frameDecoded(std::move(frame));
}

void ServiceIpcClient::sendCommand(const json& command) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (!isConnected()) {
        return;
    }
    m_socket.write(QByteArray::fromStdString(encodeIpcMessage(command)));
    m_socket.flush();
}

void ServiceIpcClient::connectToPartner(const QString& targetId, const QString& password) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    sendCommand({{"type", "CONNECT"},
                 {"target_id", targetId.toStdString()},
                 {"password", password.toStdString()}});
}

void ServiceIpcClient::endSession(const QString& reason) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    sendCommand({{"type", "DISCONNECT"}, {"reason", reason.toStdString()}});
}

void ServiceIpcClient::sendInputEvent(const InputEvent& event) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    sendCommand({{"type", "INPUT"}, {"event", inputEventToJson(event)}});
}

void ServiceIpcClient::sendChatMessage(const QString& text) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    sendCommand({{"type", "CHAT_SEND"}, {"text", text.toStdString()}});
}

void ServiceIpcClient::setSessionPassword(const QString& password) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    sendCommand({{"type", "SET_PASSWORD"}, {"password", password.toStdString()}});
}

void ServiceIpcClient::requestState() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    sendCommand({{"type", "GET_STATE"}});
}

void ServiceIpcClient::setMonitorIndex(int index) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    sendCommand({{"type", "SET_MONITOR"}, {"monitor_index", index}});
}

void ServiceIpcClient::setDisplayMode(int mode) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    sendCommand({{"type", "SET_DISPLAY_MODE"}, {"mode", mode}});
}

void ServiceIpcClient::setClipboardSharing(bool enabled) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    sendCommand({{"type", "SET_CLIPBOARD_SHARING"}, {"enabled", enabled}});
}

} // namespace nimbral
