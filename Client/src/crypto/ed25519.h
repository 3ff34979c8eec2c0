#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nimbral::ed25519 {

// Ed25519 signatures (RFC 8032) on OpenSSL: what proves that a release manifest comes from whoever
// holds the release key.
inline constexpr std::size_t kPublicKeyBytes = 32;
inline constexpr std::size_t kSignatureBytes = 64;

// True only when `signature` is a valid signature of exactly `message` under the raw 32-byte
// `publicKey`; false for keys and signatures of the wrong size as well.
bool verify(std::string_view publicKey, std::string_view message, std::string_view signature);

} // namespace nimbral::ed25519
