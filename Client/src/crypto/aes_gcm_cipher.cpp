#include "crypto/aes_gcm_cipher.h"

#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include <openssl/crypto.h>
#include <spdlog/spdlog.h>

#include "crypto/openssl_util.h"

namespace nimbral {

namespace {

// Fetched once: an implicit fetch through EVP_aes_256_gcm() on every call costs a provider
// lookup under a lock, which shows in the small-message rate.
const EVP_CIPHER* aes256Gcm() {
    using Cipher = std::unique_ptr<EVP_CIPHER, ossl::Deleter<EVP_CIPHER_free>>;
    static const Cipher cipher(EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr));
    return cipher.get();
}

void writeCounter(std::uint8_t* out, std::uint64_t counter) {
    for (std::size_t i = 0; i < AesGcmCipher::kCounterSize; ++i) {
        out[i] = static_cast<std::uint8_t>(counter >> (8 * i));
    }
}

std::uint64_t readCounter(const std::uint8_t* in) {
    std::uint64_t counter = 0;
    for (std::size_t i = 0; i < AesGcmCipher::kCounterSize; ++i) {
        counter |= std::uint64_t{in[i]} << (8 * i);
    }
    return counter;
}

// OpenSSL takes int lengths; a message beyond that cannot be sealed in one update.
bool fitsInt(std::size_t length) {
    return length <= static_cast<std::size_t>(std::numeric_limits<int>::max());
}

} // namespace

AesGcmCipher::AesGcmCipher(const std::vector<std::uint8_t>& key,
                           const std::vector<std::uint8_t>& baseIv, std::uint64_t initialCounter)
    : m_sendCounter(initialCounter) {
    if (key.size() != kKeySize) {
        throw std::invalid_argument("AesGcmCipher: key must be exactly 32 bytes, got " +
                                    std::to_string(key.size()));
    }
    if (baseIv.size() != kBaseIvSize) {
        throw std::invalid_argument("AesGcmCipher: base IV must be exactly 12 bytes, got " +
                                    std::to_string(baseIv.size()));
    }
    std::memcpy(m_key.data(), key.data(), kKeySize);
    std::memcpy(m_baseIv.data(), baseIv.data(), kBaseIvSize);
    spdlog::debug("AesGcmCipher: initialized with 256-bit key and 96-bit base IV");
}

AesGcmCipher::~AesGcmCipher() {
    OPENSSL_cleanse(m_key.data(), m_key.size());
}

std::array<std::uint8_t, AesGcmCipher::kBaseIvSize>
AesGcmCipher::nonceFor(const std::array<std::uint8_t, kBaseIvSize>& baseIv, std::uint64_t counter) {
    std::array<std::uint8_t, kBaseIvSize> nonce = baseIv;
    for (std::size_t i = 0; i < kCounterSize; ++i) {
        nonce[i] ^= static_cast<std::uint8_t>(counter >> (8 * i));
    }
    return nonce;
}

std::vector<std::uint8_t> AesGcmCipher::encrypt(const std::uint8_t* plaintext, std::size_t length) {
    const std::uint64_t counter = m_sendCounter.fetch_add(1, std::memory_order_relaxed);
    const auto nonce = nonceFor(m_baseIv, counter);

    if (!fitsInt(length) || (length > 0 && plaintext == nullptr)) {
        spdlog::error("AesGcmCipher::encrypt: EncryptUpdate failed: {}",
                      "plaintext of " + std::to_string(length) + " bytes cannot be sealed");
        return {};
    }

    std::vector<std::uint8_t> out(length + kHeaderSize);
    writeCounter(out.data(), counter);

    const ossl::CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx) {
        spdlog::error("AesGcmCipher::encrypt: EVP_CIPHER_CTX_new failed: {}", opensslErrorString());
        return {};
    }
    if (EVP_EncryptInit_ex(ctx.get(), aes256Gcm(), nullptr, nullptr, nullptr) != 1) {
        spdlog::error("AesGcmCipher::encrypt: EncryptInit_ex (cipher) failed: {}",
                      opensslErrorString());
        return {};
    }
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kBaseIvSize),
                            nullptr) != 1) {
        spdlog::error("AesGcmCipher::encrypt: set IV length failed: {}", opensslErrorString());
        return {};
    }
    if (EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, m_key.data(), nonce.data()) != 1) {
        spdlog::error("AesGcmCipher::encrypt: EncryptInit_ex (key/IV) failed: {}",
                      opensslErrorString());
        return {};
    }
    int produced = 0;
    if (length > 0 && EVP_EncryptUpdate(ctx.get(), out.data() + kHeaderSize, &produced, plaintext,
                                        static_cast<int>(length)) != 1) {
        spdlog::error("AesGcmCipher::encrypt: EncryptUpdate failed: {}", opensslErrorString());
        return {};
    }
    int finalBytes = 0;
    if (EVP_EncryptFinal_ex(ctx.get(), out.data() + kHeaderSize + produced, &finalBytes) != 1) {
        spdlog::error("AesGcmCipher::encrypt: EncryptFinal_ex failed: {}", opensslErrorString());
        return {};
    }
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagSize),
                            out.data() + kCounterSize) != 1) {
        spdlog::error("AesGcmCipher::encrypt: get tag failed: {}", opensslErrorString());
        return {};
    }
    out.resize(kHeaderSize + static_cast<std::size_t>(produced + finalBytes));
    return out;
}

std::vector<std::uint8_t> AesGcmCipher::decrypt(const std::uint8_t* sealed,
                                                std::size_t length) const {
    if (length < kHeaderSize || sealed == nullptr) {
        spdlog::error("AesGcmCipher::decrypt: message too short ({} bytes, minimum {})", length,
                      kHeaderSize);
        return {};
    }
    const std::size_t cipherLength = length - kHeaderSize;
    if (!fitsInt(cipherLength)) {
        spdlog::error("AesGcmCipher::decrypt: DecryptUpdate failed: {}",
                      "message of " + std::to_string(length) + " bytes cannot be opened");
        return {};
    }
    const std::uint64_t counter = readCounter(sealed);
    const auto nonce = nonceFor(m_baseIv, counter);

    const ossl::CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx) {
        spdlog::error("AesGcmCipher::decrypt: EVP_CIPHER_CTX_new failed: {}", opensslErrorString());
        return {};
    }
    if (EVP_DecryptInit_ex(ctx.get(), aes256Gcm(), nullptr, nullptr, nullptr) != 1) {
        spdlog::error("AesGcmCipher::decrypt: DecryptInit_ex (cipher) failed: {}",
                      opensslErrorString());
        return {};
    }
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kBaseIvSize),
                            nullptr) != 1) {
        spdlog::error("AesGcmCipher::decrypt: set IV length failed: {}", opensslErrorString());
        return {};
    }
    if (EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, m_key.data(), nonce.data()) != 1) {
        spdlog::error("AesGcmCipher::decrypt: DecryptInit_ex (key/IV) failed: {}",
                      opensslErrorString());
        return {};
    }
    std::vector<std::uint8_t> plaintext(cipherLength);
    int produced = 0;
    if (cipherLength > 0 &&
        EVP_DecryptUpdate(ctx.get(), plaintext.data(), &produced, sealed + kHeaderSize,
                          static_cast<int>(cipherLength)) != 1) {
        spdlog::error("AesGcmCipher::decrypt: DecryptUpdate failed: {}", opensslErrorString());
        return {};
    }
    // The tag buffer is only read by OpenSSL; the ctrl interface just isn't const-correct.
    std::array<std::uint8_t, kTagSize> tag;
    std::memcpy(tag.data(), sealed + kCounterSize, kTagSize);
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagSize),
                            tag.data()) != 1) {
        spdlog::error("AesGcmCipher::decrypt: set tag failed: {}", opensslErrorString());
        return {};
    }
    int finalBytes = 0;
    if (EVP_DecryptFinal_ex(ctx.get(), plaintext.data() + produced, &finalBytes) != 1) {
        // Unauthenticated plaintext must not linger in memory.
        OPENSSL_cleanse(plaintext.data(), plaintext.size());
        spdlog::error("AesGcmCipher::decrypt: authentication tag verification failed "
                      "(counter={}): {}",
                      counter, opensslErrorString());
        return {};
    }
    plaintext.resize(static_cast<std::size_t>(produced + finalBytes));
    return plaintext;
}

} // namespace nimbral
