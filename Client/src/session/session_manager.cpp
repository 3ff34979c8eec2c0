#include "session/session_manager.h"

#include <spdlog/spdlog.h>

#include "capture/screen_capture_manager.h"
#include "codec/av1_decoder.h"
#include "codec/av1_encoder.h"
#include "codec/frame_converter.h"
#include "common/main_thread.h"
#include "input/input_forwarder.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "network/transport_manager.h"
#include "session/chat_service.h"
#include "session/clipboard_sharing.h"
#include "session/file_transfer_service.h"
#include "session/frame_sink.h"

namespace nimbral {

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

bool sessionStateMayFollow(SessionState from, SessionState to) {
    using S = SessionState;
    switch (from) {
    case S::Idle:
    case S::Failed: // the resting states: only a new session leaves them
        return to == S::Initiating || to == S::Handshaking;
    case S::Initiating:
        return to == S::Handshaking || to == S::Closing || to == S::Idle || to == S::Failed;
    case S::Handshaking:
        return to == S::Connecting || to == S::Closing || to == S::Idle || to == S::Failed;
    case S::Connecting:
        return to == S::Connected || to == S::Closing || to == S::Idle || to == S::Failed;
    case S::Connected:
        return to == S::Closing || to == S::Idle || to == S::Failed;
    case S::Closing:
        return to == S::Idle;
    }
    return false;
}

SessionManager::SessionManager(ApiClient& api, SignalingClient& signaling, QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_signaling(signaling) {
    qRegisterMetaType<SessionState>("nimbral::SessionState");
    qRegisterMetaType<std::shared_ptr<DecodedFrame>>("std::shared_ptr<nimbral::DecodedFrame>");
    qRegisterMetaType<InputEvent>("nimbral::InputEvent");
    qRegisterMetaType<SessionEnd>("nimbral::SessionEnd");
    qRegisterMetaType<SessionRole>("nimbral::SessionRole");
    connect(&m_api, &ApiClient::sessionCreated, this, &SessionManager::onSessionCreated);
    connect(&m_api, &ApiClient::sessionUpdated, this, &SessionManager::onSessionUpdated);
    connect(&m_api, &ApiClient::requestError, this, &SessionManager::onSetupError);
    connect(&m_signaling, &SignalingClient::sessionHandshakeAck, this,
            &SessionManager::onHandshakeAck);

    // Verified requests are checked beside the running session, which they replace only once
    // they proved themselves.
    m_incoming = std::make_unique<IncomingExchanges>(
        m_api, m_signaling, m_trust,
        [this](IncomingExchanges::Admission admission) { admitVerified(std::move(admission)); });
    connect(m_incoming.get(), &IncomingExchanges::approvalNeeded, this,
            &SessionManager::approvalRequested);
    connect(&m_signaling, &SignalingClient::sessionExchangeRequest, this,
            [this](const QString& sessionId, const QString& masterId, const QString& masterKey,
                   const QString& relayToken, const QString& sharePassword,
                   const QString& shareCode) {
                nlohmann::json shares = nlohmann::json::object();
                shares["pake_share_password"] = sharePassword.toStdString();
                shares["pake_share_code"] = shareCode.toStdString();
                m_incoming->take({sessionId, masterId, masterKey, relayToken, shares});
            });
    connect(&m_signaling, &SignalingClient::exchangeConfirmation, m_incoming.get(),
            &IncomingExchanges::confirm);
    connect(&m_signaling, &SignalingClient::sessionApproved, this,
            &SessionManager::onPartnerApproved);
    connect(&m_signaling, &SignalingClient::sessionClosed, this, &SessionManager::onPartnerClosed);

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

    setVideoCodecs([] { return std::make_unique<AV1Encoder>(); },
                   [] { return std::make_unique<AV1Decoder>(); });
    connect(&m_negotiation, &SessionNegotiation::partnerTimedOut, this,
            &SessionManager::onPartnerTimeout);
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
    // A late or forged server update must not drag a resting session into another state.
    if (!sessionStateMayFollow(previous, next)) {
        spdlog::warn("Session state: {} -> {} refused", sessionStateName(previous),
                     sessionStateName(next));
        return;
    }
    spdlog::info("Session state: {} -> {}", sessionStateName(previous), sessionStateName(next));
    m_state.store(next);
    if (next != SessionState::Initiating && next != SessionState::Handshaking) {
        m_negotiation.stopPartnerTimer();
    }
    emit stateChanged(next);
}

void SessionManager::fail(const QString& error, bool mayPass) {
    m_failureMayPass = mayPass;
    setState(SessionState::Failed);
    emit sessionError(error);
}

void SessionManager::onIce(const QString& sessionId, SessionNegotiation::EarlyIce ice) {
    if (sessionId.isEmpty() || sessionId != m_sessionId) {
        return;
    }
    if (m_transport) {
        applyIce(ice);
        return;
    }
    // A Target accepted without the Master's key waits for it while the Master already offers.
    if (m_role == SessionRole::Target && state() == SessionState::Handshaking) {
        if (!m_negotiation.keepIce(std::move(ice))) {
            spdlog::warn("Too many ICE messages before the transport exists; dropped one");
        }
    }
}

void SessionManager::applyIce(const SessionNegotiation::EarlyIce& ice) {
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
    NIMBRAL_ASSERT_MAIN_THREAD();
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
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_encoderQualityLevel = std::clamp(level, 0, 51);
    if (!preset.isEmpty()) {
        m_encoderPreset = preset;
    }
}

void SessionManager::setCaptureFrameRate(int framesPerSecond) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_captureFrameRate = std::clamp(framesPerSecond, 1, 60);
}

void SessionManager::setRelayEndpoint(const QString& host, quint16 port) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_relayHost = host;
    m_relayPort = port;
}

void SessionManager::setMonitorIndex(int monitorIndex) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_monitorIndex = monitorIndex < 0 ? 0u : static_cast<std::uint32_t>(monitorIndex);
}

} // namespace nimbral
