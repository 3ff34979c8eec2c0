#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>

namespace nimbral {

// Drains the calling thread's OpenSSL error queue into one line ("a; b; c"), or "unknown error"
// when the queue was empty. Every crypto log line that names a failing OpenSSL call carries it.
std::string opensslErrorString();

// HKDF-SHA256 (RFC 5869), extract then expand, filling all of `out`. An empty salt is the RFC's
// default. False when OpenSSL fails; its error queue then says why.
bool hkdfSha256(std::span<const std::uint8_t> key, std::span<const std::uint8_t> salt,
                std::span<const std::uint8_t> info, std::span<std::uint8_t> out);

namespace ossl {

template <auto FreeFn> struct Deleter {
    template <typename T> void operator()(T* object) const noexcept { FreeFn(object); }
};

using PKey = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using PKeyCtx = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX_free>>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX_free>>;
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, Deleter<EVP_CIPHER_CTX_free>>;
using Kdf = std::unique_ptr<EVP_KDF, Deleter<EVP_KDF_free>>;
using KdfCtx = std::unique_ptr<EVP_KDF_CTX, Deleter<EVP_KDF_CTX_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO_free_all>>;

// Buffers that OpenSSL allocated for the caller (i2d_* output).
struct BytesDeleter {
    void operator()(unsigned char* bytes) const noexcept { OPENSSL_free(bytes); }
};
using Bytes = std::unique_ptr<unsigned char, BytesDeleter>;

} // namespace ossl
} // namespace nimbral
