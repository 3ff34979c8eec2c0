#include "session/session_manager.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include <QMetaObject>
#include <spdlog/spdlog.h>

#include "capture/screen_capture_manager.h"
#include "codec/av1_decoder.h"
#include "codec/av1_encoder.h"
#include "codec/frame_converter.h"
#include "common/log_text.h"
#include "crypto/aes_gcm_cipher.h"
#include "crypto/ecdh_key_exchange.h"
#include "input/input_forwarder.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "network/transport_manager.h"
#include "session/chat_service.h"
#include "session/clipboard_sharing.h"
#include "session/file_transfer_service.h"
#include "session/frame_sink.h"

namespace nimbral {

namespace {

QString jsonText(const nlohmann::json& data, const char* key) {
    if (data.is_object()) {
        const auto it = data.find(key);
        if (it != data.end() && it->is_string()) {
            return QString::fromStdString(it->get<std::string>());
        }
    }
    return {};
}

const char* roleName(SessionRole role) {
    return role == SessionRole::Master ? "Master" : "Target";
}

std::uint64_t counterOf(const QByteArray& sealed) {
    std::uint64_t counter = 0;
    for (int i = AesGcmCipher::kCounterSize - 1; i >= 0; --i) {
        counter = (counter << 8) | static_cast<std::uint8_t>(sealed[i]);
    }
    return counter;
}

bool samePicture(const DecodedFrame& a, const DecodedFrame& b) {
    return a.width == b.width && a.height == b.height && a.yStride == b.yStride &&
           a.uvStride == b.uvStride && a.yPlane == b.yPlane && a.uvPlane == b.uvPlane;
}

} // namespace

const char* sessionStateName(SessionState state) {
    switch (state) {
    case SessionState::Idle:
        return "Idle";
    case SessionState::Initiating:
        return "Initiating";
    case SessionState::Handshaking:
        return "Handshaking";
    case SessionState::Connecting:
        return "Connecting";
    case SessionState::Connected:
        return "Connected";
    case SessionState::Closing:
        return "Closing";
    case SessionState::Failed:
        return "Failed";
    }
    return "Unknown";
}

SessionManager::SessionManager(ApiClient& api, SignalingClient& signaling, QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_signaling(signaling) {
    qRegisterMetaType<SessionState>("nimbral::SessionState");
    qRegisterMetaType<std::shared_ptr<DecodedFrame>>("std::shared_ptr<nimbral::DecodedFrame>");
    qRegisterMetaType<InputEvent>("nimbral::InputEvent");
    connect(&m_api, &ApiClient::sessionCreated, this, &SessionManager::onSessionCreated);
    connect(&m_api, &ApiClient::sessionUpdated, this, &SessionManager::onSessionUpdated);
    connect(&m_api, &ApiClient::requestError, this, &SessionManager::onSetupError);
    connect(&m_signaling, &SignalingClient::sessionHandshakeAck, this,
            &SessionManager::onHandshakeAck);

    // WebRTC texts from the peer, for the session whose transport is being set up. Connected
    // once here rather than per transport so that sessions in a row never stack handlers.
    connect(&m_signaling, &SignalingClient::iceOffer, this,
            [this](const QString& sessionId, const QString&, const QString& sdp) {
                onIce(sessionId, {true, sdp.toStdString(), "offer"});
            });
    connect(&m_signaling, &SignalingClient::iceAnswer, this,
            [this](const QString& sessionId, const QString&, const QString& sdp) {
                onIce(sessionId, {true, sdp.toStdString(), "answer"});
            });
    connect(&m_signaling, &SignalingClient::iceCandidate, this,
            [this](const QString& sessionId, const QString&, const QString& candidate,
                   const QString& mid) {
                onIce(sessionId, {false, candidate.toStdString(), mid.toStdString()});
            });

    m_partnerTimer.setSingleShot(true);
    m_partnerTimer.setInterval(kPartnerTimeoutMs);
    connect(&m_partnerTimer, &QTimer::timeout, this, &SessionManager::onPartnerTimeout);
}

SessionManager::~SessionManager() {
    const SessionState current = state();
    if (current != SessionState::Idle && current != SessionState::Failed) {
        endSession(QStringLiteral("destructor_cleanup"));
    }
    cleanup();
}

// ------------------------------------------------------------------ state

void SessionManager::setState(SessionState next) {
    const SessionState previous = m_state.load();
    if (previous == next) {
        return;
    }
    spdlog::info("Session state: {} -> {}", sessionStateName(previous), sessionStateName(next));
    m_state.store(next);
    if (next != SessionState::Initiating && next != SessionState::Handshaking) {
        m_partnerTimer.stop();
    }
    emit stateChanged(next);
}

void SessionManager::fail(const QString& error) {
    setState(SessionState::Failed);
    emit sessionError(error);
}

void SessionManager::onIce(const QString& sessionId, EarlyIce ice) {
    if (sessionId.isEmpty() || sessionId != m_sessionId) {
        return;
    }
    if (m_transport) {
        applyIce(ice);
        return;
    }
    // A Target accepted without the Master's key waits for it while the Master already offers.
    if (m_role == SessionRole::Target && state() == SessionState::Handshaking) {
        if (m_earlyIce.size() < kMaxEarlyIce) {
            m_earlyIce.push_back(std::move(ice));
        } else {
            spdlog::warn("Too many ICE messages before the transport exists; dropped one");
        }
    }
}

void SessionManager::applyIce(const EarlyIce& ice) {
    if (ice.description) {
        spdlog::info(ice.typeOrMid == "offer" ? "Received ICE offer via signaling"
                                              : "Received ICE answer via signaling");
        m_transport->setRemoteDescription(ice.text, ice.typeOrMid);
    } else {
        m_transport->addRemoteCandidate(ice.text, ice.typeOrMid);
    }
}

// ------------------------------------------------------------------ settings

void SessionManager::setClipboardSharingEnabled(bool enabled) {
    m_clipboardSharingEnabled = enabled;
    if (m_clipboard) {
        if (enabled) {
            m_clipboard->start();
        } else {
            m_clipboard->stop();
        }
    }
}

void SessionManager::setEncoderQuality(int level, const QString& preset) {
    m_encoderQualityLevel = std::clamp(level, 0, 51);
    if (!preset.isEmpty()) {
        m_encoderPreset = preset;
    }
}

void SessionManager::setCaptureFrameRate(int framesPerSecond) {
    m_captureFrameRate = std::clamp(framesPerSecond, 1, 60);
}

void SessionManager::setRelayEndpoint(const QString& host, quint16 port) {
    m_relayHost = host;
    m_relayPort = port;
}

#ifdef NIMBRAL_SERVICE_BUILD
void SessionManager::setMonitorIndex(int monitorIndex) {
    m_monitorIndex = monitorIndex < 0 ? 0u : static_cast<std::uint32_t>(monitorIndex);
}
#endif

// ------------------------------------------------------------------ set-up

bool SessionManager::createKeyExchange() {
    m_keyDerived = false;
    try {
        m_keyExchange = std::make_unique<EcdhKeyExchange>();
    } catch (const std::exception& error) {
        spdlog::error("Failed to generate ECDH key pair: {}", error.what());
        fail(tr("Crypto error: %1").arg(QString::fromUtf8(error.what())));
        return false;
    }
    return true;
}

bool SessionManager::deriveAndBuildCipher(const QString& peerKey, bool targetSide) {
    if (!m_keyExchange->deriveSharedKey(peerKey.toStdString())) {
        spdlog::error(targetSide ? "ECDH key derivation failed (Target side)"
                                 : "ECDH key derivation failed");
        fail(tr("ECDH key derivation failed"));
        return false;
    }
    m_keyDerived = true;
    try {
        // The directions share key and IV: the Target counts from the upper half so that the
        // two sides never seal under the same nonce.
        m_cipher = std::make_unique<AesGcmCipher>(m_keyExchange->aesKey(), m_keyExchange->baseIv(),
                                                  targetSide ? AesGcmCipher::kTargetInitialCounter
                                                             : AesGcmCipher::kMasterInitialCounter);
    } catch (const std::exception& error) {
        spdlog::error("Failed to create AES-GCM cipher: {}", error.what());
        fail(tr("Cipher error: %1").arg(QString::fromUtf8(error.what())));
        return false;
    }
    if (targetSide) {
        m_replayWindow.emplace(AesGcmCipher::kMasterInitialCounter,
                               AesGcmCipher::kTargetInitialCounter - 1);
    } else {
        m_replayWindow.emplace(AesGcmCipher::kTargetInitialCounter, UINT64_MAX);
    }
    spdlog::info(targetSide ? "ECDH key exchange completed (Target side)"
                            : "ECDH key exchange completed (Master side)");
    return true;
}

void SessionManager::initiateSession(const QString& targetClientId,
                                     const QString& sessionPassword) {
    const SessionState current = state();
    if (current != SessionState::Idle && current != SessionState::Failed) {
        spdlog::warn("initiateSession called in non-idle state: {}", sessionStateName(current));
        emit sessionError(tr("Cannot initiate session: not idle"));
        return;
    }
    spdlog::info("Initiating session to target: {}", targetClientId.toStdString());
    m_role = SessionRole::Master;
    m_peerClientId = targetClientId;
    m_sessionId.clear();
    m_earlyAck.reset();
    setState(SessionState::Initiating);
    m_partnerTimer.start();
    if (!createKeyExchange()) {
        return;
    }
    m_api.createSession(targetClientId, sessionPassword, QStringLiteral("remote_desktop"),
                        QString::fromStdString(m_keyExchange->publicKeyBase64()));
}

void SessionManager::onSessionCreated(const nlohmann::json& data) {
    if (m_role != SessionRole::Master || state() != SessionState::Initiating) {
        return;
    }
    const QString sessionId = jsonText(data, "session_id");
    if (sessionId.isEmpty()) {
        spdlog::error("Session creation response missing session_id");
        fail(tr("Server returned invalid session data"));
        return;
    }
    m_sessionId = sessionId;
    m_relayToken = jsonText(data, "relay_token");
    spdlog::info("Session created with ID: {}", sessionId.toStdString());
    setState(SessionState::Handshaking);
    m_partnerTimer.start(); // the Target now has its full time to answer
    const std::optional<EarlyAck> early = std::exchange(m_earlyAck, std::nullopt);
    if (early && early->sessionId == sessionId) {
        spdlog::info("Applying the handshake ACK that arrived before the session was created");
        onHandshakeAck(early->sessionId, early->state, early->targetKey);
    }
}

void SessionManager::onHandshakeAck(const QString& sessionId, const QString& stateText,
                                    const QString& targetEcdhPublicKey) {
    if (m_role == SessionRole::Master && state() == SessionState::Initiating) {
        // A quick Target can answer before the create reply names our session: keep the
        // latest, and apply it if that reply names the same session.
        m_earlyAck = EarlyAck{sessionId, stateText, targetEcdhPublicKey};
        return;
    }
    if (m_role != SessionRole::Master || state() != SessionState::Handshaking ||
        sessionId != m_sessionId) {
        return;
    }
    spdlog::info("Handshake ACK received for session {} (state={})", sessionId.toStdString(),
                 stateText.toStdString());
    if (targetEcdhPublicKey.isEmpty()) {
        spdlog::error("Handshake ACK missing target ECDH public key");
        fail(tr("Missing target ECDH public key"));
        return;
    }
    if (deriveAndBuildCipher(targetEcdhPublicKey, false)) {
        setupTransport();
    }
}

void SessionManager::acceptSession(const QString& sessionId, const QString& masterClientId,
                                   const QString& masterEcdhPublicKey, const QString& relayToken) {
    const SessionState current = state();
    if (current == SessionState::Connected) {
        spdlog::info("Ending previous session to accept new one");
        endSession(QStringLiteral("new_session_incoming"));
    } else if (current != SessionState::Idle && current != SessionState::Failed) {
        spdlog::warn("acceptSession called in non-idle state: {}", sessionStateName(current));
        emit sessionError(tr("Cannot accept session: not idle"));
        return;
    }
    spdlog::info("Accepting session {} from master {}", sessionId.toStdString(),
                 masterClientId.toStdString());
    m_role = SessionRole::Target;
    m_sessionId = sessionId;
    m_relayToken = relayToken;
    m_peerClientId = masterClientId;
    m_earlyIce.clear();
    setState(SessionState::Handshaking);
    if (!createKeyExchange()) {
        return;
    }
    m_api.handshakeAck(sessionId, QString::fromStdString(m_keyExchange->publicKeyBase64()),
                       QString(), QString());
    // Without the Master's key (the user-confirmed path) the key comes with the server's reply
    // to the acknowledgement (onSessionUpdated).
    if (masterEcdhPublicKey.isEmpty()) {
        return;
    }
    if (deriveAndBuildCipher(masterEcdhPublicKey, true)) {
        setupTransport();
    }
}

#ifndef NIMBRAL_SERVICE_BUILD
void SessionManager::requestMonitorSwitch(int monitorIndex) {
    if (sendControl(controlMessage(ControlTag::SessionCommand, switchMonitorCommand(monitorIndex)),
                    nullptr, false)) {
        spdlog::info("Requested monitor switch to {}", monitorIndex);
    }
}
#endif

void SessionManager::setupTransport() {
    spdlog::info("Setting up transport for session {}", m_sessionId.toStdString());
    setState(SessionState::Connecting);
    if (m_transport) {
        QObject::disconnect(m_transport, nullptr, this, nullptr);
        m_transport->disconnect();
        m_transport->deleteLater();
    }
    m_transport = new TransportManager(this);
    connect(m_transport, &TransportManager::connectionEstablished, this,
            &SessionManager::onTransportEstablished);
    connect(m_transport, &TransportManager::connectionFailed, this,
            &SessionManager::onTransportFailed);
    connect(m_transport, &TransportManager::localDescriptionReady, this,
            [this](const QString& sdp, const QString& type) {
                const std::string kind =
                    type == QLatin1String("offer") ? "ICE_OFFER" : "ICE_ANSWER";
                m_signaling.sendMessage({{"type", kind},
                                         {"session_id", m_sessionId.toStdString()},
                                         {"target_client_id", m_peerClientId.toStdString()},
                                         {"sdp", sdp.toStdString()}});
                spdlog::info("Sent ICE {} via signaling", type.toStdString());
            });
    connect(m_transport, &TransportManager::localCandidateReady, this,
            [this](const QString& candidate, const QString& mid) {
                m_signaling.sendMessage({{"type", "ICE_CANDIDATE"},
                                         {"session_id", m_sessionId.toStdString()},
                                         {"target_client_id", m_peerClientId.toStdString()},
                                         {"candidate", candidate.toStdString()},
                                         {"mid", mid.toStdString()}});
            });
    if (m_transportSetup) {
        m_transportSetup(*m_transport);
    }
    RelayCandidate relay;
    relay.nodeId = QStringLiteral("local-relay");
    relay.host = m_relayHost.isEmpty() ? m_api.baseUrl().host() : m_relayHost;
    relay.port = m_relayPort;
    relay.metric = -1;
    // The relay node speaks TLS where the server does.
    relay.tls = m_api.baseUrl().scheme() == QLatin1String("https");
    m_transport->setRelayToken(m_relayToken);
    m_transport->establishConnection(m_sessionId, 0, 0, {relay}, m_role == SessionRole::Master);
    for (const EarlyIce& ice : std::exchange(m_earlyIce, {})) {
        applyIce(ice);
    }
}

void SessionManager::onTransportEstablished(const QString& method) {
    if (!m_transport || m_transport->activeTransport() == nullptr) {
        return;
    }
    m_connectionMethod = method;
    spdlog::info("Transport established via {}", method.toStdString());
    ITransport* active = m_transport->activeTransport();
    connect(active, &ITransport::dataReceived, this, &SessionManager::onTransportData);
    connect(active, &ITransport::disconnected, this, &SessionManager::onLinkLost);
    if (m_role == SessionRole::Master) {
        m_api.completeSession(m_sessionId, method, QString());
    }
    startStreaming();
    setState(SessionState::Connected);
}

void SessionManager::onLinkLost() {
    if (state() != SessionState::Connected) {
        return;
    }
    spdlog::info("Transport disconnected by remote side");
    // The transport is still inside its own signal: end the session once it has returned.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (state() == SessionState::Connected) {
                endSession(QStringLiteral("remote_transport_closed"));
            }
        },
        Qt::QueuedConnection);
}

void SessionManager::onTransportFailed(const QString& reason) {
    spdlog::error("Transport failed: {}", reason.toStdString());
    // The server and the partner learn of it too, rather than waiting for the session to be
    // found abandoned.
    if (!m_sessionId.isEmpty()) {
        m_api.closeSession(m_sessionId, QStringLiteral("transport_failed"), 0);
    }
    setState(SessionState::Failed);
    emit sessionError(tr("Transport failed: %1").arg(reason));
    cleanup();
}

void SessionManager::onSessionUpdated(const nlohmann::json& data) {
    const QString serverState = jsonText(data, "state");
    spdlog::info("Session updated: state={}", serverState.toStdString());
    // A late reply about an earlier session (a close sent while giving up, say) must not end
    // the one running now.
    const QString sessionId = jsonText(data, "session_id");
    if (!sessionId.isEmpty() && sessionId != m_sessionId) {
        spdlog::debug("Session update for {} is not about the current session",
                      sessionId.toStdString());
        return;
    }
    // The answer to the Target's acknowledgement hands it its relay token.
    const QString relayToken = jsonText(data, "relay_token");
    if (m_role == SessionRole::Target && !relayToken.isEmpty() && relayToken != m_relayToken) {
        m_relayToken = relayToken;
        if (m_transport) {
            m_transport->setRelayToken(relayToken);
        }
    }
    if (serverState == QLatin1String("connected")) {
        if (state() == SessionState::Connecting) {
            setState(SessionState::Connected);
            startStreaming();
        }
    } else if (serverState == QLatin1String("closed") || serverState == QLatin1String("failed")) {
        spdlog::info("Session ended by server: {}", serverState.toStdString());
        stopStreaming();
        cleanup();
        setState(serverState == QLatin1String("failed") ? SessionState::Failed
                                                        : SessionState::Idle);
    } else if (m_role == SessionRole::Target && state() == SessionState::Handshaking &&
               !m_keyDerived && m_keyExchange) {
        // The reply to our acknowledgement carries the Master's key for a Target that accepted
        // without it.
        const QString masterKey = jsonText(data, "master_ecdh_public_key");
        if (!masterKey.isEmpty() && deriveAndBuildCipher(masterKey, true)) {
            setupTransport();
        }
    }
}

void SessionManager::onSetupError(const QString& endpoint, int status, const QString& detail) {
    // Reporting the method and closing are notices to the server: their replies may even
    // belong to an earlier session (the 404 of a close the peer already made), and a session
    // never ends over them.
    if (endpoint.endsWith(QLatin1String("/close")) ||
        endpoint.endsWith(QLatin1String("/complete"))) {
        spdlog::warn("Server refused {} ({}): {}", endpoint.toStdString(), status,
                     detail.toStdString());
        return;
    }
    const SessionState current = state();
    if (current == SessionState::Idle || current == SessionState::Connected ||
        current == SessionState::Closing) {
        return;
    }
    spdlog::error("API error during session setup: {}", detail.toStdString());
    cleanup();
    fail(detail);
}

void SessionManager::onPartnerTimeout() {
    const SessionState current = state();
    if (m_role != SessionRole::Master ||
        (current != SessionState::Initiating && current != SessionState::Handshaking)) {
        return;
    }
    spdlog::warn("Partner did not respond to session {} within {} ms", m_sessionId.toStdString(),
                 m_partnerTimer.interval());
    if (!m_sessionId.isEmpty()) {
        m_api.closeSession(m_sessionId, QStringLiteral("partner_timeout"), 0);
    }
    cleanup();
    fail(tr("Partner did not respond"));
}

void SessionManager::endSession(const QString& reason) {
    const SessionState current = state();
    if (current == SessionState::Idle || current == SessionState::Failed) {
        return;
    }
    spdlog::info("Ending session {} (reason: {})", m_sessionId.toStdString(), reason.toStdString());
    setState(SessionState::Closing);
    stopStreaming();
    if (!m_sessionId.isEmpty()) {
        m_api.closeSession(m_sessionId, reason, 0);
    }
    cleanup();
    setState(SessionState::Idle);
}

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
            }
        }
        m_captureManager->start(m_captureFrameRate);
        spdlog::info("Target streaming started (capture@{}fps + encode + input forwarding)",
                     m_captureFrameRate);
    } else if (m_role == SessionRole::Master) {
        m_decoder = std::make_unique<AV1Decoder>();
        m_decoder->initialize(0, 0);
        m_keyFrameAskedAt.invalidate();
        m_lastPicture.reset();
        spdlog::info("Master streaming started (decoder ready)");
    }
}

bool SessionManager::startCapture() {
    std::unique_ptr<IScreenCaptureBackend> backend = openCaptureBackend(
        m_primaryCapture, m_fallbackCapture, static_cast<std::int32_t>(m_monitorIndex));
    if (!backend) {
        emit sessionError(tr("Failed to start screen capture."));
        return false;
    }
    if (m_captureManager) {
        m_captureManager->stop(); // its worker uses the encoder about to be replaced
    }
    m_captureManager = std::make_unique<ScreenCaptureManager>(std::move(backend));
    m_converter = std::make_unique<FrameConverter>();
    m_encoder = std::make_unique<AV1Encoder>();
    m_videoInFlight.clear();
    m_videoBytesSent = 0;
    m_linkBytesSent = 0;
    m_videoLinkBusy = false;
    m_videoFramesHeldBack = 0;
    m_videoBacklogLimitMs = kVideoBacklogFrames * 1000 / m_captureFrameRate;
    m_videoStreaming = true;
    FrameSink sink(this, m_encoder.get(), m_converter.get(), m_cipher.get(),
                   {m_captureFrameRate, m_encoderQualityLevel, m_encoderPreset.toStdString()});
    m_captureManager->setFrameCallback(
        [sink](std::shared_ptr<CapturedFrame> frame) mutable { sink(frame); });
    return true;
}

bool SessionManager::waitForVideoLink() {
    if (!m_videoLinkBusy.load()) {
        return true;
    }
    ++m_videoFramesHeldBack;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kVideoHoldLimitMs);
    while (m_videoStreaming.load() && std::chrono::steady_clock::now() < deadline) {
        // The busy flag is as old as the last send; have the main thread look again.
        if (!m_videoLinkCheckPosted.exchange(true)) {
            QMetaObject::invokeMethod(this, &SessionManager::updateVideoLinkBusy,
                                      Qt::QueuedConnection);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!m_videoLinkBusy.load()) {
            return m_videoStreaming.load();
        }
    }
    return false;
}

void SessionManager::queueVideoPacket(QByteArray sealed) {
    QMetaObject::invokeMethod(
        this, [this, packet = std::move(sealed)] { sendVideoPacket(packet); },
        Qt::QueuedConnection);
}

void SessionManager::updateVideoLinkBusy() {
    m_videoLinkCheckPosted = false;
    ITransport* active = m_transport ? m_transport->activeTransport() : nullptr;
    if (active == nullptr) {
        m_videoInFlight.clear();
        m_videoLinkBusy = false;
        return;
    }
    // Everything up to this offset has left the link. Where the channels share one queue, the
    // backlog holds control bytes too (a file transfer's), and is measured against all bytes.
    const std::size_t pending = active->pendingBytes(ChannelType::Video);
    const bool shared = active->channelsShareOneQueue();
    const std::uint64_t sent = shared ? m_linkBytesSent : m_videoBytesSent;
    const std::uint64_t delivered = sent > pending ? sent - pending : 0;
    while (!m_videoInFlight.empty() && (shared ? m_videoInFlight.front().linkEnd
                                               : m_videoInFlight.front().videoEnd) <= delivered) {
        m_videoInFlight.pop_front();
    }
    m_videoLinkBusy =
        !m_videoInFlight.empty() &&
        monotonicMilliseconds() - m_videoInFlight.front().sentAt > m_videoBacklogLimitMs;
}

void SessionManager::sendVideoPacket(const QByteArray& sealed) {
    ITransport* active = m_transport ? m_transport->activeTransport() : nullptr;
    if (state() != SessionState::Connected || active == nullptr) {
        return;
    }
    if (active->send(ChannelType::Video, reinterpret_cast<const std::uint8_t*>(sealed.constData()),
                     static_cast<std::size_t>(sealed.size()))) {
        // Counted as the link queues them, so that they compare with its pending bytes.
        const std::uint64_t queued =
            static_cast<std::uint64_t>(sealed.size()) + active->framingBytesPerMessage();
        m_videoBytesSent += queued;
        m_linkBytesSent += queued;
        m_videoInFlight.push_back({m_videoBytesSent, m_linkBytesSent, monotonicMilliseconds()});
        emit trafficCounted(sealed.size(), 0);
        emit videoFrameSent();
    }
    updateVideoLinkBusy();
}

void SessionManager::stopStreaming() {
    spdlog::info("Stopping streaming");
    m_videoStreaming = false; // a frame held back for the link stops waiting
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
    m_cipher.reset();
    m_replayWindow.reset();
    m_keyExchange.reset();
    m_keyDerived = false;
    m_sessionId.clear();
    m_relayToken.clear();
    m_peerClientId.clear();
    m_role = SessionRole::None;
    m_partnerTimer.stop();
    m_earlyAck.reset();
    m_earlyIce.clear();
}

// ------------------------------------------------------------------ channel protocol

bool SessionManager::canSend() const {
    return state() == SessionState::Connected && m_cipher && m_transport &&
           m_transport->activeTransport() != nullptr;
}

bool SessionManager::sendControl(const std::vector<std::uint8_t>& plaintext,
                                 const char* encryptFailure, bool warnOnEncryptFailure) {
    if (!canSend()) {
        return false;
    }
    const std::vector<std::uint8_t> sealed = m_cipher->encrypt(plaintext);
    if (sealed.empty()) {
        if (encryptFailure != nullptr) {
            if (warnOnEncryptFailure) {
                spdlog::warn(encryptFailure);
            } else {
                spdlog::error(encryptFailure);
            }
        }
        return false;
    }
    ITransport* active = m_transport->activeTransport();
    if (active->send(ChannelType::Control, sealed.data(), sealed.size())) {
        m_linkBytesSent += sealed.size() + active->framingBytesPerMessage();
        emit trafficCounted(static_cast<qint64>(sealed.size()), 0);
    }
    return true;
}

void SessionManager::sendInputEvent(const InputEvent& event) {
    if (m_role != SessionRole::Master || !canSend()) {
        return;
    }
    std::string error;
    const std::vector<std::uint8_t> wire = event.serialize(&error);
    if (wire.empty()) {
        spdlog::warn("Input event not sent: {}", error);
        return;
    }
    sendControl(controlMessage(ControlTag::InputEvent, wire), "Failed to encrypt input event",
                false);
}

void SessionManager::onClipboardDataReady(const QByteArray& data) {
    const std::vector<std::uint8_t> plaintext(data.begin(), data.end());
    sendControl(plaintext, "Failed to encrypt clipboard data", true);
}

void SessionManager::sendChat(const std::vector<std::uint8_t>& payload) {
    if (state() != SessionState::Connected || !m_cipher || !m_transport) {
        spdlog::warn("Chat send blocked: state={}, cipher={}, transport={}",
                     static_cast<int>(state()), m_cipher != nullptr, !m_transport.isNull());
        return;
    }
    const std::vector<std::uint8_t> sealed =
        m_cipher->encrypt(controlMessage(ControlTag::Chat, payload));
    if (sealed.empty()) {
        spdlog::warn("Chat: encryption failed");
        return;
    }
    ITransport* active = m_transport->activeTransport();
    if (active == nullptr) {
        spdlog::warn("Chat: no active transport");
        return;
    }
    if (active->send(ChannelType::Control, sealed.data(), sealed.size())) {
        m_linkBytesSent += sealed.size() + active->framingBytesPerMessage();
        emit trafficCounted(static_cast<qint64>(sealed.size()), 0);
    }
    spdlog::debug("Chat message sent ({} bytes encrypted)", sealed.size());
}

std::vector<std::uint8_t> SessionManager::open(const QByteArray& sealed, const char* failureLine) {
    std::vector<std::uint8_t> plaintext =
        m_cipher->decrypt(reinterpret_cast<const std::uint8_t*>(sealed.constData()),
                          static_cast<std::size_t>(sealed.size()));
    if (plaintext.empty()) {
        spdlog::warn(fmt::runtime(failureLine), sealed.size());
        return {};
    }
    // Only an authentic message may move the window, so the check follows the decryption.
    const std::uint64_t counter = counterOf(sealed);
    if (m_replayWindow && !m_replayWindow->accept(counter)) {
        if (!m_lastReplayWarning.isValid() || m_lastReplayWarning.elapsed() >= 1000) {
            spdlog::warn("Dropped a replayed or out-of-window message (counter {})", counter);
            m_lastReplayWarning.start();
        }
        return {};
    }
    return plaintext;
}

std::optional<double> SessionManager::linkRoundTripMs() const {
    ITransport* active = m_transport ? m_transport->activeTransport() : nullptr;
    return active != nullptr ? active->roundTripMs() : std::nullopt;
}

void SessionManager::onTransportData(ChannelType channel, const QByteArray& data) {
    emit trafficCounted(0, data.size());
    if (!m_cipher) {
        spdlog::warn("Received transport data but cipher is not initialized");
        return;
    }
    if (channel == ChannelType::Video) {
        if (m_role != SessionRole::Master) {
            return;
        }
        const std::vector<std::uint8_t> packet =
            open(data, "Failed to decrypt video data ({} bytes)");
        if (!packet.empty()) {
            handleVideo(packet);
        }
    } else if (channel == ChannelType::Control) {
        const std::vector<std::uint8_t> plaintext =
            open(data, "Failed to decrypt control data ({} bytes)");
        if (!plaintext.empty()) {
            dispatchControl(plaintext);
        }
    }
}

void SessionManager::dispatchControl(const std::vector<std::uint8_t>& plaintext) {
    const std::vector<std::uint8_t> payload(plaintext.begin() + 1, plaintext.end());
    switch (static_cast<ControlTag>(plaintext.front())) {
    case ControlTag::InputEvent: {
        if (m_role != SessionRole::Target || payload.empty()) {
            return;
        }
        std::string error;
        const std::optional<InputEvent> event =
            InputEvent::deserialize(payload.data(), payload.size(), &error);
        if (!event) {
            spdlog::warn("Failed to deserialize input event: {}", error);
            return;
        }
        emit inputEventReceived(*event);
        if (m_inputForwarder) {
            m_inputForwarder->processEvent(*event);
        }
        return;
    }
    case ControlTag::KeyFrameRequest:
        if (m_role == SessionRole::Target) {
            spdlog::debug("Key frame requested by Master");
            if (m_captureManager) {
                m_captureManager->requestKeyframe();
            }
        }
        return;
    case ControlTag::SessionCommand:
        if (!payload.empty()) {
            handleCommand(std::string(payload.begin(), payload.end()));
        }
        return;
    case ControlTag::Clipboard:
        if (m_clipboard && m_clipboardSharingEnabled) {
            m_clipboard->onRemoteClipboardData(
                QByteArray(reinterpret_cast<const char*>(plaintext.data()),
                           static_cast<qsizetype>(plaintext.size())));
        }
        return;
    case ControlTag::FileTransfer:
        if (m_fileTransfer && !payload.empty()) {
            m_fileTransfer->handleMessage(payload);
        }
        return;
    case ControlTag::Chat:
        spdlog::info("Chat message received ({} bytes)", payload.size());
        if (m_chat && !payload.empty()) {
            m_chat->handleMessage(payload);
        } else {
            spdlog::warn("Chat: service not initialized or message too short");
        }
        return;
    }
}

void SessionManager::handleCommand(const std::string& command) {
    // The partner chose these bytes: escaped, they cannot forge lines of this log.
    spdlog::info("Session command received: {}", printable(command));
    if (command == kDisconnectCommand) {
        endSession(QStringLiteral("remote_disconnect"));
        return;
    }
    if (m_role != SessionRole::Target || command.rfind(kSwitchMonitorPrefix, 0) != 0) {
        return;
    }
    const auto monitor = parseSwitchMonitor(command);
    if (!monitor) {
        spdlog::warn("Monitor switch without a usable number ignored: {}", printable(command));
        return;
    }
    spdlog::info("Switching capture to monitor {}", *monitor);
    m_monitorIndex = *monitor;
    if (m_captureManager) {
        m_captureManager->switchMonitor(static_cast<int>(*monitor));
    }
}

void SessionManager::handleVideo(const std::vector<std::uint8_t>& packet) {
    if (!m_decoder) {
        m_decoder = std::make_unique<AV1Decoder>();
        m_decoder->initialize(0, 0);
    }
    const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
    std::unique_ptr<DecodedFrame> picture = m_decoder->decode(packet.data(), packet.size(), now);
    // Drawing a full picture costs far more than comparing it; a repetition is decoded (it is
    // the decoder's reference) but not drawn again.
    if (picture && !(m_lastPicture && samePicture(*picture, *m_lastPicture))) {
        m_lastPicture = std::shared_ptr<DecodedFrame>(std::move(picture));
        emit frameDecoded(m_lastPicture);
    }
    if (!m_decoder->needsKeyFrame()) {
        m_keyFrameAskedAt.invalidate();
        return;
    }
    // The video channel never retransmits: a lost packet leaves every later delta without its
    // reference until a key frame comes. Ask once, and again only if that one got lost too.
    if (m_keyFrameAskedAt.isValid() && m_keyFrameAskedAt.elapsed() < kKeyFrameRequestRepeatMs) {
        return;
    }
    if (sendControl(controlMessage(ControlTag::KeyFrameRequest, {}),
                    "Failed to encrypt key-frame request", false)) {
        spdlog::info("Video packet lost or undecodable: key frame requested");
        m_keyFrameAskedAt.start();
    }
}

} // namespace nimbral
