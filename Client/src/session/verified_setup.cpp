// The verified set-up: the Master's side of the password exchange, the fall-back to the
// server-checked password for a partner that cannot verify, the partner's device key, and the
// Target's admission of a request that proved itself (its checks are IncomingExchanges').

#include <utility>

#include <spdlog/spdlog.h>

#include "common/main_thread.h"
#include "crypto/ecdh_key_exchange.h"
#include "crypto/ed25519.h"
#include "crypto/session_binding.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "session/background_task.h"
#include "session/password_exchange.h"
#include "session/refusal_messages.h"
#include "session/session_manager.h"

namespace nimbral {

namespace {

QString fingerprintText(const std::string& deviceKey) {
    return QString::fromStdString(binding::fingerprint(deviceKey));
}

} // namespace

QString SessionManager::ownFingerprint() const {
    const std::string key = ed25519::publicKeyOf(m_trust.signingKey);
    return key.empty() ? QString() : fingerprintText(key);
}

void SessionManager::forgetVerification() {
    m_exchange.reset();
    m_typedPassword.clear();
    m_awaitingApproval = false;
    m_verified = false;
    m_shortAuthenticationString.clear();
    m_partnerFingerprint.clear();
}

// ------------------------------------------------------------------ Master

void SessionManager::startOffer() {
    const PasswordExchange::Parties parties{
        m_api.clientId(), m_peerClientId, m_negotiation.publicKeyBase64(), {}};
    const quint64 attempt = ++m_attempt;
    // Stretching the password takes a few hundred milliseconds.
    runInBackground(
        this,
        [typed = m_typedPassword, parties] { return PasswordExchange::offer(typed, parties); },
        [this, attempt](std::unique_ptr<PasswordExchange> exchange) {
            if (attempt != m_attempt || m_role != SessionRole::Master ||
                state() != SessionState::Initiating) {
                return;
            }
            if (!exchange) {
                spdlog::error("The password exchange could not be started");
                cleanup();
                fail(tr("The password exchange could not be started"));
                return;
            }
            m_exchange = std::move(exchange);
            m_api.createSession(m_peerClientId, QString(), QStringLiteral("remote_desktop"),
                                QString::fromStdString(m_negotiation.publicKeyBase64()),
                                m_exchange->offerFields());
        });
}

void SessionManager::fallBackToUnverified() {
    m_exchange.reset();
    const QString partner = m_peerClientId;
    const std::string partnerText = partner.toStdString();
    if (m_trust.acceptOnlyVerified) {
        spdlog::warn("Session to {} refused: the partner cannot verify it and this device "
                     "accepts only verified sessions",
                     partnerText);
        cleanup();
        fail(tr("Partner %1 cannot open a verified session, and this device accepts only "
                "verified sessions")
                 .arg(partner),
             false);
        return;
    }
    if (m_trust.pinnedKey && !m_trust.pinnedKey(partner).empty()) {
        spdlog::error("Session to {} refused: it verified its sessions before and now offers "
                      "only an unverified one",
                      partnerText);
        cleanup();
        fail(tr("Partner %1 verified its sessions before and now offers only an unverified "
                "one. Not connected: someone may be posing as it.")
                 .arg(partner),
             false);
        return;
    }
    spdlog::warn("Session to {} is Not verified: the partner does not support verified sessions",
                 partnerText);
    m_api.createSession(partner, std::exchange(m_typedPassword, QString()),
                        QStringLiteral("remote_desktop"),
                        QString::fromStdString(m_negotiation.publicKeyBase64()));
}

void SessionManager::finishOffer(const QString& targetKey, const nlohmann::json& answer) {
    const std::string sessionText = m_sessionId.toStdString();
    const auto secret = m_exchange->takeAnswer(answer, targetKey.toStdString());
    if (!secret) {
        spdlog::warn("Session {}: the partner's answer proves neither its password nor its "
                     "pairing code",
                     sessionText);
        refuseSession(QStringLiteral("wrong_password"),
                      partnerRefusalMessage(QStringLiteral("wrong_password"), m_peerClientId));
        return;
    }
    const auto deviceKey = checkDeviceProof(answer, m_exchange->parties());
    if (!deviceKey) {
        spdlog::warn("Session {}: the partner's device key does not check out", sessionText);
        refuseSession(
            QStringLiteral("device_key_invalid"),
            tr("Partner %1 did not prove its device key. Not connected.").arg(m_peerClientId));
        return;
    }
    if (!acceptPartnerKey(*deviceKey)) {
        return;
    }
    const std::vector<std::uint8_t> hash = m_exchange->transcriptHash();
    if (const auto failure =
            m_negotiation.deriveBoundCipher(targetKey, m_exchange->sharedKey(), hash, false)) {
        failNegotiation(*failure, false);
        return;
    }
    m_verified = true;
    m_shortAuthenticationString = QString::fromStdString(
        binding::shortAuthenticationString(m_negotiation.keyMaterial(), hash));
    m_typedPassword.clear();
    confirmToTarget(PasswordExchange::nameOf(*secret),
                    deviceProofFields(m_trust.signingKey, m_exchange->parties()));
    spdlog::info("Session {} verified by the {}; short authentication string {}", sessionText,
                 PasswordExchange::nameOf(*secret), m_shortAuthenticationString.toStdString());
    if (*secret == PasswordExchange::Secret::Password) {
        m_exchange.reset();
        setupTransport();
        return;
    }
    spdlog::info("Session {}: waiting for the partner's user to accept", sessionText);
    m_awaitingApproval = true;
    m_negotiation.startPartnerTimer();
}

void SessionManager::confirmToTarget(const char* secretName, const nlohmann::json& proof) {
    nlohmann::json message{{"type", "PAKE_CONFIRM"},
                           {"session_id", m_sessionId.toStdString()},
                           {"target_client_id", m_peerClientId.toStdString()},
                           {"secret", secretName},
                           {"confirmation", m_exchange->confirmation()}};
    message.update(proof);
    m_signaling.sendMessage(message);
}

bool SessionManager::acceptPartnerKey(const std::string& deviceKey) {
    m_partnerFingerprint = fingerprintText(deviceKey);
    const QString partner = m_peerClientId;
    const std::string pinned = m_trust.pinnedKey ? m_trust.pinnedKey(partner) : std::string();
    if (pinned == deviceKey) {
        return true;
    }
    if (pinned.empty()) {
        spdlog::info("First verified session with {}: its device key {} is remembered",
                     partner.toStdString(), m_partnerFingerprint.toStdString());
        if (m_trust.pinKey) {
            m_trust.pinKey(partner, deviceKey);
        }
        return true;
    }
    const QString before = fingerprintText(pinned);
    spdlog::error("The device key of {} has changed: it was {}, it is now {}. Not connecting.",
                  partner.toStdString(), before.toStdString(), m_partnerFingerprint.toStdString());
    emit partnerKeyChanged(partner, before, m_partnerFingerprint,
                           QByteArray::fromStdString(deviceKey));
    refuseSession(QStringLiteral("partner_key_changed"),
                  tr("The device key of partner %1 has changed.\n\nBefore: %2\nNow: %3\n\nIf "
                     "the partner's device was set up again, you can trust the new key; "
                     "otherwise someone may be posing as it. Not connected.")
                      .arg(partner, before, m_partnerFingerprint));
    return false;
}

void SessionManager::onPartnerApproved(const QString& sessionId, const QString& fromId) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (m_role != SessionRole::Master || state() != SessionState::Handshaking ||
        !m_awaitingApproval || sessionId != m_sessionId || fromId != m_peerClientId) {
        return;
    }
    spdlog::info("Partner {} accepted session {}", fromId.toStdString(), sessionId.toStdString());
    m_awaitingApproval = false;
    m_exchange.reset();
    setupTransport();
}

void SessionManager::onPartnerClosed(const QString& sessionId, const QString& reason) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_incoming->partnerClosed(sessionId);
    const SessionState current = state();
    if (m_role == SessionRole::Master && current == SessionState::Initiating &&
        !sessionId.isEmpty()) {
        m_earlyClose.emplace(sessionId, reason);
        return;
    }
    // A running session ends over its link; this is about one that has not begun.
    if (sessionId.isEmpty() || sessionId != m_sessionId ||
        (current != SessionState::Initiating && current != SessionState::Handshaking)) {
        return;
    }
    spdlog::warn("Session {} closed by the partner before it started ({})", sessionId.toStdString(),
                 reason.toStdString());
    const QString partner = m_peerClientId;
    const bool master = m_role == SessionRole::Master;
    cleanup();
    if (master) {
        fail(partnerRefusalMessage(reason, partner), partnerRefusalMayPass(reason));
    } else {
        setState(SessionState::Idle);
    }
}

void SessionManager::refuseSession(const QString& reason, const QString& message) {
    if (!m_sessionId.isEmpty()) {
        m_api.closeSession(m_sessionId, reason, 0);
    }
    cleanup();
    fail(message, false);
}

// ------------------------------------------------------------------ Target

void SessionManager::approveSession(const QString& sessionId) {
    m_incoming->approve(sessionId);
}

void SessionManager::declineSession(const QString& sessionId) {
    m_incoming->decline(sessionId);
}

void SessionManager::admitVerified(IncomingExchanges::Admission admission) {
    const SessionState current = state();
    if (current == SessionState::Connected) {
        spdlog::info("Ending previous session to accept new one");
        endSession(QStringLiteral("new_session_incoming"));
    } else if (current != SessionState::Idle && current != SessionState::Failed) {
        spdlog::warn("Verified session {} from {} refused: another session is being set up",
                     admission.sessionId.toStdString(), admission.masterId.toStdString());
        m_api.closeSession(admission.sessionId, QStringLiteral("busy"), 0);
        return;
    }
    spdlog::info("Accepting verified session {} from master {}; short authentication string {}",
                 admission.sessionId.toStdString(), admission.masterId.toStdString(),
                 admission.shortAuthenticationString.toStdString());
    m_role = SessionRole::Target;
    m_sessionId = admission.sessionId;
    m_relayToken = admission.relayToken;
    m_peerClientId = admission.masterId;
    m_negotiation.reset();
    forgetVerification();
    setState(SessionState::Handshaking);
    if (const auto failure = m_negotiation.adoptDerivedKeys(std::move(admission.keys), true)) {
        failNegotiation(*failure, true);
        return;
    }
    m_verified = true;
    m_shortAuthenticationString = admission.shortAuthenticationString;
    m_partnerFingerprint = admission.masterFingerprint;
    setupTransport();
}

bool SessionManager::refuseUnverified(const QString& sessionId, const QString& masterClientId) {
    const char* why = nullptr;
    if (m_trust.acceptOnlyVerified) {
        why = "this device accepts only verified sessions";
    } else if (m_trust.pinnedKey && !m_trust.pinnedKey(masterClientId).empty()) {
        why = "it verified its sessions before";
    }
    if (why == nullptr) {
        return false;
    }
    spdlog::warn("Refused unverified session {} from {}: {}", sessionId.toStdString(),
                 masterClientId.toStdString(), why);
    m_api.closeSession(sessionId, QStringLiteral("verification_required"), 0);
    return true;
}

void SessionManager::noteUnverifiedString(const QString& peerKey) {
    const bool master = m_role == SessionRole::Master;
    const std::string own = m_negotiation.publicKeyBase64();
    const std::string peer = peerKey.toStdString();
    const std::string self = m_api.clientId().toStdString();
    const std::string partner = m_peerClientId.toStdString();
    const std::vector<std::uint8_t> hash =
        binding::transcriptHash(master ? self : partner, master ? partner : self,
                                master ? own : peer, master ? peer : own, {});
    m_verified = false;
    m_shortAuthenticationString = QString::fromStdString(
        binding::shortAuthenticationString(m_negotiation.keyMaterial(), hash));
    spdlog::warn("Session {} with {} is Not verified: no password exchange (short "
                 "authentication string {}, shown at the partner only if it computes one)",
                 m_sessionId.toStdString(), partner, m_shortAuthenticationString.toStdString());
}

} // namespace nimbral
