// Setting a session up and taking it down: the key exchange, the request and its answer, the
// transport, the server's updates and the partner's time-out.

#include "session/session_manager.h"

#include <stdexcept>
#include <string>

#include <QMetaObject>
#include <spdlog/spdlog.h>

#include "common/main_thread.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "network/transport_manager.h"
#include "session/refusal_messages.h"

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

} // namespace

// ------------------------------------------------------------------ set-up

bool SessionManager::makeKeyPair() {
    if (const auto failure = m_negotiation.makeKeyPair()) {
        failNegotiation(*failure, false);
        return false;
    }
    return true;
}

bool SessionManager::deriveCipher(const QString& peerKey, bool targetSide) {
    if (const auto failure = m_negotiation.deriveCipher(peerKey, targetSide)) {
        failNegotiation(*failure, targetSide);
        return false;
    }
    spdlog::info(targetSide ? "ECDH key exchange completed (Target side)"
                            : "ECDH key exchange completed (Master side)");
    return true;
}

void SessionManager::failNegotiation(const SessionNegotiation::Failure& failure, bool targetSide) {
    const QString detail = QString::fromStdString(failure.detail);
    switch (failure.kind) {
    case SessionNegotiation::Failure::Kind::KeyPair:
        spdlog::error("Failed to generate ECDH key pair: {}", failure.detail);
        fail(tr("Crypto error: %1").arg(detail));
        break;
    case SessionNegotiation::Failure::Kind::Derivation:
        spdlog::error(targetSide ? "ECDH key derivation failed (Target side)"
                                 : "ECDH key derivation failed");
        fail(tr("ECDH key derivation failed"));
        break;
    case SessionNegotiation::Failure::Kind::Cipher:
        spdlog::error("Failed to create AES-GCM cipher: {}", failure.detail);
        fail(tr("Cipher error: %1").arg(detail));
        break;
    }
}

void SessionManager::initiateSession(const QString& targetClientId,
                                     const QString& sessionPassword) {
    NIMBRAL_ASSERT_MAIN_THREAD();
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
    m_earlyClose.reset();
    m_negotiation.reset();
    setState(SessionState::Initiating);
    m_negotiation.startPartnerTimer();
    forgetVerification();
    if (!makeKeyPair()) {
        return;
    }
    m_typedPassword = sessionPassword;
    startOffer();
}

void SessionManager::onSessionCreated(const nlohmann::json& data) {
    NIMBRAL_ASSERT_MAIN_THREAD();
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
    m_negotiation.startPartnerTimer(); // the Target now has its full time to answer
    if (const auto closed = std::exchange(m_earlyClose, std::nullopt);
        closed && closed->first == sessionId) {
        onPartnerClosed(closed->first, closed->second);
        return;
    }
    if (const auto early = m_negotiation.takeAck(sessionId)) {
        spdlog::info("Applying the handshake ACK that arrived before the session was created");
        onHandshakeAck(early->sessionId, early->state, early->targetKey, early->exchange);
    }
}

void SessionManager::onHandshakeAck(const QString& sessionId, const QString& stateText,
                                    const QString& targetEcdhPublicKey,
                                    const nlohmann::json& exchange) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (m_role == SessionRole::Master && state() == SessionState::Initiating) {
        // A quick Target can answer before the create reply names our session: keep the
        // latest, and apply it if that reply names the same session.
        m_negotiation.keepAck({sessionId, stateText, targetEcdhPublicKey, exchange});
        return;
    }
    // Once the answer was taken (and the Target's user is asked), a repeated one means nothing.
    if (m_role != SessionRole::Master || state() != SessionState::Handshaking ||
        sessionId != m_sessionId || m_awaitingApproval) {
        return;
    }
    spdlog::info("Handshake ACK received for session {} (state={})", sessionId.toStdString(),
                 stateText.toStdString());
    if (targetEcdhPublicKey.isEmpty()) {
        spdlog::error("Handshake ACK missing target ECDH public key");
        fail(tr("Missing target ECDH public key"));
        return;
    }
    if (m_exchange) {
        finishOffer(targetEcdhPublicKey, exchange);
        return;
    }
    if (deriveCipher(targetEcdhPublicKey, false)) {
        noteUnverifiedString(targetEcdhPublicKey);
        setupTransport();
    }
}

void SessionManager::acceptSession(const QString& sessionId, const QString& masterClientId,
                                   const QString& masterEcdhPublicKey, const QString& relayToken) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (refuseUnverified(sessionId, masterClientId)) {
        return;
    }
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
    m_negotiation.reset();
    forgetVerification();
    setState(SessionState::Handshaking);
    if (!makeKeyPair()) {
        return;
    }
    m_api.handshakeAck(sessionId, QString::fromStdString(m_negotiation.publicKeyBase64()),
                       QString(), QString());
    // Without the Master's key (the user-confirmed path) the key comes with the server's reply
    // to the acknowledgement (onSessionUpdated).
    if (masterEcdhPublicKey.isEmpty()) {
        return;
    }
    if (deriveCipher(masterEcdhPublicKey, true)) {
        noteUnverifiedString(masterEcdhPublicKey);
        setupTransport();
    }
}

void SessionManager::requestMonitorSwitch(int monitorIndex) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (sendControl(controlMessage(ControlTag::SessionCommand, switchMonitorCommand(monitorIndex)),
                    nullptr, false)) {
        spdlog::info("Requested monitor switch to {}", monitorIndex);
    }
}

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
    for (const SessionNegotiation::EarlyIce& ice : m_negotiation.takeIce()) {
        applyIce(ice);
    }
}

void SessionManager::onTransportEstablished(const QString& method) {
    NIMBRAL_ASSERT_MAIN_THREAD();
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
    announceScreen();
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
                endSession(QLatin1String(kLinkLostReason));
            }
        },
        Qt::QueuedConnection);
}

void SessionManager::onTransportFailed(const QString& reason) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::error("Transport failed: {}", reason.toStdString());
    // The server and the partner learn of it too, rather than waiting for the session to be
    // found abandoned.
    if (!m_sessionId.isEmpty()) {
        m_api.closeSession(m_sessionId, QStringLiteral("transport_failed"), 0);
    }
    const bool wasConnected = state() == SessionState::Connected;
    const QString sessionId = m_sessionId;
    const QString partner = m_peerClientId;
    const SessionRole role = m_role;
    m_failureMayPass = true;
    setState(SessionState::Failed);
    cleanup();
    if (wasConnected) {
        // A running session whose link broke: what follows is the end's business, not an error.
        emit sessionEnded(sessionId, partner, role, SessionEnd::LinkLost);
    } else {
        emit sessionError(tr("Transport failed: %1").arg(reason));
    }
}

void SessionManager::onSessionUpdated(const nlohmann::json& data) {
    NIMBRAL_ASSERT_MAIN_THREAD();
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
            announceScreen();
        }
    } else if (serverState == QLatin1String("closed") || serverState == QLatin1String("failed")) {
        spdlog::info("Session ended by server: {}", serverState.toStdString());
        stopStreaming();
        cleanup();
        setState(serverState == QLatin1String("failed") ? SessionState::Failed
                                                        : SessionState::Idle);
    } else if (m_role == SessionRole::Target && state() == SessionState::Handshaking &&
               !m_negotiation.keyDerived() && m_negotiation.hasKeyPair()) {
        // The reply to our acknowledgement carries the Master's key for a Target that accepted
        // without it.
        const QString masterKey = jsonText(data, "master_ecdh_public_key");
        if (!masterKey.isEmpty() && deriveCipher(masterKey, true)) {
            noteUnverifiedString(masterKey);
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
    if (endpoint == QLatin1String("/sessions/create") && status == 409 &&
        detail == QLatin1String(kNoVerifiedSessions) && m_exchange) {
        fallBackToUnverified();
        return;
    }
    spdlog::error("API error during session setup: {}", detail.toStdString());
    const QString partner = m_peerClientId;
    cleanup();
    fail(serverRefusalMessage(status, detail, partner), serverRefusalMayPass(status, detail));
}

void SessionManager::onPartnerTimeout() {
    const SessionState current = state();
    if (m_role != SessionRole::Master ||
        (current != SessionState::Initiating && current != SessionState::Handshaking)) {
        return;
    }
    spdlog::warn("Partner did not respond to session {} within {} ms", m_sessionId.toStdString(),
                 m_negotiation.partnerTimeout());
    if (!m_sessionId.isEmpty()) {
        m_api.closeSession(m_sessionId, QStringLiteral("partner_timeout"), 0);
    }
    cleanup();
    fail(tr("Partner did not respond"));
}

void SessionManager::endSession(const QString& reason) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    const SessionState current = state();
    if (current == SessionState::Idle || current == SessionState::Failed) {
        return;
    }
    spdlog::info("Ending session {} (reason: {})", m_sessionId.toStdString(), reason.toStdString());
    const bool wasConnected = current == SessionState::Connected;
    const SessionEnd how = reason == QLatin1String(kPartnerEndedReason) ? SessionEnd::ByPartner
                           : reason == QLatin1String(kLinkLostReason)   ? SessionEnd::LinkLost
                                                                        : SessionEnd::ByThisSide;
    if (wasConnected && how == SessionEnd::ByThisSide) {
        // Said over the link, ahead of the closing channels: the partner then knows that the
        // session was ended on purpose and does not try to get it back.
        sendControl(commandMessage(kDisconnectCommand), "Failed to encrypt the disconnect command",
                    true);
    }
    setState(SessionState::Closing);
    stopStreaming();
    if (!m_sessionId.isEmpty()) {
        m_api.closeSession(m_sessionId, reason, 0);
    }
    const QString sessionId = m_sessionId;
    const QString partner = m_peerClientId;
    const SessionRole role = m_role;
    cleanup();
    setState(SessionState::Idle);
    if (wasConnected) {
        emit sessionEnded(sessionId, partner, role, how);
    }
}

} // namespace nimbral
