#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nimbral::binding {

// What ties a verified session's pieces together. Every field is written with its length in eight
// little-endian bytes first, as the password exchange writes its transcript.

// The password exchange's associated data: both ECDH public keys, as their texts travelled. Its
// confirmations then fail when anyone swapped a key on the way.
std::string keyBinding(std::string_view masterPublicKey, std::string_view targetPublicKey);

// SHA-256 of everything both ends saw: a label, both device IDs, both ECDH public keys and the
// password exchange's transcript (empty where there was none). The session key is derived under
// it, devices sign it and the short authentication string comes from it.
std::vector<std::uint8_t> transcriptHash(std::string_view masterId, std::string_view targetId,
                                         std::string_view masterPublicKey,
                                         std::string_view targetPublicKey,
                                         std::span<const std::uint8_t> pakeTranscript);

// Six digits both users can read out to each other: equal at both ends of every honest session,
// different when the ends hold different keys. From the session's key material and the
// transcript hash (HKDF-SHA256, info "nimbral-sas-v1", the first four bytes big-endian, modulo a
// million). Empty when HKDF fails.
std::string shortAuthenticationString(std::span<const std::uint8_t> keyMaterial,
                                      std::span<const std::uint8_t> transcriptHash);

// How people see a device key: the first 16 bytes of its SHA-256 in eight groups of four hex
// digits ("3f2a 91c0 ..."), short enough to read out and long enough that nobody makes a key
// to match one.
std::string fingerprint(std::string_view publicKey);

} // namespace nimbral::binding
