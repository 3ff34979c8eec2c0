#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codec/frame_converter.h"
#include "codec/video_decoder.h"

namespace nimbral::test {

// The NV12 luma and chroma of an RGB colour, as the Target's converter makes them.
inline std::vector<std::uint8_t> nv12Of(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::vector<std::uint8_t> bgra;
    for (int i = 0; i < 4; ++i) {
        bgra.insert(bgra.end(), {b, g, r, 255});
    }
    std::vector<std::uint8_t> nv12(6);
    FrameConverter().convert(bgra.data(), 2, 2, 8, nv12.data(), nv12.size());
    return nv12;
}

// Whether the decoded picture shows that colour at (x, y), within the codec's error.
inline bool looksLike(const DecodedFrame& picture, int x, int y,
                      const std::vector<std::uint8_t>& nv12) {
    const int luma = picture.yPlane[static_cast<std::size_t>(y) * picture.yStride + x];
    const std::size_t at = static_cast<std::size_t>(y / 2) * picture.uvStride + (x & ~1);
    return std::abs(luma - nv12[0]) <= 8 && std::abs(picture.uvPlane[at] - nv12[4]) <= 8 &&
           std::abs(picture.uvPlane[at + 1] - nv12[5]) <= 8;
}

} // namespace nimbral::test
