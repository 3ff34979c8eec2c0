#pragma once

#include <cstddef>
#include <cstdint>

namespace nimbral::platform {

// Bytes a connected TCP socket holds in the kernel that the peer has not acknowledged yet; 0
// when the system cannot tell. A stream sender adds this to its own buffer to see the whole
// backlog: the kernel alone can hold megabytes, seconds of video on a slow link.
std::size_t unacknowledgedSocketBytes(std::intptr_t descriptor);

// The kernel's smoothed round-trip estimate of a connected TCP socket in microseconds; 0 when
// the system cannot tell.
std::uint32_t socketRoundTripMicros(std::intptr_t descriptor);

} // namespace nimbral::platform
