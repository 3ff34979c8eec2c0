#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rtc::detail {

// A DATA_CHANNEL_OPEN message (RFC 8832): type 0x03, channel type, priority, reliability
// parameter, then the label and protocol behind their 16-bit lengths, all big-endian.
struct DcepOpen {
    std::uint8_t channelType = 0;
    std::uint32_t reliabilityParameter = 0;
    std::string label;
    std::string protocol;
};

inline constexpr std::uint8_t kDcepAck = 0x02;
inline constexpr std::uint8_t kDcepOpen = 0x03;

// Labels and protocols longer than 65535 bytes cannot be announced and are cut.
inline std::vector<std::uint8_t> buildDcepOpen(const DcepOpen& open) {
    const std::size_t labelLength = std::min<std::size_t>(open.label.size(), 0xffff);
    const std::size_t protocolLength = std::min<std::size_t>(open.protocol.size(), 0xffff);
    std::vector<std::uint8_t> d(12 + labelLength + protocolLength);
    d[0] = kDcepOpen;
    d[1] = open.channelType;
    d[2] = 0x01; // priority 256
    d[3] = 0x00;
    d[4] = static_cast<std::uint8_t>(open.reliabilityParameter >> 24);
    d[5] = static_cast<std::uint8_t>(open.reliabilityParameter >> 16);
    d[6] = static_cast<std::uint8_t>(open.reliabilityParameter >> 8);
    d[7] = static_cast<std::uint8_t>(open.reliabilityParameter);
    d[8] = static_cast<std::uint8_t>(labelLength >> 8);
    d[9] = static_cast<std::uint8_t>(labelLength);
    d[10] = static_cast<std::uint8_t>(protocolLength >> 8);
    d[11] = static_cast<std::uint8_t>(protocolLength);
    std::copy_n(open.label.begin(), labelLength, d.begin() + 12);
    std::copy_n(open.protocol.begin(), protocolLength,
                d.begin() + 12 + static_cast<std::ptrdiff_t>(labelLength));
    return d;
}

// Empty when the message is not an open or is cut short.
inline std::optional<DcepOpen> parseDcepOpen(const std::uint8_t* d, std::size_t size) {
    constexpr std::size_t kFixed = 12;
    if (size < kFixed || d[0] != kDcepOpen) {
        return std::nullopt;
    }
    DcepOpen open;
    open.channelType = d[1];
    open.reliabilityParameter = (std::uint32_t(d[4]) << 24) | (std::uint32_t(d[5]) << 16) |
                                (std::uint32_t(d[6]) << 8) | d[7];
    const std::size_t labelLength = (std::size_t(d[8]) << 8) | d[9];
    const std::size_t protocolLength = (std::size_t(d[10]) << 8) | d[11];
    if (size < kFixed + labelLength + protocolLength) {
        return std::nullopt;
    }
    open.label.assign(reinterpret_cast<const char*>(d + kFixed), labelLength);
    open.protocol.assign(reinterpret_cast<const char*>(d + kFixed + labelLength), protocolLength);
    return open;
}

} // namespace rtc::detail
