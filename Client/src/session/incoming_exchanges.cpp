#include "session/incoming_exchanges.h"

#include <stdexcept>

#include <spdlog/spdlog.h>

#include "common/main_thread.h"
#include "crypto/ecdh_key_exchange.h"
#include "crypto/session_binding.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "session/background_task.h"

namespace nimbral {

using Secret = PasswordExchange::Secret;

IncomingExchanges::IncomingExchanges(ApiClient& api, SignalingClient& signaling,
                                     const SessionTrust& trust, AdmitHandler admit, QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_signaling(signaling)
    , m_trust(trust)
    , m_admit(std::move(admit)) {
    m_clock.start();
}

IncomingExchanges::~IncomingExchanges() = default;

IncomingExchanges::Admission::Admission() = default;
IncomingExchanges::Admission::~Admission() = default;
IncomingExchanges::Admission::Admission(Admission&&) noexcept = default;
IncomingExchanges::Admission&
IncomingExchanges::Admission::operator=(Admission&&) noexcept = default;

PasswordExchange::Parties IncomingExchanges::partiesOf(const Pending& pending) const {
    return {pending.request.masterId, m_api.clientId(), pending.request.masterKey.toStdString(),
            pending.keys->publicKeyBase64()};
}

void IncomingExchanges::take(Request request) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    const QString sessionId = request.sessionId;
    const std::string master = request.masterId.toStdString();
    if (sessionId.isEmpty() || request.masterId.isEmpty() || m_pending.contains(sessionId)) {
        return;
    }
    if (!m_trust.secrets) {
        spdlog::warn("Verified session request {} from {} refused: nothing here can answer it",
                     sessionId.toStdString(), master);
        m_api.closeSession(sessionId, QStringLiteral("verification_unavailable"), 0);
        return;
    }
    if (const qint64 wait = m_backoff.waitMs(request.masterId, m_clock.elapsed()); wait > 0) {
        spdlog::warn("Session request {} from {} refused: too many wrong passwords, next try in "
                     "{} s",
                     sessionId.toStdString(), master, (wait + 999) / 1000);
        m_api.closeSession(sessionId, QStringLiteral("too_many_attempts"), 0);
        return;
    }
    // A Master asking again gives up its earlier request.
    for (const auto& [id, pending] : m_pending) {
        if (pending.request.masterId == request.masterId) {
            refuse(id, "superseded", false);
            break;
        }
    }
    if (m_pending.size() >= kMaxPending) {
        spdlog::warn("Session request {} from {} refused: {} requests are already being checked",
                     sessionId.toStdString(), master, m_pending.size());
        m_api.closeSession(sessionId, QStringLiteral("busy"), 0);
        return;
    }
    Pending pending;
    try {
        pending.keys = std::make_unique<EcdhKeyExchange>();
    } catch (const std::exception& error) {
        spdlog::error("Failed to generate ECDH key pair: {}", error.what());
        m_api.closeSession(sessionId, QStringLiteral("key_error"), 0);
        return;
    }
    pending.request = std::move(request);
    const SessionTrust::Secrets secrets = m_trust.secrets();
    const PasswordExchange::Parties parties = partiesOf(pending);
    const nlohmann::json shares = pending.request.shares;
    startTimer(pending, kConfirmationTimeoutMs);
    m_pending.emplace(sessionId, std::move(pending));
    spdlog::info("Checking the password proof of session request {} from {}",
                 sessionId.toStdString(), master);
    // Stretching both secrets takes a few hundred milliseconds.
    runInBackground(
        this,
        [shares, secrets, parties] {
            return PasswordExchange::answer(shares, secrets.password, secrets.pairingCode, parties);
        },
        [this, sessionId](std::unique_ptr<PasswordExchange> exchange) {
            onAnswered(sessionId, std::move(exchange));
        });
}

void IncomingExchanges::onAnswered(const QString& sessionId,
                                   std::unique_ptr<PasswordExchange> exchange) {
    const auto it = m_pending.find(sessionId);
    if (it == m_pending.end() || it->second.stage != Stage::Answering) {
        return;
    }
    if (!exchange) {
        refuse(sessionId, "wrong_password", true);
        return;
    }
    Pending& pending = it->second;
    nlohmann::json fields = exchange->answerFields();
    fields.update(deviceProofFields(m_trust.signingKey, partiesOf(pending)));
    pending.exchange = std::move(exchange);
    pending.stage = Stage::AwaitingConfirmation;
    startTimer(pending, kConfirmationTimeoutMs);
    m_api.handshakeAck(sessionId, QString::fromStdString(pending.keys->publicKeyBase64()),
                       QString(), QString(), fields);
}

void IncomingExchanges::confirm(const QString& sessionId, const QString& fromId,
                                const QString& secretName, const QString& confirmation,
                                const nlohmann::json& proof) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    const auto it = m_pending.find(sessionId);
    if (it == m_pending.end() || it->second.stage != Stage::AwaitingConfirmation ||
        it->second.request.masterId != fromId) {
        spdlog::debug("Password confirmation for {} from {} matches no request",
                      sessionId.toStdString(), fromId.toStdString());
        return;
    }
    Pending& pending = it->second;
    const std::string master = fromId.toStdString();
    const auto secret =
        pending.exchange->takeConfirmation(secretName.toStdString(), confirmation.toStdString());
    if (!secret) {
        spdlog::warn("Session request {} from {}: the password proof failed",
                     sessionId.toStdString(), master);
        refuse(sessionId, "wrong_password", true);
        return;
    }
    const auto deviceKey = checkDeviceProof(proof, partiesOf(pending));
    if (!deviceKey) {
        spdlog::warn("Session request {} from {}: the Master's device key does not check out",
                     sessionId.toStdString(), master);
        refuse(sessionId, "device_key_invalid", true);
        return;
    }
    m_backoff.recordSuccess(fromId);
    if (!deriveKeys(pending, *deviceKey)) {
        refuse(sessionId, "key_error", false);
        return;
    }
    if (*secret == Secret::Password) {
        spdlog::info("Session request {} from {} proved the password", sessionId.toStdString(),
                     master);
        admit(sessionId);
        return;
    }
    spdlog::info("Session request {} from {} proved the pairing code: asking the user",
                 sessionId.toStdString(), master);
    pending.stage = Stage::AwaitingApproval;
    startTimer(pending, kApprovalTimeoutMs);
    emit approvalNeeded(sessionId, fromId, pending.shortAuthenticationString,
                        pending.masterFingerprint);
}

bool IncomingExchanges::deriveKeys(Pending& pending, const std::string& masterDeviceKey) {
    const PasswordExchange& exchange = *pending.exchange;
    const std::vector<std::uint8_t> hash = exchange.transcriptHash();
    if (!pending.keys->deriveBoundKey(pending.request.masterKey.toStdString(), exchange.sharedKey(),
                                      hash)) {
        return false;
    }
    std::vector<std::uint8_t> material = pending.keys->aesKey();
    const std::vector<std::uint8_t> iv = pending.keys->baseIv();
    material.insert(material.end(), iv.begin(), iv.end());
    pending.shortAuthenticationString =
        QString::fromStdString(binding::shortAuthenticationString(material, hash));
    pending.masterFingerprint = QString::fromStdString(binding::fingerprint(masterDeviceKey));
    // What the Master showed is remembered: from now on this ID gets in only verified.
    const QString& masterId = pending.request.masterId;
    const std::string pinned = m_trust.pinnedKey ? m_trust.pinnedKey(masterId) : std::string();
    if (!pinned.empty() && pinned != masterDeviceKey) {
        spdlog::warn("Master {} shows another device key than before (was {}, now {}); it proved "
                     "the secret, so the new key is kept",
                     masterId.toStdString(), binding::fingerprint(pinned),
                     pending.masterFingerprint.toStdString());
    }
    if (m_trust.pinKey && pinned != masterDeviceKey) {
        m_trust.pinKey(masterId, masterDeviceKey);
    }
    return true;
}

void IncomingExchanges::approve(const QString& sessionId) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    const auto it = m_pending.find(sessionId);
    if (it == m_pending.end() || it->second.stage != Stage::AwaitingApproval) {
        return;
    }
    m_signaling.sendMessage({{"type", "PAKE_APPROVED"},
                             {"session_id", sessionId.toStdString()},
                             {"target_client_id", it->second.request.masterId.toStdString()}});
    admit(sessionId);
}

void IncomingExchanges::decline(const QString& sessionId) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    const auto it = m_pending.find(sessionId);
    if (it != m_pending.end() && it->second.stage == Stage::AwaitingApproval) {
        spdlog::info("Session request {} declined by the user", sessionId.toStdString());
        refuse(sessionId, "declined", false);
    }
}

void IncomingExchanges::admit(const QString& sessionId) {
    auto node = m_pending.extract(sessionId);
    Pending& pending = node.mapped();
    Admission admission;
    admission.sessionId = pending.request.sessionId;
    admission.masterId = pending.request.masterId;
    admission.relayToken = pending.request.relayToken;
    admission.keys = std::move(pending.keys);
    admission.shortAuthenticationString = pending.shortAuthenticationString;
    admission.masterFingerprint = pending.masterFingerprint;
    m_admit(std::move(admission));
}

void IncomingExchanges::partnerClosed(const QString& sessionId) {
    const auto it = m_pending.find(sessionId);
    if (it == m_pending.end()) {
        return;
    }
    // A Master that read the answer and left found that it proves nothing it typed.
    const bool failedProof = it->second.stage == Stage::AwaitingConfirmation;
    spdlog::info("Session request {} withdrawn by {}", sessionId.toStdString(),
                 it->second.request.masterId.toStdString());
    if (failedProof) {
        m_backoff.recordFailure(it->second.request.masterId, m_clock.elapsed());
    }
    m_pending.erase(it);
}

void IncomingExchanges::onTimeout(const QString& sessionId) {
    const auto it = m_pending.find(sessionId);
    if (it == m_pending.end()) {
        return;
    }
    const bool approval = it->second.stage == Stage::AwaitingApproval;
    spdlog::warn("Session request {} from {} timed out {}", sessionId.toStdString(),
                 it->second.request.masterId.toStdString(),
                 approval ? "waiting for the user" : "waiting for the password proof");
    refuse(sessionId, approval ? "declined" : "partner_timeout", !approval);
}

void IncomingExchanges::refuse(QString sessionId, const char* reason, bool countFailure) {
    const auto it = m_pending.find(sessionId);
    if (it == m_pending.end()) {
        return;
    }
    if (countFailure) {
        m_backoff.recordFailure(it->second.request.masterId, m_clock.elapsed());
    }
    m_pending.erase(it);
    m_api.closeSession(sessionId, QString::fromLatin1(reason), 0);
}

void IncomingExchanges::startTimer(Pending& pending, int milliseconds) {
    if (!pending.timer) {
        pending.timer = std::make_unique<QTimer>();
        pending.timer->setSingleShot(true);
        const QString sessionId = pending.request.sessionId;
        connect(pending.timer.get(), &QTimer::timeout, this,
                [this, sessionId] { onTimeout(sessionId); });
    }
    pending.timer->start(milliseconds);
}

} // namespace nimbral
