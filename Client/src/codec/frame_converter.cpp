#include "codec/frame_converter.h"

#include <algorithm>

#include <spdlog/spdlog.h>

namespace nimbral {

namespace detail {

void convertScalarColumns(const std::uint8_t* src, int width, int fromColumn, int evenWidth,
                          int evenHeight, int srcStride, std::uint8_t* dst) {
    std::uint8_t* uvPlane = dst + static_cast<std::size_t>(width) * evenHeight;
    for (int y = 0; y < evenHeight; y += 2) {
        const std::uint8_t* row0 = src + static_cast<std::size_t>(y) * srcStride;
        const std::uint8_t* row1 = row0 + srcStride;
        std::uint8_t* y0 = dst + static_cast<std::size_t>(y) * width;
        std::uint8_t* y1 = y0 + width;
        std::uint8_t* uv = uvPlane + static_cast<std::size_t>(y / 2) * width;
        for (int x = fromColumn; x < evenWidth; x += 2) {
            const std::uint8_t* p00 = row0 + x * 4;
            const std::uint8_t* p01 = p00 + 4;
            const std::uint8_t* p10 = row1 + x * 4;
            const std::uint8_t* p11 = p10 + 4;
            const auto luma = [](const std::uint8_t* p) {
                const int value = (3735 * p[0] + 19235 * p[1] + 9798 * p[2] + 16384) >> 15;
                return static_cast<std::uint8_t>(std::min(value, 255));
            };
            y0[x] = luma(p00);
            y0[x + 1] = luma(p01);
            y1[x] = luma(p10);
            y1[x + 1] = luma(p11);

            const int b = (p00[0] + p01[0] + p10[0] + p11[0] + 2) >> 2;
            const int g = (p00[1] + p01[1] + p10[1] + p11[1] + 2) >> 2;
            const int r = (p00[2] + p01[2] + p10[2] + p11[2] + 2) >> 2;
            const int u = ((16384 * b - 10846 * g - 5538 * r + 16384) >> 15) + 128;
            const int v = ((16384 * r - 13730 * g - 2654 * b + 16384) >> 15) + 128;
            uv[x] = static_cast<std::uint8_t>(std::clamp(u, 0, 255));
            uv[x + 1] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
        }
    }
}

void convertScalar(const std::uint8_t* src, int width, int evenWidth, int evenHeight, int srcStride,
                   std::uint8_t* dst) {
    convertScalarColumns(src, width, 0, evenWidth, evenHeight, srcStride, dst);
}

} // namespace detail

const char* FrameConverter::pathName(Path path) {
    switch (path) {
    case Path::Scalar:
        return "scalar";
    case Path::Sse2:
        return "SSE2";
    case Path::Avx2:
        return "AVX2";
    }
    return "scalar";
}

FrameConverter::Path FrameConverter::bestPath() {
#if defined(__x86_64__) || defined(__i386__)
    static const Path best = __builtin_cpu_supports("avx2") ? Path::Avx2 : Path::Sse2;
    return best;
#else
    return Path::Scalar;
#endif
}

void FrameConverter::convert(const std::uint8_t* src, int width, int height, int srcStride,
                             std::uint8_t* dst, std::uint64_t dstSize) const {
    convertWith(bestPath(), src, width, height, srcStride, dst, dstSize);
}

void FrameConverter::convertWith(Path path, const std::uint8_t* src, int width, int height,
                                 int srcStride, std::uint8_t* dst, std::uint64_t dstSize) const {
    if (src == nullptr || dst == nullptr) {
        spdlog::error("FrameConverter: null pointer passed to convert()");
        return;
    }
    if (width < 1 || height < 1) {
        spdlog::error("FrameConverter: invalid dimensions {}x{}", width, height);
        return;
    }
    const std::uint64_t required =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3 / 2;
    if (dstSize != 0 && dstSize < required) {
        spdlog::error("FrameConverter: output buffer too small ({} < {} required)", dstSize,
                      required);
        return;
    }
    const int evenWidth = width & ~1;
    const int evenHeight = height & ~1;
    if (evenWidth != width || evenHeight != height) {
        spdlog::debug("FrameConverter: dimensions {}x{} not even, using {}x{}", width, height,
                      evenWidth, evenHeight);
    }

    int done = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (path == Path::Avx2) {
        done = detail::convertRowsAvx2(src, width, evenWidth, evenHeight, srcStride, dst);
    } else if (path == Path::Sse2) {
        done = detail::convertRowsSse2(src, width, evenWidth, evenHeight, srcStride, dst);
    }
#else
    (void)path;
#endif
    detail::convertScalarColumns(src, width, done, evenWidth, evenHeight, srcStride, dst);
}

} // namespace nimbral
