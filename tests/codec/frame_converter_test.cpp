#include "codec/frame_converter.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "log_capture.h"

namespace nimbral {
namespace {

using Path = FrameConverter::Path;
using Bytes = std::vector<std::uint8_t>;

// A width x height BGRA image of one colour, rows `stride` bytes apart (padding filled with a
// marker the converter must never read into its output).
Bytes solid(int width, int height, int stride, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    Bytes image(static_cast<std::size_t>(stride) * height, 0xEE);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.data() + static_cast<std::size_t>(y) * stride + x * 4;
            p[0] = b;
            p[1] = g;
            p[2] = r;
            p[3] = 0x55;
        }
    }
    return image;
}

std::vector<Path> pathsHere() {
    std::vector<Path> paths = {Path::Scalar};
#if defined(__x86_64__) || defined(__i386__)
    paths.push_back(Path::Sse2);
    if (FrameConverter::bestPath() == Path::Avx2) {
        paths.push_back(Path::Avx2);
    }
#endif
    return paths;
}

struct ColourCase {
    const char* name;
    std::uint8_t b, g, r;
    std::uint8_t y, u, v;
};

TEST(FrameConverter, ReferenceColoursOnEveryPath) {
    const ColourCase cases[] = {
        {"white", 255, 255, 255, 255, 128, 128}, {"black", 0, 0, 0, 0, 128, 128},
        {"grey", 128, 128, 128, 128, 128, 128},  {"red", 0, 0, 255, 76, 85, 255},
        {"green", 0, 255, 0, 150, 44, 21},       {"blue", 255, 0, 0, 29, 255, 107},
    };
    const FrameConverter converter;
    for (const Path path : pathsHere()) {
        for (const ColourCase& c : cases) {
            // Wide enough for the vector paths to do the work, not only the scalar tail.
            const int width = 48;
            const int height = 4;
            const Bytes image = solid(width, height, width * 4, c.b, c.g, c.r);
            Bytes nv12(width * height * 3 / 2, 0x11);
            converter.convertWith(path, image.data(), width, height, width * 4, nv12.data(),
                                  nv12.size());
            SCOPED_TRACE(std::string(c.name) + " on " + FrameConverter::pathName(path));
            for (int i = 0; i < width * height; ++i) {
                ASSERT_EQ(nv12[i], c.y) << "Y at " << i;
            }
            for (int i = width * height; i < static_cast<int>(nv12.size()); i += 2) {
                ASSERT_EQ(nv12[i], c.u) << "U at " << i;
                ASSERT_EQ(nv12[i + 1], c.v) << "V at " << i;
            }
        }
    }
}

TEST(FrameConverter, ChromaIsTheRoundedMeanOfEachBlock) {
    // One 2x2 block: two black and two white pixels average to 128 (127.5 rounded up).
    Bytes image(2 * 2 * 4, 0);
    for (int i : {0, 3}) {
        image[i * 4] = image[i * 4 + 1] = image[i * 4 + 2] = 255;
    }
    Bytes nv12(6, 0x11);
    FrameConverter().convertWith(Path::Scalar, image.data(), 2, 2, 8, nv12.data(), 6);
    EXPECT_EQ(nv12, (Bytes{255, 0, 0, 255, 128, 128}));
}

TEST(FrameConverter, OddSizesConvertTheEvenAreaAndKeepTheStride) {
    const int width = 1921;
    const int height = 1081;
    Bytes image = solid(width, height, width * 4, 255, 255, 255);
    // The last column and row are red: they must not reach the output.
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = image.data() + static_cast<std::size_t>(y) * width * 4 + (width - 1) * 4;
        p[0] = p[1] = 0;
    }
    for (int x = 0; x < width; ++x) {
        std::uint8_t* p = image.data() + static_cast<std::size_t>(height - 1) * width * 4 + x * 4;
        p[0] = p[1] = 0;
    }
    test::LogCapture log;
    Bytes nv12(static_cast<std::size_t>(width) * height * 3 / 2, 0);
    FrameConverter().convert(image.data(), width, height, width * 4, nv12.data(), 0);
    EXPECT_TRUE(log.has(spdlog::level::debug,
                        "FrameConverter: dimensions 1921x1081 not even, using 1920x1080"));
    for (int y = 0; y < 1080; ++y) {
        ASSERT_EQ(nv12[static_cast<std::size_t>(y) * width], 255) << y;
        ASSERT_EQ(nv12[static_cast<std::size_t>(y) * width + 1919], 255) << y;
        ASSERT_EQ(nv12[static_cast<std::size_t>(y) * width + 1920], 0)
            << "last byte of Y row " << y;
    }
    const std::size_t uv = static_cast<std::size_t>(width) * 1080;
    EXPECT_EQ(nv12[uv], 128);
    EXPECT_EQ(nv12[uv + 1], 128);
    EXPECT_EQ(nv12[uv + 1920], 0); // last byte of the UV row
    EXPECT_EQ(nv12[uv + 539 * width + 1918], 128);
}

TEST(FrameConverter, OneByOneWritesNothing) {
    const Bytes pixel = solid(1, 1, 4, 255, 255, 255);
    Bytes nv12(4, 0x11);
    test::LogCapture log;
    FrameConverter().convert(pixel.data(), 1, 1, 4, nv12.data(), 0);
    EXPECT_TRUE(
        log.has(spdlog::level::debug, "FrameConverter: dimensions 1x1 not even, using 0x0"));
    EXPECT_EQ(nv12, Bytes(4, 0x11));
}

TEST(FrameConverter, RowPaddingIsNeverRead) {
    const int width = 40;
    const int height = 6;
    std::mt19937 random(7);
    Bytes tight(width * height * 4);
    for (auto& byte : tight) {
        byte = static_cast<std::uint8_t>(random());
    }
    const int stride = width * 4 + 36;
    Bytes padded(static_cast<std::size_t>(stride) * height, 0xEE);
    for (int y = 0; y < height; ++y) {
        std::copy_n(tight.begin() + y * width * 4, width * 4, padded.begin() + y * stride);
    }
    for (const Path path : pathsHere()) {
        Bytes a(width * height * 3 / 2, 0);
        Bytes b(width * height * 3 / 2, 0);
        FrameConverter().convertWith(path, tight.data(), width, height, width * 4, a.data(), 0);
        FrameConverter().convertWith(path, padded.data(), width, height, stride, b.data(), 0);
        EXPECT_EQ(a, b) << FrameConverter::pathName(path);
    }
}

TEST(FrameConverter, BadArgumentsAreRefusedWithoutWriting) {
    const Bytes image = solid(4, 4, 16, 1, 2, 3);
    Bytes nv12(24, 0x11);
    const FrameConverter converter;
    test::LogCapture log;
    converter.convert(nullptr, 4, 4, 16, nv12.data(), 0);
    converter.convert(image.data(), 4, 4, 16, nullptr, 0);
    EXPECT_TRUE(log.has(spdlog::level::err, "FrameConverter: null pointer passed to convert()"));
    converter.convert(image.data(), 0, 4, 16, nv12.data(), 0);
    EXPECT_TRUE(log.has(spdlog::level::err, "FrameConverter: invalid dimensions 0x4"));
    converter.convert(image.data(), 4, -2, 16, nv12.data(), 0);
    EXPECT_TRUE(log.has(spdlog::level::err, "FrameConverter: invalid dimensions 4x-2"));
    converter.convert(image.data(), 4, 4, 16, nv12.data(), 23);
    EXPECT_TRUE(
        log.has(spdlog::level::err, "FrameConverter: output buffer too small (23 < 24 required)"));
    EXPECT_EQ(nv12, Bytes(24, 0x11));
    converter.convert(image.data(), 4, 4, 16, nv12.data(), 24);
    EXPECT_NE(nv12, Bytes(24, 0x11));
}

// The vector paths must give the scalar result byte for byte, tails and odd sizes included.
TEST(FrameConverter, VectorPathsEqualTheScalarPathOnRandomImages) {
    std::mt19937 random(2026);
    const FrameConverter converter;
    int compared = 0;
    // Narrow widths for the single steps and the scalar tail, wide ones for the groups of
    // four steps (32 pixels with AVX2) with every kind of remainder.
    std::vector<int> widths;
    for (int width = 1; width <= 70; width += (width < 20 ? 1 : 7)) {
        widths.push_back(width);
    }
    for (int width : {95, 96, 97, 104, 127, 128, 136, 200}) {
        widths.push_back(width);
    }
    for (const int width : widths) {
        for (int height : {1, 2, 3, 4, 7, 10}) {
            const int stride = width * 4 + static_cast<int>(random() % 3) * 4;
            Bytes image(static_cast<std::size_t>(stride) * height);
            for (auto& byte : image) {
                byte = static_cast<std::uint8_t>(random());
            }
            Bytes reference(static_cast<std::size_t>(width) * height * 3 / 2 + 8, 0x33);
            converter.convertWith(Path::Scalar, image.data(), width, height, stride,
                                  reference.data(), 0);
            for (const Path path : pathsHere()) {
                Bytes out(reference.size(), 0x33);
                converter.convertWith(path, image.data(), width, height, stride, out.data(), 0);
                ASSERT_EQ(out, reference) << FrameConverter::pathName(path) << " at " << width
                                          << "x" << height << " stride " << stride;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 100);
}

} // namespace
} // namespace nimbral
