#pragma once

#include <cstdint>

// The relay's framing, spoken by the client's relay transport and the server's relay node:
//   [1 byte channel][4 bytes big-endian payload length][payload]
// Channel 0 carries control messages (the join among them), 1 the video.
namespace nimbral::relay_frame {

inline constexpr int kHeaderBytes = 5;
inline constexpr std::uint8_t kMaxChannel = 1;
inline constexpr std::uint32_t kMaxPayload = 16 * 1024 * 1024;

inline void writeHeader(char* header, std::uint8_t channel, std::uint32_t length) {
    header[0] = static_cast<char>(channel);
    for (int i = 0; i < 4; ++i) {
        header[1 + i] = static_cast<char>(length >> (24 - 8 * i));
    }
}

inline std::uint8_t channelOf(const char* header) {
    return static_cast<std::uint8_t>(header[0]);
}

inline std::uint32_t lengthOf(const char* header) {
    std::uint32_t length = 0;
    for (int i = 1; i <= 4; ++i) {
        length = (length << 8) | static_cast<std::uint8_t>(header[i]);
    }
    return length;
}

} // namespace nimbral::relay_frame
