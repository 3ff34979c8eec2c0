#include "service/service_ipc_server.h"

#include <cstring>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <spdlog/spdlog.h>

#include "common/main_thread.h"
#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "platform/service_endpoint.h"
#include "session/chat_service.h"

namespace nimbral {

namespace {

using nlohmann::json;

QString qtext(const std::string& text) {
    return QString::fromStdString(text);
}

const char* roleName(SessionRole role) {
    switch (role) {
    case SessionRole::Master:
        return "Master";
    case SessionRole::Target:
        return "Target";
    case SessionRole::None:
        break;
    }
    return "None";
}

} // namespace

ServiceIpcServer::ServiceIpcServer(AuthController& auth, SessionManager& session,
                                   SettingsController& settings, QObject* parent)
    : QObject(parent)
    , m_auth(auth)
    , m_session(session)
    , m_settings(settings)
    , m_endpoint(platform::serviceEndpoint())
    , m_peerCheck(
          [](platform::LocalUserId user) { return user == 0 || user == platform::currentUser(); }) {
    connect(&m_auth, &AuthController::authenticated, this, [this] {
        sendAuthStatus(true);
        sendState();
    });
    connect(&m_auth, &AuthController::authenticationFailed, this,
            [this](const QString& error) { sendAuthStatus(false, error); });
    connect(&m_auth, &AuthController::pairingCodeChanged, this, &ServiceIpcServer::sendState);
    connect(&m_session, &SessionManager::stateChanged, this, &ServiceIpcServer::onStateChanged);
    connect(&m_session, &SessionManager::frameDecoded, this, &ServiceIpcServer::onFrameDecoded);
    connect(&m_session, &SessionManager::trafficCounted, this,
            [this](qint64 sent, qint64 received) {
                m_monitor.recordBytesSent(sent);
                m_monitor.recordBytesReceived(received);
            });
    connect(&m_session, &SessionManager::videoFrameSent, this, [this] { m_monitor.recordFrame(); });
    connect(&m_monitor, &ConnectionQualityMonitor::statsUpdated, this,
            &ServiceIpcServer::sendStats);
}

ServiceIpcServer::~ServiceIpcServer() {
    stop();
}

bool ServiceIpcServer::isListening() const {
    return m_server && m_server->isListening();
}

bool ServiceIpcServer::start() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (!m_frames.isOpen()) {
        renewFrameBuffer(std::nullopt);
    }
    // The socket's folder belongs to the service; agents reach the socket, nobody replaces it.
    const QFileInfo where(m_endpoint);
    if (!where.isAbsolute()) {
        spdlog::error("ServiceIpcServer: the endpoint must be an absolute path, got '{}'",
                      m_endpoint.toStdString());
        return false;
    }
    QDir().mkpath(where.path());
    QFile::setPermissions(where.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                            QFile::ExeOther);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::WorldAccessOption);
    QLocalServer::removeServer(m_endpoint);
    if (!m_server->listen(m_endpoint)) {
        spdlog::error("ServiceIpcServer: cannot listen on {}: {}", m_endpoint.toStdString(),
                      m_server->errorString().toStdString());
        m_server.reset();
        return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &ServiceIpcServer::onNewConnection);
    spdlog::info("ServiceIpcServer started, listening on {}", m_endpoint.toStdString());
    return true;
}

void ServiceIpcServer::stop() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (!m_server) {
        return;
    }
    const std::unique_ptr<QLocalServer> server = std::move(m_server);
    disconnectAgent();
    server->close();
    m_frames.close();
    m_monitor.stop();
    spdlog::info("ServiceIpcServer stopped");
}

void ServiceIpcServer::renewFrameBuffer(std::optional<platform::LocalUserId> reader) {
    // Only an administrator can hand the section to another account; otherwise the agent is
    // this account and reads what this account owns.
    if (!platform::runsAsAdministrator()) {
        reader.reset();
    }
    if (!m_frames.create(m_frameBufferName, SharedFrameBuffer::kDefaultSize, reader)) {
        spdlog::error("ServiceIpcServer: no shared frame buffer; frames will not reach the agent");
    }
}

void ServiceIpcServer::recheckAgent() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (m_agent == nullptr || m_peerCheck(m_agentUser)) {
        return;
    }
    spdlog::warn("IPC: user {} no longer owns the shared desktop; dropping its agent", m_agentUser);
    disconnectAgent();
}

void ServiceIpcServer::onNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        const std::optional<platform::LocalPeer> peer =
            platform::localSocketPeer(socket->socketDescriptor());
        if (!peer || !m_peerCheck(peer->user)) {
            spdlog::warn("IPC: refused a connection from user {} (pid {}): neither root nor the "
                         "owner of the shared desktop",
                         peer ? static_cast<long long>(peer->user) : -1LL,
                         peer ? static_cast<long long>(peer->process) : -1LL);
            socket->abort();
            socket->deleteLater();
            if (peer) {
                emit agentRefused(peer->user);
            }
            continue;
        }
        if (m_agent != nullptr) {
            // One agent at a time, as with the single pipe instance: a second one (or the
            // client's start-up probe) finds the line taken.
            spdlog::info("IPC: another agent is connected; closing the new connection");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_agent = socket;
        m_agentUser = peer->user;
        m_agentProcess = peer->process;
        m_reader.reset();
        connect(socket, &QLocalSocket::readyRead, this, &ServiceIpcServer::onReadyRead);
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            if (m_agent == socket) {
                disconnectAgent();
            }
        });
        renewFrameBuffer(m_agentUser);
        spdlog::info("Agent connected (user {}, pid {})", peer->user, peer->process);
        emit agentConnected();
        sendAuthStatus(m_auth.isAuthenticated());
        sendState();
    }
}

std::optional<platform::LocalPeer> ServiceIpcServer::agentPeer() const {
    if (m_agent == nullptr) {
        return std::nullopt;
    }
    return platform::LocalPeer{m_agentUser, m_agentProcess};
}

void ServiceIpcServer::disconnectAgent() {
    if (m_agent == nullptr) {
        return;
    }
    QLocalSocket* socket = m_agent;
    m_agent = nullptr;
    m_reader.reset();
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    // The next agent may be someone else: the mapping this one holds gets no later frame.
    if (m_server) {
        renewFrameBuffer(std::nullopt);
    }
    spdlog::info("Agent disconnected");
    emit agentDisconnected();
}

void ServiceIpcServer::onReadyRead() {
    if (m_agent == nullptr) {
        return;
    }
    const QByteArray bytes = m_agent->readAll();
    IpcMessageReader::Result result = m_reader.append(bytes.constData(), bytes.size());
    for (const std::string& error : result.parseErrors) {
        spdlog::warn("IPC JSON parse error: {}", error);
    }
    for (const json& command : result.messages) {
        if (m_agent == nullptr) {
            return; // a command ended the connection
        }
        if (!command.is_object() || !command.contains("type") || !command["type"].is_string()) {
            spdlog::warn("IPC command missing 'type' field");
            continue;
        }
        handleCommand(command);
        emit commandReceived(command);
    }
    if (result.tooLarge) {
        spdlog::error("IPC message too large ({}), disconnecting agent", result.refusedLength);
        disconnectAgent();
    }
}

void ServiceIpcServer::handleCommand(const json& command) {
    const std::string type = command["type"].get<std::string>();
    if (type == "CONNECT") {
        const std::string target = textMember(command, "target_id");
        if (target.empty()) {
            spdlog::warn("CONNECT command missing target_id");
            sendMessage({{"type", "ERROR"}, {"message", "Missing target_id"}});
            return;
        }
        spdlog::info("IPC CONNECT -> target={}", target);
        m_session.initiateSession(qtext(target), qtext(textMember(command, "password")));
    } else if (type == "DISCONNECT") {
        const std::string reason = textMember(command, "reason", "user_disconnect");
        spdlog::info("IPC DISCONNECT (reason={})", reason);
        m_session.endSession(qtext(reason));
    } else if (type == "INPUT") {
        const auto event = command.find("event");
        if (event != command.end() && event->is_object()) {
            m_session.sendInputEvent(inputEventFromJson(*event));
        }
    } else if (type == "CHAT_SEND") {
        const std::string text = textMember(command, "text");
        if (!text.empty() && m_session.chatService() != nullptr) {
            m_session.chatService()->sendMessage(qtext(text));
        }
    } else if (type == "SET_PASSWORD") {
        const QString password = qtext(textMember(command, "password"));
        // The same policy as every other change of the password.
        const QString refusal = AuthController::validatePassword(password);
        if (!refusal.isEmpty()) {
            spdlog::warn("IPC: session password from the agent refused: {}", refusal.toStdString());
            sendMessage({{"type", "ERROR"}, {"message", refusal.toStdString()}});
            return;
        }
        m_auth.setSessionPassword(password);
        spdlog::info("IPC: session password updated by agent");
        sendState();
    } else if (type == "GET_STATE") {
        sendState();
    } else if (type == "SET_MONITOR") {
        const auto index = static_cast<int>(integerMember(command, "monitor_index", 0));
        m_settings.setMonitorIndex(index);
        m_session.setMonitorIndex(index);
    } else if (type == "SET_DISPLAY_MODE") {
        m_settings.setDisplayMode(static_cast<int>(integerMember(command, "mode", 0)));
        m_session.setCaptureFrameRate(m_settings.targetFps());
        m_session.setEncoderQuality(m_settings.encoderCqLevel(), m_settings.encoderPreset());
    } else if (type == "SET_CLIPBOARD_SHARING") {
        const bool enabled = flagMember(command, "enabled", true);
        m_settings.setClipboardSharing(enabled);
        m_session.setClipboardSharingEnabled(enabled);
    } else if (type == "SCREEN_OFFER") {
        // Taken by the AgentScreen listening to commandReceived.
    } else {
        spdlog::warn("IPC: unknown command type '{}'", type);
        sendMessage({{"type", "ERROR"}, {"message", "Unknown command: " + type}});
    }
}

void ServiceIpcServer::sendMessage(const json& message) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (m_agent == nullptr) {
        return;
    }
    if (m_agent->bytesToWrite() > kMaxUnsentBytes) {
        spdlog::warn("IPC: the agent has not read {} bytes; disconnecting it",
                     m_agent->bytesToWrite());
        disconnectAgent();
        return;
    }
    m_agent->write(QByteArray::fromStdString(encodeIpcMessage(message)));
    m_agent->flush();
}

json ServiceIpcServer::stateMessage() const {
    const SessionRole role = m_session.role();
    std::string sessionRole = "none";
    if (role == SessionRole::Master) {
        sessionRole = "master";
    } else if (role == SessionRole::Target) {
        sessionRole = "target";
    }
    return {{"type", "STATE"},
            {"authenticated", m_auth.isAuthenticated()},
            {"client_id", m_settings.clientId().toStdString()},
            {"session_password", m_auth.sessionPassword().toStdString()},
            {"pairing_code", m_auth.pairingCode().toStdString()},
            {"session_state", sessionStateName(m_session.state())},
            {"session_id", m_session.sessionId().toStdString()},
            {"remote_client_id", m_session.peerClientId().toStdString()},
            {"transport_method", m_session.connectionMethod().toStdString()},
            {"session_role", sessionRole},
            {"role", roleName(role)},
            {"clipboard_sharing", m_settings.clipboardSharing()},
            {"display_mode", m_settings.displayMode()},
            {"capture_monitor", m_settings.monitorIndex()},
            {"device_fingerprint", m_session.ownFingerprint().toStdString()},
            {"session_verified", m_session.sessionVerified()},
            {"short_authentication_string", m_session.shortAuthenticationString().toStdString()}};
}

void ServiceIpcServer::sendState() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    sendMessage(stateMessage());
}

void ServiceIpcServer::sendAuthStatus(bool success, const QString& error) {
    json message = {{"type", "AUTH_STATUS"}, {"success", success}};
    if (success) {
        message["client_id"] = m_settings.clientId().toStdString();
        message["session_password"] = m_auth.sessionPassword().toStdString();
    } else {
        message["error"] = error.isEmpty() ? std::string("Not authenticated") : error.toStdString();
    }
    sendMessage(message);
}

void ServiceIpcServer::onStateChanged(SessionState state) {
    sendState();
    if (state == SessionState::Connected) {
        m_monitor.start();
    } else if (state == SessionState::Idle || state == SessionState::Failed) {
        m_monitor.stop();
    }
    // A new session brings a new chat service.
    disconnect(m_chatConnection);
    if (ChatService* chat = m_session.chatService()) {
        m_chatConnection = connect(
            chat, &ChatService::messageReceived, this,
            [this](const QString& text, const QDateTime& timestamp) {
                sendMessage(
                    {{"type", "CHAT_MSG"},
                     {"from", m_session.peerClientId().toStdString()},
                     {"text", text.toStdString()},
                     {"timestamp", timestamp.toUTC().toString(Qt::ISODateWithMs).toStdString()}});
            });
    }
}

void ServiceIpcServer::onFrameDecoded(std::shared_ptr<DecodedFrame> frame) {
    if (!frame || frame->width <= 0 || frame->height <= 0 || !m_frames.isOpen()) {
        return;
    }
    m_monitor.recordFrame();
    // Luma rows, then chroma rows rounded up: an odd height keeps its last chroma row.
    const auto height = static_cast<std::size_t>(frame->height);
    const std::size_t luma = static_cast<std::size_t>(frame->yStride) * height;
    const std::size_t chroma = static_cast<std::size_t>(frame->uvStride) * ((height + 1) / 2);
    m_packed.assign(luma + chroma, 0);
    std::memcpy(m_packed.data(), frame->yPlane.data(), std::min(luma, frame->yPlane.size()));
    std::memcpy(m_packed.data() + luma, frame->uvPlane.data(),
                std::min(chroma, frame->uvPlane.size()));
    m_frames.writeFrame(
        static_cast<std::uint32_t>(frame->width), static_cast<std::uint32_t>(frame->height),
        static_cast<std::uint32_t>(frame->yStride), static_cast<std::uint32_t>(frame->uvStride),
        m_packed.data(), m_packed.size());
    if (m_agent != nullptr) {
        sendMessage({{"type", "FRAME"},
                     {"frame_id", m_frames.frameId()},
                     {"width", frame->width},
                     {"height", frame->height},
                     {"y_stride", frame->yStride},
                     {"uv_stride", frame->uvStride},
                     {"offset", SharedFrameBuffer::kHeaderSize},
                     {"timestamp_ms", frame->timestamp}});
    }
}

void ServiceIpcServer::sendStats(const ConnectionStats& stats) {
    sendMessage({{"type", "STATS"},
                 {"fps", stats.fps},
                 {"latency_ms", stats.latencyMs},
                 {"bandwidth_kbps", stats.bandwidthKbps},
                 {"total_bytes_sent", stats.totalBytesSent},
                 {"total_bytes_received", stats.totalBytesReceived},
                 {"dropped_frames", stats.droppedFrames},
                 {"uptime_seconds", stats.uptimeSeconds}});
}

} // namespace nimbral
