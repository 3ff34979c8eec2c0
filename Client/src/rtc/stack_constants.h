#pragma once

// The limits and numbers the stages of a peer connection share.

#include <cstddef>
#include <cstdint>

namespace rtc::detail {

inline constexpr std::size_t kDefaultMaxMessageSize = 16 * 1024 * 1024 + 64 * 1024;
// The SCTP buffers hold a whole largest message, so it is sent and received in one piece.
inline constexpr int kSctpBufferBytes = 20 * 1024 * 1024;
// Bursts on the unordered video channel are lost in the kernel with the default UDP buffers.
inline constexpr int kUdpBufferBytes = 4 * 1024 * 1024;
inline constexpr int kGatheringTimeoutMs = 3000;
// A live peer is heard at least every SCTP heartbeat interval, even on an idle link (its
// heartbeats and its acknowledgements of ours); this much silence means it is gone.
inline constexpr unsigned kHeartbeatIntervalMs = 2000;
inline constexpr std::int64_t kPeerSilenceLimitMs = 8000;
inline constexpr int kDtlsMtu = 1200;
inline constexpr std::uint32_t kSctpMtu = 1188;
// The peer may open at most this many data channels.
inline constexpr std::size_t kMaxChannels = 64;

// SCTP payload protocol identifiers of data channels (RFC 8831).
enum : std::uint32_t {
    kPpidControl = 50,
    kPpidString = 51,
    kPpidBinaryPartial = 52,
    kPpidBinary = 53,
    kPpidStringPartial = 54,
    kPpidStringEmpty = 56,
    kPpidBinaryEmpty = 57,
};
// Channel types of the DCEP open message (RFC 8832).
enum : std::uint8_t {
    kChannelReliable = 0x00,
    kChannelPartialRetransmit = 0x01,
    kChannelPartialTimed = 0x02,
    kChannelUnorderedBit = 0x80,
};

} // namespace rtc::detail
