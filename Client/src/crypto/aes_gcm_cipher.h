#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace nimbral {

// Seals and opens every message of a session. Wire form of a sealed message:
//   [8-byte LE counter][16-byte GCM tag][ciphertext, as long as the plaintext]
// The GCM nonce is the base IV with its first eight bytes XORed by the LE counter.
//
// Both peers hold the same key and base IV, so their counters must never meet: the Master's
// cipher counts up from 0 and the Target's from kTargetInitialCounter. Receivers take the counter
// from each message and keep no state, so either starting point opens at the peer.
//
// encrypt() may be called from several threads at once (capture thread and main thread); each
// call takes its own counter value. decrypt() touches no mutable state.
class AesGcmCipher {
public:
    static constexpr std::size_t kKeySize = 32;
    static constexpr std::size_t kBaseIvSize = 12;
    static constexpr std::size_t kCounterSize = 8;
    static constexpr std::size_t kTagSize = 16;
    static constexpr std::size_t kHeaderSize = kCounterSize + kTagSize;
    static constexpr std::uint64_t kMasterInitialCounter = 0;
    static constexpr std::uint64_t kTargetInitialCounter = std::uint64_t{1} << 63;

    // Throws std::invalid_argument when the key is not 32 bytes or the IV not 12 bytes.
    AesGcmCipher(const std::vector<std::uint8_t>& key, const std::vector<std::uint8_t>& baseIv,
                 std::uint64_t initialCounter = kMasterInitialCounter);
    ~AesGcmCipher();
    AesGcmCipher(const AesGcmCipher&) = delete;
    AesGcmCipher& operator=(const AesGcmCipher&) = delete;

    // One sealed message, or empty on failure (the counter value is consumed either way).
    std::vector<std::uint8_t> encrypt(const std::uint8_t* plaintext, std::size_t length);
    std::vector<std::uint8_t> encrypt(std::span<const std::uint8_t> plaintext) {
        return encrypt(plaintext.data(), plaintext.size());
    }

    // The plaintext, or empty on failure. An empty plaintext also opens to empty: callers that
    // must tell the two apart check the sealed length (exactly kHeaderSize) first.
    std::vector<std::uint8_t> decrypt(const std::uint8_t* sealed, std::size_t length) const;
    std::vector<std::uint8_t> decrypt(std::span<const std::uint8_t> sealed) const {
        return decrypt(sealed.data(), sealed.size());
    }

    // The nonce a message with this counter is sealed under.
    static std::array<std::uint8_t, kBaseIvSize>
    nonceFor(const std::array<std::uint8_t, kBaseIvSize>& baseIv, std::uint64_t counter);

private:
    std::array<std::uint8_t, kKeySize> m_key{};
    std::array<std::uint8_t, kBaseIvSize> m_baseIv{};
    std::atomic<std::uint64_t> m_sendCounter;
};

} // namespace nimbral
