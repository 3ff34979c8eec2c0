#include "crypto/session_binding.h"

#include <array>
#include <cstdio>

#include <openssl/sha.h>

#include "crypto/openssl_util.h"

namespace nimbral::binding {
namespace {

void appendWithLength(std::string& out, std::string_view field) {
    std::uint64_t length = field.size();
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<char>(length & 0xff));
        length >>= 8;
    }
    out.append(field);
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

std::string keyBinding(std::string_view masterPublicKey, std::string_view targetPublicKey) {
    std::string binding;
    appendWithLength(binding, masterPublicKey);
    appendWithLength(binding, targetPublicKey);
    return binding;
}

std::vector<std::uint8_t> transcriptHash(std::string_view masterId, std::string_view targetId,
                                         std::string_view masterPublicKey,
                                         std::string_view targetPublicKey,
                                         std::span<const std::uint8_t> pakeTranscript) {
    std::string transcript;
    for (const std::string_view field :
         {std::string_view("nimbral-session-v2"), masterId, targetId, masterPublicKey,
          targetPublicKey,
          std::string_view(reinterpret_cast<const char*>(pakeTranscript.data()),
                           pakeTranscript.size())}) {
        appendWithLength(transcript, field);
    }
    std::vector<std::uint8_t> hash(SHA256_DIGEST_LENGTH);
    SHA256(reinterpret_cast<const unsigned char*>(transcript.data()), transcript.size(),
           hash.data());
    return hash;
}

std::string shortAuthenticationString(std::span<const std::uint8_t> keyMaterial,
                                      std::span<const std::uint8_t> transcriptHash) {
    std::array<std::uint8_t, 4> drawn{};
    if (!hkdfSha256(keyMaterial, transcriptHash, bytesOf("nimbral-sas-v1"), drawn)) {
        return {};
    }
    const std::uint32_t value = (std::uint32_t{drawn[0]} << 24) | (std::uint32_t{drawn[1]} << 16) |
                                (std::uint32_t{drawn[2]} << 8) | std::uint32_t{drawn[3]};
    char digits[8];
    std::snprintf(digits, sizeof(digits), "%06u", static_cast<unsigned>(value % 1000000u));
    return digits;
}

std::string fingerprint(std::string_view publicKey) {
    std::array<std::uint8_t, SHA256_DIGEST_LENGTH> hash{};
    SHA256(reinterpret_cast<const unsigned char*>(publicKey.data()), publicKey.size(), hash.data());
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < 16; ++i) {
        if (i > 0 && i % 2 == 0) {
            text.push_back(' ');
        }
        text.push_back(kHex[hash[i] >> 4]);
        text.push_back(kHex[hash[i] & 0x0f]);
    }
    return text;
}

} // namespace nimbral::binding
