#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nimbral::test {

// An NV12 frame with tight strides whose every byte is `value`: a reader that finds two values
// in one frame read a torn one.
inline std::vector<std::uint8_t> flatNv12(std::uint32_t width, std::uint32_t height,
                                          std::uint8_t value) {
    const std::size_t luma = std::size_t(width) * height;
    const std::size_t chroma = std::size_t(2 * ((width + 1) / 2)) * ((height + 1) / 2);
    return std::vector<std::uint8_t>(luma + chroma, value);
}

} // namespace nimbral::test
