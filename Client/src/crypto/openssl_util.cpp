#include "crypto/openssl_util.h"

#include <openssl/core_names.h>
#include <openssl/err.h>

namespace nimbral {

std::string opensslErrorString() {
    std::string text;
    while (const unsigned long code = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof(buffer));
        if (!text.empty()) {
            text += "; ";
        }
        text += buffer;
    }
    return text.empty() ? std::string("unknown error") : text;
}

bool hkdfSha256(std::span<const std::uint8_t> key, std::span<const std::uint8_t> salt,
                std::span<const std::uint8_t> info, std::span<std::uint8_t> out) {
    const ossl::Kdf kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
    const ossl::KdfCtx context(kdf ? EVP_KDF_CTX_new(kdf.get()) : nullptr);
    if (!context) {
        return false;
    }
    char digest[] = "SHA256";
    const auto octets = [](const char* name, std::span<const std::uint8_t> bytes) {
        return OSSL_PARAM_construct_octet_string(name, const_cast<std::uint8_t*>(bytes.data()),
                                                 bytes.size());
    };
    OSSL_PARAM params[5];
    std::size_t count = 0;
    params[count++] = OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0);
    params[count++] = octets(OSSL_KDF_PARAM_KEY, key);
    if (!salt.empty()) {
        params[count++] = octets(OSSL_KDF_PARAM_SALT, salt);
    }
    params[count++] = octets(OSSL_KDF_PARAM_INFO, info);
    params[count] = OSSL_PARAM_construct_end();
    return EVP_KDF_derive(context.get(), out.data(), out.size(), params) > 0;
}

} // namespace nimbral
