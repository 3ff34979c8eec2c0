#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace nimbral {

// One decoded picture in tightly packed NV12: yPlane is height rows of yStride (= width) bytes;
// uvPlane is (height + 1) / 2 rows of uvStride bytes holding (width + 1) / 2 U,V pairs, so the
// chroma stride is even and equals the width only for even widths. Neither stride is aligned:
// an uploader must unpack byte by byte. Immutable once returned.
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
    // True from a packet that was lost or could not be decoded until the next key frame: the
    // frames between depend on a picture this side never had, so the viewer should ask for one.
    virtual bool needsKeyFrame() const = 0;
};

} // namespace nimbral
