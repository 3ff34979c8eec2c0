#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nimbral::ed25519 {

// Ed25519 signatures (RFC 8032) on OpenSSL: what proves that a release manifest comes from whoever
// holds the release key, and that a session partner is the device it was before. Keys and
// signatures are raw bytes in strings.
inline constexpr std::size_t kPrivateKeyBytes = 32;
inline constexpr std::size_t kPublicKeyBytes = 32;
inline constexpr std::size_t kSignatureBytes = 64;

// A fresh private key from the system's random source; empty when OpenSSL fails.
std::string generatePrivateKey();

// The public key of a raw private key; empty when it is not one.
std::string publicKeyOf(std::string_view privateKey);

// The signature of `message`; empty when the private key is not one.
std::string sign(std::string_view privateKey, std::string_view message);

// True only when `signature` is a valid signature of exactly `message` under the raw 32-byte
// `publicKey`; false for keys and signatures of the wrong size, and for keys of small order,
// under which signatures can be made without any private key.
bool verify(std::string_view publicKey, std::string_view message, std::string_view signature);

} // namespace nimbral::ed25519
