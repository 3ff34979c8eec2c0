#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QByteArray>
#include <QLocalSocket>
#include <QObject>
#include <QPointer>
#include <QString>
#include <nlohmann/json.hpp>

#include "codec/video_decoder.h"
#include "platform/local_peer.h"
#include "service/ipc_framing.h"
#include "service/shared_frame_buffer.h"
#include "session/connection_quality_monitor.h"
#include "session/session_manager.h"

class QLocalServer;

namespace nimbral {

class AuthController;
class SettingsController;

// The service's end of the agent connection: a local socket at an absolute path, one agent at a
// time, carrying length-prefixed JSON both ways. Commands from the agent drive the core objects;
// state, authentication, chat, statistics and frame notices go back. Decoded frames themselves
// travel through the shared frame buffer, readable only by the agent's user. Borrows the core
// objects; main thread only.
class ServiceIpcServer : public QObject {
    Q_OBJECT

public:
    // An agent that stops reading is not allowed to grow the service without bound.
    static constexpr qint64 kMaxUnsentBytes = 4 * 1024 * 1024;

    // Whether a local user may command the service. The service allows root, its own account
    // and the owner of the graphical session in front, whose screen it shares.
    using PeerCheck = std::function<bool(platform::LocalUserId user)>;

    ServiceIpcServer(AuthController& auth, SessionManager& session, SettingsController& settings,
                     QObject* parent = nullptr);
    ~ServiceIpcServer() override;

    // Before start(): where to listen (the platform's service endpoint unless set) and which
    // shared-memory name to write frames to.
    void setEndpoint(const QString& path) { m_endpoint = path; }
    void setFrameBufferName(const std::string& name) { m_frameBufferName = name; }
    void setPeerCheck(PeerCheck check) { m_peerCheck = std::move(check); }

    bool start();
    void stop();
    // Asks the peer check again about the connected agent (the log-ins changed): an agent that
    // no longer passes is dropped.
    void recheckAgent();
    bool isListening() const;
    bool isAgentConnected() const { return m_agent != nullptr; }
    // Who the connected agent is, as the system said when it connected.
    std::optional<platform::LocalPeer> agentPeer() const;
    QString endpoint() const { return m_endpoint; }

    // Frames and writes one message to the agent; nothing without one.
    void sendMessage(const nlohmann::json& message);
    void sendState();
    void sendAuthStatus(bool success, const QString& error = {});

    nlohmann::json stateMessage() const;

signals:
    void agentConnected();
    void agentDisconnected();
    void agentRefused(platform::LocalUserId user);
    void commandReceived(const nlohmann::json& command);

private:
    void onNewConnection();
    void onReadyRead();
    void disconnectAgent();
    // A fresh frame buffer for each agent: whoever mapped an earlier one sees no later frame.
    void renewFrameBuffer(std::optional<platform::LocalUserId> reader);
    void handleCommand(const nlohmann::json& command);
    void onStateChanged(SessionState state);
    void onFrameDecoded(std::shared_ptr<DecodedFrame> frame);
    void sendStats(const ConnectionStats& stats);

    AuthController& m_auth;
    SessionManager& m_session;
    SettingsController& m_settings;
    QString m_endpoint;
    std::string m_frameBufferName = SharedFrameBuffer::kDefaultName;
    PeerCheck m_peerCheck;
    std::unique_ptr<QLocalServer> m_server;
    QPointer<QLocalSocket> m_agent;
    platform::LocalUserId m_agentUser = 0;
    std::int64_t m_agentProcess = -1;
    IpcMessageReader m_reader{IpcMessageReader::kServiceLimit};
    SharedFrameBuffer m_frames;
    std::vector<std::uint8_t> m_packed;
    ConnectionQualityMonitor m_monitor;
    QMetaObject::Connection m_chatConnection;
};

} // namespace nimbral
