#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace nimbral::test {

// A sequence header OBU announcing a stream of the given maximum size (a still-picture header,
// the shortest there is): what a peer would send to make the viewer allocate without bound.
inline std::vector<std::uint8_t> sequenceHeaderAnnouncing(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> payload;
    int bits = 0;
    const auto put = [&](std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i, ++bits) {
            if (bits % 8 == 0) {
                payload.push_back(0);
            }
            if ((value >> i) & 1u) {
                payload.back() |= static_cast<std::uint8_t>(0x80u >> (bits % 8));
            }
        }
    };
    put(0, 3);           // profile
    put(1, 1);           // still picture
    put(1, 1);           // reduced still-picture header
    put(31, 5);          // level
    put(15, 4);          // frame width bits - 1
    put(15, 4);          // frame height bits - 1
    put(width - 1, 16);  // max frame width - 1
    put(height - 1, 16); // max frame height - 1
    put(0, 3);           // 128x128 superblocks, filter intra, intra edge filter
    put(0, 3);           // superres, CDEF, loop restoration
    put(0, 7);           // colour: 8 bit, not monochrome, no description, range, position
    put(0, 1);           // separate UV delta q
    put(0, 1);           // no film grain
    put(1, 1);           // trailing bits
    while (bits % 8 != 0) {
        put(0, 1);
    }
    std::vector<std::uint8_t> obu(2 + payload.size());
    obu[0] = (1 << 3) | 2; // a sequence header OBU with a size field
    obu[1] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), obu.begin() + 2);
    return obu;
}

} // namespace nimbral::test
