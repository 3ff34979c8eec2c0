#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/openssl_util.h"

// Reference computations written straight against OpenSSL's primitives, so the tests compare the
// product's code with an independent derivation rather than with itself.
namespace nimbral::test {

using Bytes = std::vector<std::uint8_t>;

Bytes fromHex(const std::string& hex);
std::string toHex(const Bytes& bytes);

Bytes hmacSha256(const Bytes& key, const Bytes& data);
// RFC 5869 extract-then-expand, built from HMAC alone.
Bytes referenceHkdfSha256(const Bytes& ikm, const Bytes& salt, const Bytes& info,
                          std::size_t length);

ossl::PKey generateKey(const char* group);
std::string publicKeyBase64(EVP_PKEY* key);
Bytes rawEcdh(EVP_PKEY* own, EVP_PKEY* peer);
ossl::PKey parsePublicKeyBase64(const std::string& text);

// AES-256-GCM with an explicit nonce: {ciphertext, tag}.
std::pair<Bytes, Bytes> referenceGcmSeal(const Bytes& key, const Bytes& nonce,
                                         const Bytes& plaintext);

} // namespace nimbral::test
