#include "crypto/ed25519.h"

#include <spdlog/spdlog.h>

#include "crypto/openssl_util.h"

namespace nimbral::ed25519 {
namespace {

const unsigned char* bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

ossl::PKey privateKeyFrom(std::string_view privateKey) {
    if (privateKey.size() != kPrivateKeyBytes) {
        return nullptr;
    }
    return ossl::PKey(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, bytes(privateKey),
                                                   privateKey.size()));
}

} // namespace

std::string generatePrivateKey() {
    const ossl::PKeyCtx context(EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr));
    EVP_PKEY* generated = nullptr;
    if (!context || EVP_PKEY_keygen_init(context.get()) != 1 ||
        EVP_PKEY_keygen(context.get(), &generated) != 1) {
        spdlog::error("Ed25519: cannot make a key: {}", opensslErrorString());
        return {};
    }
    const ossl::PKey key(generated);
    std::string raw(kPrivateKeyBytes, '\0');
    std::size_t length = raw.size();
    if (EVP_PKEY_get_raw_private_key(key.get(), reinterpret_cast<unsigned char*>(raw.data()),
                                     &length) != 1 ||
        length != raw.size()) {
        spdlog::error("Ed25519: cannot read a new key: {}", opensslErrorString());
        OPENSSL_cleanse(raw.data(), raw.size());
        return {};
    }
    return raw;
}

std::string publicKeyOf(std::string_view privateKey) {
    const ossl::PKey key = privateKeyFrom(privateKey);
    std::string raw(kPublicKeyBytes, '\0');
    std::size_t length = raw.size();
    if (!key ||
        EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(raw.data()),
                                    &length) != 1 ||
        length != raw.size()) {
        opensslErrorString();
        return {};
    }
    return raw;
}

std::string sign(std::string_view privateKey, std::string_view message) {
    const ossl::PKey key = privateKeyFrom(privateKey);
    const ossl::MdCtx context(EVP_MD_CTX_new());
    std::string signature(kSignatureBytes, '\0');
    std::size_t length = signature.size();
    if (!key || !context ||
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       bytes(message), message.size()) != 1 ||
        length != signature.size()) {
        spdlog::error("Ed25519: cannot sign: {}", opensslErrorString());
        return {};
    }
    return signature;
}

bool verify(std::string_view publicKey, std::string_view message, std::string_view signature) {
    if (publicKey.size() != kPublicKeyBytes || signature.size() != kSignatureBytes) {
        return false;
    }
    const ossl::PKey key(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(publicKey.data()),
        publicKey.size()));
    const ossl::MdCtx context(EVP_MD_CTX_new());
    if (!key || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1) {
        spdlog::error("Ed25519: cannot set up verification: {}", opensslErrorString());
        return false;
    }
    // Ed25519 signs the message itself, in one pass.
    const int verdict = EVP_DigestVerify(
        context.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size(),
        reinterpret_cast<const unsigned char*>(message.data()), message.size());
    opensslErrorString(); // a mismatch leaves an error queued; it is no failure of ours
    return verdict == 1;
}

} // namespace nimbral::ed25519
