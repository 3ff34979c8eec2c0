#include "crypto/ed25519.h"

#include <spdlog/spdlog.h>

#include "crypto/openssl_util.h"

namespace nimbral::ed25519 {

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
