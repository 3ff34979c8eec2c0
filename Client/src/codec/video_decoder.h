#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace nimbral {

// One decoded picture in tightly packed NV12: yPlane is height rows of width bytes; uvPlane is
// height / 2 rows of width bytes holding U,V pairs. Immutable once returned.
struct DecodedFrame {
    std::vector<std::uint8_t> yPlane;
    std::vector<std::uint8_t> uvPlane;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t yStride = 0;
    std::int32_t uvStride = 0;
    std::int64_t timestamp = 0;
};

// Not thread-safe: one thread drives it.
class IVideoDecoder {
public:
    virtual ~IVideoDecoder() = default;
    virtual bool initialize(std::int32_t width, std::int32_t height) = 0;
    virtual void shutdown() = 0;
    // Empty when no picture came out of this packet (normal) or on failure (logged).
    virtual std::unique_ptr<DecodedFrame> decode(const std::uint8_t* data, std::uint64_t size,
                                                 std::int64_t timestamp) = 0;
    virtual bool isInitialized() const = 0;
};

} // namespace nimbral
