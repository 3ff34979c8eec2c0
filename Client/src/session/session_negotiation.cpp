#include "session/session_negotiation.h"

#include <cstdint>
#include <stdexcept>

#include "crypto/aes_gcm_cipher.h"
#include "crypto/ecdh_key_exchange.h"

namespace nimbral {

SessionNegotiation::SessionNegotiation(int partnerTimeoutMs, QObject* parent)
    : QObject(parent) {
    m_partnerTimer.setSingleShot(true);
    m_partnerTimer.setInterval(partnerTimeoutMs);
    connect(&m_partnerTimer, &QTimer::timeout, this, &SessionNegotiation::partnerTimedOut);
}

SessionNegotiation::~SessionNegotiation() = default;

std::optional<SessionNegotiation::Failure> SessionNegotiation::makeKeyPair() {
    m_cipher.reset();
    m_replayWindow.reset();
    m_keyExchange.reset();
    try {
        m_keyExchange = std::make_unique<EcdhKeyExchange>();
    } catch (const std::exception& error) {
        return Failure{Failure::Kind::KeyPair, error.what()};
    }
    return std::nullopt;
}

std::string SessionNegotiation::publicKeyBase64() const {
    return m_keyExchange ? m_keyExchange->publicKeyBase64() : std::string();
}

std::optional<SessionNegotiation::Failure>
SessionNegotiation::deriveCipher(const QString& partnerKey, bool targetSide) {
    if (!m_keyExchange || !m_keyExchange->deriveSharedKey(partnerKey.toStdString())) {
        return Failure{Failure::Kind::Derivation, {}};
    }
    return useSessionKey(m_keyExchange->aesKey(), m_keyExchange->baseIv(), targetSide);
}

std::optional<SessionNegotiation::Failure> SessionNegotiation::deriveBoundCipher(
    const QString& partnerKey, std::span<const std::uint8_t> pakeKey,
    std::span<const std::uint8_t> transcriptHash, bool targetSide) {
    if (!m_keyExchange ||
        !m_keyExchange->deriveBoundKey(partnerKey.toStdString(), pakeKey, transcriptHash)) {
        return Failure{Failure::Kind::Derivation, {}};
    }
    return useSessionKey(m_keyExchange->aesKey(), m_keyExchange->baseIv(), targetSide);
}

std::optional<SessionNegotiation::Failure>
SessionNegotiation::adoptDerivedKeys(std::unique_ptr<EcdhKeyExchange> keys, bool targetSide) {
    m_cipher.reset();
    m_replayWindow.reset();
    m_keyExchange = std::move(keys);
    if (!m_keyExchange || m_keyExchange->aesKey().empty()) {
        return Failure{Failure::Kind::Derivation, {}};
    }
    return useSessionKey(m_keyExchange->aesKey(), m_keyExchange->baseIv(), targetSide);
}

std::vector<std::uint8_t> SessionNegotiation::keyMaterial() const {
    if (!m_keyExchange || !m_cipher) {
        return {};
    }
    std::vector<std::uint8_t> material = m_keyExchange->aesKey();
    const std::vector<std::uint8_t> iv = m_keyExchange->baseIv();
    material.insert(material.end(), iv.begin(), iv.end());
    return material;
}

std::optional<SessionNegotiation::Failure>
SessionNegotiation::useSessionKey(const std::vector<std::uint8_t>& key,
                                  const std::vector<std::uint8_t>& iv, bool targetSide) {
    try {
        m_cipher = std::make_unique<AesGcmCipher>(key, iv,
                                                  targetSide ? AesGcmCipher::kTargetInitialCounter
                                                             : AesGcmCipher::kMasterInitialCounter);
    } catch (const std::exception& error) {
        return Failure{Failure::Kind::Cipher, error.what()};
    }
    if (targetSide) {
        m_replayWindow.emplace(AesGcmCipher::kMasterInitialCounter,
                               AesGcmCipher::kTargetInitialCounter - 1);
    } else {
        m_replayWindow.emplace(AesGcmCipher::kTargetInitialCounter, UINT64_MAX);
    }
    return std::nullopt;
}

std::optional<SessionNegotiation::EarlyAck> SessionNegotiation::takeAck(const QString& sessionId) {
    std::optional<EarlyAck> early = std::exchange(m_earlyAck, std::nullopt);
    if (early && early->sessionId != sessionId) {
        return std::nullopt;
    }
    return early;
}

bool SessionNegotiation::keepIce(EarlyIce ice) {
    if (m_earlyIce.size() >= kMaxEarlyIce) {
        return false;
    }
    m_earlyIce.push_back(std::move(ice));
    return true;
}

std::vector<SessionNegotiation::EarlyIce> SessionNegotiation::takeIce() {
    return std::exchange(m_earlyIce, {});
}

void SessionNegotiation::reset() {
    m_cipher.reset();
    m_replayWindow.reset();
    m_keyExchange.reset();
    m_earlyAck.reset();
    m_earlyIce.clear();
    m_partnerTimer.stop();
}

} // namespace nimbral
