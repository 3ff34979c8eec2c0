#include "crypto_test_util.h"

#include <stdexcept>

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/x509.h>

namespace nimbral::test {

Bytes fromHex(const std::string& hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string toHex(const Bytes& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const auto b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 0x0f];
    }
    return hex;
}

Bytes hmacSha256(const Bytes& key, const Bytes& data) {
    Bytes out(32);
    unsigned int length = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), data.data(), data.size(),
         out.data(), &length);
    out.resize(length);
    return out;
}

Bytes referenceHkdfSha256(const Bytes& ikm, const Bytes& salt, const Bytes& info,
                          std::size_t length) {
    const Bytes prk = hmacSha256(salt, ikm);
    Bytes okm;
    Bytes previous;
    for (std::uint8_t block = 1; okm.size() < length; ++block) {
        Bytes input = previous;
        input.insert(input.end(), info.begin(), info.end());
        input.push_back(block);
        previous = hmacSha256(prk, input);
        okm.insert(okm.end(), previous.begin(), previous.end());
    }
    okm.resize(length);
    return okm;
}

ossl::PKey generateKey(const char* group) {
    return ossl::PKey(EVP_EC_gen(group));
}

std::string publicKeyBase64(EVP_PKEY* key) {
    unsigned char* der = nullptr;
    const int length = i2d_PUBKEY(key, &der);
    const ossl::Bytes owner(der);
    std::string text(4 * ((length + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), der, length);
    text.resize(static_cast<std::size_t>(written));
    return text;
}

Bytes rawEcdh(EVP_PKEY* own, EVP_PKEY* peer) {
    const ossl::PKeyCtx ctx(EVP_PKEY_CTX_new(own, nullptr));
    std::size_t length = 0;
    if (!ctx || EVP_PKEY_derive_init(ctx.get()) <= 0 ||
        EVP_PKEY_derive_set_peer(ctx.get(), peer) <= 0 ||
        EVP_PKEY_derive(ctx.get(), nullptr, &length) <= 0) {
        throw std::runtime_error("reference ECDH failed");
    }
    Bytes secret(length);
    EVP_PKEY_derive(ctx.get(), secret.data(), &length);
    secret.resize(length);
    return secret;
}

ossl::PKey parsePublicKeyBase64(const std::string& text) {
    Bytes der(text.size());
    const int length =
        EVP_DecodeBlock(der.data(), reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
    if (length <= 0) {
        return nullptr;
    }
    // EVP_DecodeBlock counts padding bytes as data; DER carries its own length, so the extra
    // trailing zeros are harmless.
    const unsigned char* cursor = der.data();
    return ossl::PKey(d2i_PUBKEY(nullptr, &cursor, length));
}

std::pair<Bytes, Bytes> referenceGcmSeal(const Bytes& key, const Bytes& nonce,
                                         const Bytes& plaintext) {
    const ossl::CipherCtx ctx(EVP_CIPHER_CTX_new());
    Bytes ciphertext(plaintext.size());
    Bytes tag(16);
    int produced = 0;
    int finalBytes = 0;
    EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr);
    EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(nonce.size()), nullptr);
    EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, key.data(), nonce.data());
    if (!plaintext.empty()) {
        EVP_EncryptUpdate(ctx.get(), ciphertext.data(), &produced, plaintext.data(),
                          static_cast<int>(plaintext.size()));
    }
    EVP_EncryptFinal_ex(ctx.get(), ciphertext.data() + produced, &finalBytes);
    EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, 16, tag.data());
    return {ciphertext, tag};
}

} // namespace nimbral::test
