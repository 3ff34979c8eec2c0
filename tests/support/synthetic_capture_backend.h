#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "capture/captured_frame.h"

namespace nimbral::test {

// What the synthetic screen shows and what it has shown; shared between the test and the
// backend, which runs on the capture thread.
struct SyntheticScreen {
    static constexpr int kBarWidth = 16;
    static constexpr int kBarStep = 8;

    std::atomic<int> width{320};
    std::atomic<int> height{240};
    std::atomic<bool> noise{false}; // a fresh random texture each frame: expensive to encode
    std::atomic<bool> failInitialize{false};
    std::atomic<int> initializedMonitor{-1};
    std::atomic<int> monitorCount{1}; // listed as "SYN-1", "SYN-2", ..., all of this size
    std::atomic<int> framesLeft{-1};  // captures until the screen stands still; -1: never

    // A white bar on a dark blue-grey ground moves kBarStep pixels per frame; with noise the
    // ground is random instead. A band at the top carries the frame's index in white blocks,
    // so the far side can tell which capture it is looking at.
    static constexpr int kBandHeight = 24;
    static constexpr int kCodeBits = 12;
    static int barX(int width, int index) { return (index * kBarStep) % (width - kBarWidth); }
    static int codeBlockX(int bit) { return 4 + bit * 20; } // 16 x 16 blocks from row 4
    // The capture index a received picture's band carries, read from its luma plane.
    static int indexShownBy(const std::uint8_t* luma, int stride) {
        int index = 0;
        for (int bit = 0; bit < kCodeBits; ++bit) {
            if (luma[12 * stride + codeBlockX(bit) + 8] > 128) {
                index |= 1 << bit;
            }
        }
        return index;
    }

    std::mutex mutex;
    std::vector<std::int64_t> capturedAt; // per frame index, monotonic ms
};

// A capture backend that draws the synthetic screen: every capture is a new frame.
class SyntheticCaptureBackend final : public IScreenCaptureBackend {
public:
    explicit SyntheticCaptureBackend(std::shared_ptr<SyntheticScreen> screen)
        : m_screen(std::move(screen)) {}

    bool initialize(std::int32_t monitorIndex) override {
        if (m_screen->failInitialize) {
            return false;
        }
        m_screen->initializedMonitor = monitorIndex;
        m_initialized = true;
        return true;
    }
    void shutdown() override { m_initialized = false; }
    bool isInitialized() const override { return m_initialized; }
    std::vector<MonitorInfo> enumerateMonitors() override {
        std::vector<MonitorInfo> monitors(static_cast<std::size_t>(m_screen->monitorCount.load()),
                                          currentMonitor());
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            monitors[i].index = static_cast<std::int32_t>(i);
            monitors[i].name = "SYN-" + std::to_string(i + 1);
            monitors[i].isPrimary = i == 0;
        }
        return monitors;
    }
    MonitorInfo currentMonitor() override {
        MonitorInfo info;
        info.width = m_screen->width;
        info.height = m_screen->height;
        info.isPrimary = true;
        return info;
    }

    std::unique_ptr<CapturedFrame> captureFrame() override {
        if (m_screen->framesLeft == 0) {
            return nullptr; // nothing changed
        }
        auto frame = std::make_unique<CapturedFrame>();
        frame->width = m_screen->width;
        frame->height = m_screen->height;
        frame->stride = frame->width * 4;
        frame->data.assign(static_cast<std::size_t>(frame->stride) * frame->height, 0);
        int index = 0;
        {
            const std::lock_guard lock(m_screen->mutex);
            index = static_cast<int>(m_screen->capturedAt.size());
            m_screen->capturedAt.push_back(monotonicMilliseconds());
        }
        // Counted down only once the capture is on record: a test that sees no frames left
        // finds the last one among the captures.
        if (m_screen->framesLeft > 0) {
            --m_screen->framesLeft;
        }
        const bool noise = m_screen->noise;
        const int bar = SyntheticScreen::barX(frame->width, index);
        for (int y = 0; y < frame->height; ++y) {
            std::uint8_t* row = frame->data.data() + static_cast<std::size_t>(y) * frame->stride;
            for (int x = 0; x < frame->width; ++x) {
                std::uint8_t* pixel = row + x * 4;
                if (y < SyntheticScreen::kBandHeight) {
                    const int bit = (x - 4) / 20;
                    const bool inBlock = x >= 4 && (x - 4) % 20 < 16 && y >= 4 && y < 20 &&
                                         bit < SyntheticScreen::kCodeBits;
                    const bool white = inBlock && ((index >> bit) & 1) != 0;
                    pixel[0] = pixel[1] = pixel[2] = white ? 255 : 0;
                } else if (x >= bar && x < bar + SyntheticScreen::kBarWidth) {
                    pixel[0] = pixel[1] = pixel[2] = 255;
                } else if (noise) {
                    const std::uint32_t value = m_random();
                    pixel[0] = static_cast<std::uint8_t>(value & 0x7F);
                    pixel[1] = static_cast<std::uint8_t>((value >> 8) & 0x7F);
                    pixel[2] = static_cast<std::uint8_t>((value >> 16) & 0x7F);
                } else {
                    pixel[0] = 0x60; // blue
                    pixel[1] = 0x30; // green
                    pixel[2] = 0x20; // red
                }
                pixel[3] = 255;
            }
        }
        frame->timestamp = monotonicMilliseconds();
        frame->isKeyframe = index == 0;
        return frame;
    }

private:
    std::shared_ptr<SyntheticScreen> m_screen;
    bool m_initialized = false;
    std::minstd_rand m_random{12345};
};

} // namespace nimbral::test
