// The Target's picture: capture, encoding off the main thread, and the pace the link allows.

#include "session/session_manager.h"

#include <QMetaObject>
#include <spdlog/spdlog.h>

#include "capture/screen_capture_manager.h"
#include "codec/frame_converter.h"
#include "codec/video_decoder.h"
#include "codec/video_encoder.h"
#include "input/input_forwarder.h"
#include "network/transport_manager.h"
#include "session/chat_service.h"
#include "session/clipboard_sharing.h"
#include "session/file_transfer_service.h"
#include "session/frame_sink.h"
#include "session/password_exchange.h"

namespace nimbral {

namespace {

const char* roleName(SessionRole role) {
    return role == SessionRole::Master ? "Master" : "Target";
}

} // namespace

// ------------------------------------------------------------------ streaming

void SessionManager::startStreaming() {
    spdlog::info("Starting streaming (role: {})", roleName(m_role));
    m_fileTransfer = std::make_unique<FileTransferService>(
        m_role == SessionRole::Target ? FileTransferRole::Server : FileTransferRole::Requester,
        [this](const std::vector<std::uint8_t>& message) {
            sendControl(controlMessage(ControlTag::FileTransfer, message), nullptr, false);
        });
    if (m_role == SessionRole::Target && m_fileServingUser) {
        m_fileTransfer->setServingUser(m_fileServingUser);
    }
    // A streamed file flows as fast as the control channel drains, never faster.
    m_fileTransfer->setBacklogProbe([this]() -> qint64 {
        ITransport* link = m_transport ? m_transport->activeTransport() : nullptr;
        return link != nullptr ? static_cast<qint64>(link->pendingBytes(ChannelType::Control)) : 0;
    });
    m_fileTransfer->announceCapabilities();
    spdlog::info("File transfer service initialized");
    m_chat = std::make_unique<ChatService>(
        [this](const std::vector<std::uint8_t>& payload) { sendChat(payload); });
    spdlog::info("Chat service initialized");
    if (m_clipboardSharingEnabled) {
        m_clipboard = std::make_unique<ClipboardSharing>();
        connect(m_clipboard.get(), &ClipboardSharing::clipboardDataReady, this,
                &SessionManager::onClipboardDataReady);
        m_clipboard->start();
        spdlog::info("Clipboard sharing enabled");
    }
    if (m_role == SessionRole::Target) {
        if (!startCapture()) {
            return;
        }
        m_inputForwarder.reset();
        if (m_inputBackendFactory) {
            if (auto backend = m_inputBackendFactory()) {
                backend->initialize();
                m_inputForwarder = std::make_unique<InputForwarder>(std::move(backend));
                m_inputForwarder->setMonitor(static_cast<int>(m_monitorIndex));
            }
        }
        m_captureManager->start(m_captureFrameRate);
        spdlog::info("Target streaming started (capture@{}fps + encode + input forwarding)",
                     m_captureFrameRate);
    } else if (m_role == SessionRole::Master) {
        startDecoder();
        m_keyFrameAskedAt.invalidate();
        m_lastPicture.reset();
        m_saidItAsksForKeyFrames = false;
        spdlog::info("Master streaming started (decoder ready)");
    }
}

bool SessionManager::startCapture() {
    std::unique_ptr<IScreenCaptureBackend> backend = openCaptureBackend(
        m_primaryCapture, m_fallbackCapture, static_cast<std::int32_t>(m_monitorIndex));
    if (!backend) {
        m_screenUnreadable = true; // the partner is told once the session is connected
        emit sessionError(tr("Failed to start screen capture."));
        return false;
    }
    // Read here, before the capture thread owns the backend.
    m_monitors = backend->enumerateMonitors();
    if (m_monitors.size() > kMaxAnnouncedMonitors) {
        m_monitors.resize(kMaxAnnouncedMonitors);
    }
    if (m_captureManager) {
        m_captureManager->stop(); // its worker uses the encoder about to be replaced
    }
    m_captureManager = std::make_unique<ScreenCaptureManager>(std::move(backend));
    connect(m_captureManager.get(), &ScreenCaptureManager::monitorSwitchFailed, this,
            [this](int monitor, int current) {
                m_monitorIndex = static_cast<std::uint32_t>(std::max(current, 0));
                if (m_inputForwarder) {
                    m_inputForwarder->setMonitor(static_cast<int>(m_monitorIndex));
                }
                sendControl(
                    controlMessage(ControlTag::SessionCommand,
                                   switchFailedCommand(static_cast<std::uint32_t>(monitor))),
                    nullptr, false);
            });
    m_converter = std::make_unique<FrameConverter>();
    m_encoder = m_encoderFactory();
    m_videoPacer.start(kVideoBacklogFrames * 1000 / m_captureFrameRate, [this] {
        QMetaObject::invokeMethod(this, &SessionManager::updateVideoLinkBusy, Qt::QueuedConnection);
    });
    FrameSink::Output output{
        [this] { return state() == SessionState::Connected; },
        [this] { return m_partnerAsksForKeyFrames.load(); }, &m_videoPacer,
        [this](QByteArray sealed) {
            QMetaObject::invokeMethod(
                this, [this, packet = std::move(sealed)] { sendVideoPacket(packet); },
                Qt::QueuedConnection);
        }};
    FrameSink sink(std::move(output), m_encoder.get(), m_converter.get(), m_negotiation.cipher(),
                   {m_captureFrameRate, m_encoderQualityLevel, m_encoderPreset.toStdString(),
                    m_safetyKeyFrameIntervalMs});
    m_captureManager->setFrameCallback(
        [sink](std::shared_ptr<CapturedFrame> frame) mutable { sink(frame); });
    return true;
}

void SessionManager::startDecoder() {
    m_decoder = m_decoderFactory();
    m_decoder->initialize(0, 0);
}

void SessionManager::updateVideoLinkBusy() {
    ITransport* active = m_transport ? m_transport->activeTransport() : nullptr;
    if (active == nullptr) {
        m_videoPacer.linkGone();
        return;
    }
    // Where the channels share one queue, the backlog holds control bytes too (a file
    // transfer's), and is measured against all bytes.
    m_videoPacer.update(active->pendingBytes(ChannelType::Video), active->channelsShareOneQueue());
}

void SessionManager::sendVideoPacket(const QByteArray& sealed) {
    ITransport* active = m_transport ? m_transport->activeTransport() : nullptr;
    if (state() != SessionState::Connected || active == nullptr) {
        return;
    }
    if (active->send(ChannelType::Video, reinterpret_cast<const std::uint8_t*>(sealed.constData()),
                     static_cast<std::size_t>(sealed.size()))) {
        // Counted as the link queues them, so that they compare with its pending bytes.
        m_videoPacer.videoQueued(static_cast<std::uint64_t>(sealed.size()) +
                                 active->framingBytesPerMessage());
        emit trafficCounted(sealed.size(), 0);
        emit videoFrameSent();
    }
    updateVideoLinkBusy();
}

void SessionManager::stopStreaming() {
    spdlog::info("Stopping streaming");
    m_videoPacer.stop(); // a frame held back for the link stops waiting
    if (m_clipboard) {
        m_clipboard->stop();
    }
    if (m_captureManager) {
        m_captureManager->stop();
    }
    if (m_encoder && m_encoder->isInitialized()) {
        m_encoder->shutdown();
    }
    if (m_decoder && m_decoder->isInitialized()) {
        m_decoder->shutdown();
    }
}

void SessionManager::cleanup() {
    spdlog::debug("Session cleanup");
    stopStreaming();
    if (m_transport) {
        // Cleanup may run inside a signal of the manager or of one of its transports.
        QObject::disconnect(m_transport, nullptr, this, nullptr);
        m_transport->disconnect();
        m_transport->deleteLater();
        m_transport = nullptr;
    }
    m_captureManager.reset();
    m_encoder.reset();
    m_decoder.reset();
    m_converter.reset();
    m_inputForwarder.reset();
    m_clipboard.reset();
    m_fileTransfer.reset();
    m_chat.reset();
    m_negotiation.reset();
    // The typed password lives no longer than the set-up it was typed for.
    m_exchange.reset();
    m_typedPassword.clear();
    m_awaitingApproval = false;
    m_sessionId.clear();
    m_relayToken.clear();
    m_peerClientId.clear();
    m_role = SessionRole::None;
    m_partnerAsksForKeyFrames = false;
    m_monitors.clear();
    m_partnerMonitorIndex = 0;
    m_screenUnreadable = false;
}

} // namespace nimbral
