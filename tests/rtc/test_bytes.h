#pragma once

#include <cstddef>

#include "rtc/rtc.h"

namespace rtc_test {

// A message whose every byte depends on its position and an offset, so a lost, repeated or shifted
// piece shows in a comparison.
inline rtc::binary pattern(std::size_t size, int offset) {
    rtc::binary data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::byte>((i * 131 + static_cast<std::size_t>(offset)) & 0xFF);
    }
    return data;
}

} // namespace rtc_test
