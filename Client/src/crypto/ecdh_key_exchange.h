#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "crypto/openssl_util.h"

namespace nimbral {

// One ephemeral P-256 key pair per session and peer. The public half travels as base64 of its
// DER SubjectPublicKeyInfo; combined with the peer's, HKDF-SHA256 stretches the ECDH secret into
// the AES-256 key and the 96-bit base IV of the channel cipher. Both peers end with the same
// material, so the two directions must be kept apart by the cipher's counters.
//
// Single-threaded: owned and used by the session manager on the main thread.
class EcdhKeyExchange {
public:
    static constexpr std::size_t kAesKeySize = 32;
    static constexpr std::size_t kBaseIvSize = 12;

    // Generates the key pair; throws std::runtime_error naming the failed OpenSSL step.
    EcdhKeyExchange();
    ~EcdhKeyExchange();
    EcdhKeyExchange(const EcdhKeyExchange&) = delete;
    EcdhKeyExchange& operator=(const EcdhKeyExchange&) = delete;

    // Own public key as one line of base64 (124 characters for P-256); empty on failure.
    std::string publicKeyBase64() const;

    // Runs ECDH with the peer's public-key text and derives key and IV. False (with an error log
    // line) when the text does not decode to a P-256 public key. May be called again; a later
    // success replaces the material.
    bool deriveSharedKey(const std::string& peerPublicKeyBase64);

    // The same for a verified session: the key comes from the ECDH secret and the key the
    // password exchange agreed, under the hash of everything both ends saw, so that neither a
    // wrong password nor a substituted public key gives the two ends the same key.
    bool deriveBoundKey(const std::string& peerPublicKeyBase64,
                        std::span<const std::uint8_t> pakeKey,
                        std::span<const std::uint8_t> transcriptHash);

    // Copies of the derived material; empty (with a warning) before a successful derivation.
    std::vector<std::uint8_t> aesKey() const;
    std::vector<std::uint8_t> baseIv() const;

private:
    friend class EcdhKeyExchangeTestAccess;

    std::vector<std::uint8_t> sharedSecretWith(const std::string& peerPublicKeyBase64) const;
    bool deriveKeyMaterial(const std::vector<std::uint8_t>& sharedSecret);
    void adoptMaterial(std::span<const std::uint8_t> output);

    ossl::PKey m_keyPair;
    std::vector<std::uint8_t> m_aesKey;
    std::vector<std::uint8_t> m_baseIv;
    bool m_derived = false;
};

} // namespace nimbral
