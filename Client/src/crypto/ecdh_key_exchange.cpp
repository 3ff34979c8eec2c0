#include "crypto/ecdh_key_exchange.h"

#include <array>
#include <stdexcept>

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/params.h>
#include <openssl/x509.h>
#include <spdlog/spdlog.h>

namespace nimbral {

namespace {

constexpr std::size_t kHkdfOutputSize = EcdhKeyExchange::kAesKeySize + EcdhKeyExchange::kBaseIvSize;

[[noreturn]] void throwStep(const char* step) {
    throw std::runtime_error(std::string("EcdhKeyExchange: ") + step +
                             " failed: " + opensslErrorString());
}

// Secret bytes are wiped before their memory goes back to the allocator.
void cleanse(std::vector<std::uint8_t>& bytes) {
    if (!bytes.empty()) {
        OPENSSL_cleanse(bytes.data(), bytes.size());
    }
}

} // namespace

EcdhKeyExchange::EcdhKeyExchange() {
    ossl::PKeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    if (!ctx) {
        throwStep("EVP_PKEY_CTX_new_from_name");
    }
    if (EVP_PKEY_keygen_init(ctx.get()) <= 0) {
        throwStep("EVP_PKEY_keygen_init");
    }
    char group[] = "prime256v1";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
        OSSL_PARAM_construct_end(),
    };
    if (EVP_PKEY_CTX_set_params(ctx.get(), params) <= 0) {
        throwStep("EVP_PKEY_CTX_set_params");
    }
    EVP_PKEY* generated = nullptr;
    if (EVP_PKEY_generate(ctx.get(), &generated) <= 0) {
        throwStep("EVP_PKEY_generate");
    }
    m_keyPair.reset(generated);
    spdlog::debug("EcdhKeyExchange: P-256 key pair generated");
}

EcdhKeyExchange::~EcdhKeyExchange() {
    cleanse(m_aesKey);
    cleanse(m_baseIv);
}

std::string EcdhKeyExchange::publicKeyBase64() const {
    unsigned char* der = nullptr;
    const int derLength = i2d_PUBKEY(m_keyPair.get(), &der);
    const ossl::Bytes derOwner(der);
    if (derLength <= 0 || der == nullptr) {
        spdlog::error("EcdhKeyExchange::publicKeyBase64: i2d_PUBKEY failed: {}",
                      opensslErrorString());
        return {};
    }

    BIO* base64 = BIO_new(BIO_f_base64());
    BIO* sink = BIO_new(BIO_s_mem());
    if (base64 == nullptr || sink == nullptr) {
        BIO_free(base64);
        BIO_free(sink);
        return {};
    }
    BIO_set_flags(base64, BIO_FLAGS_BASE64_NO_NL);
    const ossl::Bio chain(BIO_push(base64, sink));
    if (BIO_write(chain.get(), der, derLength) != derLength || BIO_flush(chain.get()) != 1) {
        return {};
    }
    char* encoded = nullptr;
    const long encodedLength = BIO_get_mem_data(sink, &encoded);
    if (encodedLength <= 0 || encoded == nullptr) {
        return {};
    }
    return std::string(encoded, static_cast<std::size_t>(encodedLength));
}

std::vector<std::uint8_t>
EcdhKeyExchange::sharedSecretWith(const std::string& peerPublicKeyBase64) const {
    std::vector<unsigned char> der(peerPublicKeyBase64.size());
    int decodedLength = 0;
    {
        BIO* base64 = BIO_new(BIO_f_base64());
        BIO* source = BIO_new_mem_buf(peerPublicKeyBase64.data(),
                                      static_cast<int>(peerPublicKeyBase64.size()));
        if (base64 == nullptr || source == nullptr) {
            BIO_free(base64);
            BIO_free(source);
        } else {
            BIO_set_flags(base64, BIO_FLAGS_BASE64_NO_NL);
            const ossl::Bio chain(BIO_push(base64, source));
            if (!der.empty()) {
                decodedLength = BIO_read(chain.get(), der.data(), static_cast<int>(der.size()));
            }
        }
    }
    if (decodedLength <= 0) {
        spdlog::error("EcdhKeyExchange::deriveSharedKey: base64 decode of peer key failed");
        return {};
    }

    const unsigned char* cursor = der.data();
    const ossl::PKey peerKey(d2i_PUBKEY(nullptr, &cursor, decodedLength));
    if (!peerKey) {
        spdlog::error("EcdhKeyExchange::deriveSharedKey: d2i_PUBKEY failed: {}",
                      opensslErrorString());
        return {};
    }

    const ossl::PKeyCtx ctx(EVP_PKEY_CTX_new(m_keyPair.get(), nullptr));
    if (!ctx) {
        spdlog::error("EcdhKeyExchange::deriveSharedKey: EVP_PKEY_CTX_new failed: {}",
                      opensslErrorString());
        return {};
    }
    if (EVP_PKEY_derive_init(ctx.get()) <= 0) {
        spdlog::error("EcdhKeyExchange::deriveSharedKey: derive_init failed: {}",
                      opensslErrorString());
        return {};
    }
    if (EVP_PKEY_derive_set_peer(ctx.get(), peerKey.get()) <= 0) {
        spdlog::error("EcdhKeyExchange::deriveSharedKey: derive_set_peer failed: {}",
                      opensslErrorString());
        return {};
    }
    std::size_t secretLength = 0;
    if (EVP_PKEY_derive(ctx.get(), nullptr, &secretLength) <= 0) {
        spdlog::error("EcdhKeyExchange::deriveSharedKey: derive (size) failed: {}",
                      opensslErrorString());
        return {};
    }
    std::vector<std::uint8_t> secret(secretLength);
    if (EVP_PKEY_derive(ctx.get(), secret.data(), &secretLength) <= 0) {
        cleanse(secret);
        spdlog::error("EcdhKeyExchange::deriveSharedKey: derive failed: {}", opensslErrorString());
        return {};
    }
    secret.resize(secretLength);
    spdlog::debug("EcdhKeyExchange: ECDH shared secret derived ({} bytes)", secretLength);
    return secret;
}

bool EcdhKeyExchange::deriveSharedKey(const std::string& peerPublicKeyBase64) {
    std::vector<std::uint8_t> secret = sharedSecretWith(peerPublicKeyBase64);
    if (secret.empty()) {
        return false;
    }
    const bool derived = deriveKeyMaterial(secret);
    cleanse(secret);
    return derived;
}

bool EcdhKeyExchange::deriveBoundKey(const std::string& peerPublicKeyBase64,
                                     std::span<const std::uint8_t> pakeKey,
                                     std::span<const std::uint8_t> transcriptHash) {
    std::vector<std::uint8_t> inputKey = sharedSecretWith(peerPublicKeyBase64);
    if (inputKey.empty()) {
        return false;
    }
    inputKey.insert(inputKey.end(), pakeKey.begin(), pakeKey.end());
    constexpr std::string_view info = "nimbral-session-key-v2";
    std::array<std::uint8_t, kHkdfOutputSize> output{};
    const bool expanded =
        hkdfSha256(inputKey, transcriptHash,
                   {reinterpret_cast<const std::uint8_t*>(info.data()), info.size()}, output);
    cleanse(inputKey);
    if (!expanded) {
        spdlog::error("EcdhKeyExchange::deriveBoundKey: HKDF failed: {}", opensslErrorString());
        return false;
    }
    adoptMaterial(output);
    OPENSSL_cleanse(output.data(), output.size());
    return true;
}

bool EcdhKeyExchange::deriveKeyMaterial(const std::vector<std::uint8_t>& sharedSecret) {
    ossl::KdfCtx kctx;
    {
        const ossl::Kdf kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
        if (!kdf) {
            spdlog::error("EcdhKeyExchange::deriveKeyMaterial: EVP_KDF_fetch(HKDF) failed: {}",
                          opensslErrorString());
            return false;
        }
        kctx.reset(EVP_KDF_CTX_new(kdf.get()));
    }
    if (!kctx) {
        spdlog::error("EcdhKeyExchange::deriveKeyMaterial: EVP_KDF_CTX_new failed: {}",
                      opensslErrorString());
        return false;
    }

    char digest[] = "SHA256";
    std::array<unsigned char, 32> salt{};
    char info[] = "nimbral-session-key-v1";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY,
                                          const_cast<std::uint8_t*>(sharedSecret.data()),
                                          sharedSecret.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, salt.data(), salt.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, info, sizeof(info) - 1),
        OSSL_PARAM_construct_end(),
    };

    std::array<std::uint8_t, kHkdfOutputSize> output{};
    if (EVP_KDF_derive(kctx.get(), output.data(), output.size(), params) <= 0) {
        spdlog::error("EcdhKeyExchange::deriveKeyMaterial: EVP_KDF_derive failed: {}",
                      opensslErrorString());
        return false;
    }

    adoptMaterial(output);
    OPENSSL_cleanse(output.data(), output.size());
    spdlog::debug("EcdhKeyExchange: AES-256-GCM key and base IV derived via HKDF-SHA256");
    return true;
}

std::vector<std::uint8_t> EcdhKeyExchange::aesKey() const {
    if (!m_derived) {
        spdlog::warn("EcdhKeyExchange::aesKey: key not yet derived");
        return {};
    }
    return m_aesKey;
}

std::vector<std::uint8_t> EcdhKeyExchange::baseIv() const {
    if (!m_derived) {
        spdlog::warn("EcdhKeyExchange::baseIv: IV not yet derived");
        return {};
    }
    return m_baseIv;
}

void EcdhKeyExchange::adoptMaterial(std::span<const std::uint8_t> output) {
    cleanse(m_aesKey);
    cleanse(m_baseIv);
    m_aesKey.assign(output.begin(), output.begin() + kAesKeySize);
    m_baseIv.assign(output.begin() + kAesKeySize, output.end());
    m_derived = true;
}

} // namespace nimbral
