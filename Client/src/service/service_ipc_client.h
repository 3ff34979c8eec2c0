#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QDateTime>
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <nlohmann/json.hpp>

#include "codec/video_decoder.h"
#include "input/input_event.h"
#include "service/ipc_framing.h"
#include "service/shared_frame_buffer.h"
#include "session/connection_quality_monitor.h"
#include "session/session_manager.h"

namespace nimbral {

// The agent's end of the service connection: mirrors the service's authentication and session
// state, reads decoded frames out of the shared frame buffer, and re-emits everything as signals
// shaped like the core objects' own, so that a window can run on the service instead of a core
// of its own. Commands go back in the same framing. Main thread only.
class ServiceIpcClient : public QObject {
    Q_OBJECT

public:
    enum class Role : std::uint8_t { None = 0, Master = 1, Target = 2 };

    explicit ServiceIpcClient(QObject* parent = nullptr);
    ~ServiceIpcClient() override;

    // The shared frame buffer's name; the service's unless a test sets another.
    void setFrameBufferName(const std::string& name) { m_frameBufferName = name; }

    // Opens the connection (the platform's service endpoint unless a path is given); true once
    // connected, after `connected` was emitted.
    bool connectToService(const QString& endpoint = {}, int timeoutMs = 3000);
    void disconnectFromService();
    bool isConnected() const { return m_socket.state() == QLocalSocket::ConnectedState; }

    // Commands to the service.
    void sendCommand(const nlohmann::json& command);
    void connectToPartner(const QString& targetId, const QString& password);
    void endSession(const QString& reason = QStringLiteral("user_disconnect"));
    void sendInputEvent(const InputEvent& event);
    void sendChatMessage(const QString& text);
    void setSessionPassword(const QString& password);
    void requestState();
    void setMonitorIndex(int index);
    void setDisplayMode(int mode);
    void setClipboardSharing(bool enabled);

    QString clientId() const { return m_clientId; }
    QString sessionPassword() const { return m_sessionPassword; }
    QString pairingCode() const { return m_pairingCode; }
    SessionState state() const { return m_state; }
    Role role() const { return m_role; }
    QString peerClientId() const { return m_peerClientId; }
    // The service's own device key, and the current session's verification, as people read them.
    QString deviceFingerprint() const { return m_deviceFingerprint; }
    bool sessionVerified() const { return m_sessionVerified; }
    QString shortAuthenticationString() const { return m_shortAuthenticationString; }
    bool isAuthenticated() const { return m_authenticated; }
    std::uint64_t lastFrameId() const { return m_lastFrameId; }

    // One message as it would arrive; the read routine and tests call it.
    void handleMessage(const nlohmann::json& message);

signals:
    void authenticated(const QString& clientId);
    void authenticationFailed(const QString& error);
    void stateChanged(nimbral::SessionState newState);
    void frameDecoded(std::shared_ptr<nimbral::DecodedFrame> frame);
    void sessionError(const QString& error);
    void statsUpdated(const nimbral::ConnectionStats& stats);
    void chatMessageReceived(const QString& from, const QString& text, const QDateTime& timestamp);
    void pairingCodeChanged(const QString& code);
    void sessionPasswordChanged(const QString& password);
    void connected();
    void disconnected();
    // The service asks for this desktop's screen or input ("SCREEN_START", "SCREEN_STOP",
    // "SCREEN_INPUT"): see AgentScreenSharer.
    void screenRequest(const nlohmann::json& message);

private:
    void onReadyRead();
    void handleAuthStatus(const nlohmann::json& message);
    void handleState(const nlohmann::json& message);
    void handleFrame(const nlohmann::json& message);

    QLocalSocket m_socket;
    IpcMessageReader m_reader{IpcMessageReader::kAgentLimit};
    SharedFrameBuffer m_frames;
    std::string m_frameBufferName = SharedFrameBuffer::kDefaultName;
    QString m_clientId;
    QString m_sessionPassword;
    QString m_pairingCode;
    QString m_peerClientId;
    QString m_deviceFingerprint;
    bool m_sessionVerified = false;
    QString m_shortAuthenticationString;
    SessionState m_state = SessionState::Idle;
    Role m_role = Role::None;
    bool m_authenticated = false;
    bool m_wasConnected = false;
    std::uint64_t m_lastFrameId = 0;
};

} // namespace nimbral
