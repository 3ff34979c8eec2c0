// The Target's per-frame media work on desktop-like frames at 1080p and 720p: BGRA -> NV12
// conversion (against memcpy of the frame and libyuv's full-range conversion, the library a user
// would otherwise pick), AV1 encoding in both display modes (key and delta frames, bitrate) and
// AV1 decoding. All measured in this run, so the ratios hold on whatever machine prints them.
//
//   bench_codec [frames per mode, default 40]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <libyuv/convert_from_argb.h>
#include <spdlog/spdlog.h>

#include "bench_stats.h"
#include "codec/av1_decoder.h"
#include "codec/av1_encoder.h"
#include "codec/frame_converter.h"
#include "desktop_frames.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
using nimbral::FrameConverter;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Best of several timed batches, in ms per call.
double timePerCall(const std::function<void()>& call, int calls = 20) {
    double best = 1e9;
    for (int batch = 0; batch < 5; ++batch) {
        const auto start = Clock::now();
        for (int i = 0; i < calls; ++i) {
            call();
        }
        best = std::min(best, msSince(start) / calls);
    }
    return best;
}

using nimbral::bench::percentile;

void benchConverter(int width, int height) {
    const Bytes bgra = nimbral::test::desktopFrame(width, height, 0);
    Bytes copy(bgra.size());
    Bytes nv12(static_cast<std::size_t>(width) * height * 3 / 2);
    Bytes i420(nv12.size());
    const FrameConverter converter;

    const double memcpyMs =
        timePerCall([&] { std::memcpy(copy.data(), bgra.data(), bgra.size()); });
    const double libyuvMs = timePerCall([&] {
        libyuv::ARGBToJ420(bgra.data(), width * 4, i420.data(), width, i420.data() + width * height,
                           width / 2, i420.data() + width * height + width * height / 4, width / 2,
                           width, height);
    });
    std::printf("  converter %dx%d: memcpy %.2f ms, libyuv ARGBToJ420 %.2f ms\n", width, height,
                memcpyMs, libyuvMs);
    for (const auto path :
         {FrameConverter::Path::Scalar, FrameConverter::Path::Sse2, FrameConverter::Path::Avx2}) {
        if (path == FrameConverter::Path::Avx2 && FrameConverter::bestPath() != path) {
            continue;
        }
        const double ms = timePerCall([&] {
            converter.convertWith(path, bgra.data(), width, height, width * 4, nv12.data(), 0);
        });
        std::printf("    %-6s %.2f ms  = %.2fx memcpy, %.2fx libyuv%s\n",
                    FrameConverter::pathName(path), ms, ms / memcpyMs, ms / libyuvMs,
                    path == FrameConverter::bestPath() ? "  (used)" : "");
    }
}

// Desktop frames: a window moving every frame, or, when typing, a still desktop where each frame
// adds one small glyph to a line of text.
std::vector<Bytes> desktopSequence(int width, int height, int frames, bool typing) {
    std::vector<Bytes> sequence;
    Bytes typed = nimbral::test::desktopFrame(width, height, 0);
    for (int i = 0; i < frames; ++i) {
        if (!typing) {
            sequence.push_back(nimbral::test::desktopFrame(width, height, i));
            continue;
        }
        const int glyphX = width / 16 + 10 + (i % 80) * 8;
        const int glyphY = height / 10 + 30 + (i / 80) * 16;
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 6; ++x) {
                if ((x + y + i) % 3 == 0) {
                    std::uint8_t* pixel =
                        typed.data() +
                        (static_cast<std::size_t>(glyphY + y) * width + glyphX + x) * 4;
                    pixel[0] = pixel[1] = pixel[2] = 0;
                }
            }
        }
        sequence.push_back(typed);
    }
    return sequence;
}

void benchCodec(int width, int height, const char* mode, int fps, int cq, const char* preset,
                int frames, bool typing = false) {
    nimbral::EncoderConfig config;
    config.width = width;
    config.height = height;
    config.fps = fps;
    config.cqLevel = cq;
    config.preset = preset;
    nimbral::AV1Encoder encoder;
    nimbral::AV1Decoder decoder;
    if (!encoder.initialize(config) || !decoder.initialize(0, 0)) {
        std::printf("  %s: encoder or decoder failed to start\n", mode);
        return;
    }
    const FrameConverter converter;
    std::vector<Bytes> inputs;
    for (const Bytes& bgra : desktopSequence(width, height, frames, typing)) {
        Bytes nv12(static_cast<std::size_t>(width) * height * 3 / 2);
        converter.convert(bgra.data(), width, height, width * 4, nv12.data(), 0);
        inputs.push_back(std::move(nv12));
    }
    std::vector<double> keyMs;
    std::vector<double> deltaMs;
    std::vector<double> decodeMs;
    std::size_t deltaBytes = 0;
    std::size_t totalBytes = 0;
    for (int i = 0; i < frames; ++i) {
        const bool forceKey = i > 0 && i % 20 == 0;
        const auto start = Clock::now();
        auto packet = encoder.encode(inputs[i].data(), width, height, i, forceKey);
        const double ms = msSince(start);
        if (!packet) {
            continue;
        }
        (packet->isKeyframe ? keyMs : deltaMs).push_back(ms);
        totalBytes += packet->data.size();
        if (!packet->isKeyframe) {
            deltaBytes += packet->data.size();
        }
        const auto decodeStart = Clock::now();
        auto frame = decoder.decode(packet->data.data(), packet->data.size(), i);
        decodeMs.push_back(msSince(decodeStart));
        if (!frame) {
            std::printf("  %s: frame %d did not decode\n", mode, i);
        }
    }
    std::printf("  %s %dx%d @ %d fps, CQ %d, preset \"%s\" (cpu-used %d), %s:\n", mode, width,
                height, fps, cq, preset, nimbral::AV1Encoder::speedForPreset(preset),
                typing ? "typing" : "a moving window");
    std::printf(
        "    key frame %.0f ms (max of %zu), delta p50 %.1f ms, p95 %.1f ms (budget %.1f ms)\n",
        keyMs.empty() ? 0 : *std::max_element(keyMs.begin(), keyMs.end()), keyMs.size(),
        percentile(deltaMs, 0.5), percentile(deltaMs, 0.95), 1000.0 / fps);
    std::printf(
        "    %.0f kbit/s over the sequence, %.0f kbit/s of delta frames; decode p50 %.1f ms, "
        "p95 %.1f ms\n",
        totalBytes * 8.0 * fps / frames / 1000,
        deltaMs.empty() ? 0 : deltaBytes * 8.0 * fps / deltaMs.size() / 1000,
        percentile(decodeMs, 0.5), percentile(decodeMs, 0.95));
}

} // namespace

int main(int argc, char** argv) {
    spdlog::set_level(spdlog::level::warn);
    const int frames = argc > 1 ? std::max(5, std::atoi(argv[1])) : 40;
    std::printf("Media path on desktop-like frames (synthetic: text panel, flat areas, a window "
                "moving every frame)\n");
    for (const auto& [width, height] : {std::pair{1920, 1080}, std::pair{1280, 720}}) {
        benchConverter(width, height);
    }
    // The product's preset "13" (the fastest real-time speed); "8", its former preset, as the
    // baseline in the same run.
    for (const auto& [width, height] : {std::pair{1920, 1080}, std::pair{1280, 720}}) {
        benchCodec(width, height, "quality", 24, 23, "13", frames);
        benchCodec(width, height, "speed", 10, 45, "13", frames);
    }
    for (const bool typing : {false, true}) {
        benchCodec(1920, 1080, "quality", 24, 23, "13", frames, typing);
        benchCodec(1920, 1080, "baseline quality", 24, 23, "8", frames, typing);
    }
    return 0;
}
