#pragma once

#include <cstdint>

namespace nimbral {

// Captured BGRA frames to NV12 for the encoder: full-range BT.601 in 15-bit fixed point, chroma
// averaged over 2x2 blocks. Only the even-sized area is converted; see convert(). Stateless and
// thread-safe. The vectorised path is chosen once at run time and is byte-for-byte equal to the
// scalar one.
class FrameConverter {
public:
    enum class Path { Scalar, Sse2, Avx2 };

    // dst receives the Y plane (stride width) and, at width * evenHeight, the interleaved UV
    // plane (stride width, evenHeight / 2 rows). dstSize 0 skips the size check; otherwise it
    // must hold width * height * 3 / 2 bytes. Bad arguments are logged and nothing is written.
    void convert(const std::uint8_t* src, int width, int height, int srcStride, std::uint8_t* dst,
                 std::uint64_t dstSize) const;

    // The same conversion along one chosen path (tests and benchmarks compare them).
    void convertWith(Path path, const std::uint8_t* src, int width, int height, int srcStride,
                     std::uint8_t* dst, std::uint64_t dstSize) const;

    // The fastest path this processor runs.
    static Path bestPath();
    static const char* pathName(Path path);
};

namespace detail {

// One pass over the even area; arguments already checked.
void convertScalar(const std::uint8_t* src, int width, int evenWidth, int evenHeight, int srcStride,
                   std::uint8_t* dst);
// Vectorised: handle the leading whole groups of blocks of each block row and return how many
// columns they covered; the scalar code finishes the rest.
int convertRowsSse2(const std::uint8_t* src, int width, int evenWidth, int evenHeight,
                    int srcStride, std::uint8_t* dst);
int convertRowsAvx2(const std::uint8_t* src, int width, int evenWidth, int evenHeight,
                    int srcStride, std::uint8_t* dst);
void convertScalarColumns(const std::uint8_t* src, int width, int fromColumn, int evenWidth,
                          int evenHeight, int srcStride, std::uint8_t* dst);

} // namespace detail
} // namespace nimbral
