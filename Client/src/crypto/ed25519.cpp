#include "crypto/ed25519.h"

#include <spdlog/spdlog.h>

#include "crypto/openssl_util.h"

namespace nimbral::ed25519 {
namespace {

const unsigned char* bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

// The encodings of the eight points of small order (those whose y is below 19 also as y + p),
// compared without the sign bit of x. With such a key, signatures that hold for a share of all
// messages need no private key: OpenSSL's verification accepts them, so they are refused first.
constexpr unsigned char kSmallOrderPoints[][kPublicKeyBytes] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x26, 0xe8, 0x95, 0x8f, 0xc2, 0xb2, 0x27, 0xb0, 0x45, 0xc3, 0xf4,
     0x89, 0xf2, 0xef, 0x98, 0xf0, 0xd5, 0xdf, 0xac, 0x05, 0xd3, 0xc6,
     0x33, 0x39, 0xb1, 0x38, 0x02, 0x88, 0x6d, 0x53, 0xfc, 0x05},
    {0xc7, 0x17, 0x6a, 0x70, 0x3d, 0x4d, 0xd8, 0x4f, 0xba, 0x3c, 0x0b,
     0x76, 0x0d, 0x10, 0x67, 0x0f, 0x2a, 0x20, 0x53, 0xfa, 0x2c, 0x39,
     0xcc, 0xc6, 0x4e, 0xc7, 0xfd, 0x77, 0x92, 0xac, 0x03, 0x7a},
    {0xec, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
     0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
     0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f},
    {0xed, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
     0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
     0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f},
    {0xee, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
     0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
     0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f},
};

bool hasSmallOrder(std::string_view publicKey) {
    for (const auto& point : kSmallOrderPoints) {
        bool same = true;
        for (std::size_t i = 0; i < kPublicKeyBytes && same; ++i) {
            const auto byte = static_cast<unsigned char>(publicKey[i]);
            same = (i + 1 == kPublicKeyBytes ? (byte & 0x7f) : byte) == point[i];
        }
        if (same) {
            return true;
        }
    }
    return false;
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
    if (publicKey.size() != kPublicKeyBytes || signature.size() != kSignatureBytes ||
        hasSmallOrder(publicKey)) {
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
