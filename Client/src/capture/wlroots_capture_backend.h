#pragma once

#include <memory>
#include <vector>

#include "capture/captured_frame.h"

struct wl_output;
struct zwlr_screencopy_frame_v1;

namespace nimbral {

namespace platform {
class WlrootsConnection;
struct WaylandOutput;
} // namespace platform

// The monitors of a Wayland compositor as its outputs list them, the first standing in for the
// primary one (Wayland has none).
std::vector<MonitorInfo> waylandMonitors(const std::vector<platform::WaylandOutput>& outputs);

// Reads a wlroots Wayland desktop (sway and others) through wlr-screencopy: each picture is
// asked for with copy_with_damage, which the compositor answers only once something on the
// output changed, together with the changed areas. Pictures land in shared memory; the pointer
// is drawn in. Lost when the compositor goes or refuses a copy.
class WlrootsCaptureBackend final : public IScreenCaptureBackend {
public:
    static constexpr int kFrameWaitMs = 100;
    // Damage over more than 1/kLargeDamageShare of the screen is checked tile by tile.
    static constexpr std::int64_t kLargeDamageShare = 4;
    // Copies refused in a row before the capture counts as lost.
    static constexpr int kMaxFailuresInARow = 3;

    WlrootsCaptureBackend();
    ~WlrootsCaptureBackend() override;
    bool initialize(std::int32_t monitorIndex) override;
    void shutdown() override;
    std::unique_ptr<CapturedFrame> captureFrame() override;
    std::vector<MonitorInfo> enumerateMonitors() override;
    MonitorInfo currentMonitor() override { return m_monitor; }
    bool isInitialized() const override { return m_initialized; }

    // What the compositor says about the frame being copied (its listener's callbacks).
    void offerBuffer(std::uint32_t format, std::uint32_t width, std::uint32_t height,
                     std::uint32_t stride);
    void offersComplete();
    void setFlags(std::uint32_t flags);
    void addDamage(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height);
    void copyFinished(bool ready);

    struct ShmBuffer;

private:
    enum class Copy { None, Offered, Copying, Ready, Failed };

    bool requestFrame();
    bool startCopy();
    std::unique_ptr<CapturedFrame> takePicture();
    std::vector<DirtyRect> changedAreas(const CapturedFrame& frame) const;
    void lose(const char* why);

    std::unique_ptr<platform::WlrootsConnection> m_connection;
    wl_output* m_output = nullptr;
    zwlr_screencopy_frame_v1* m_frame = nullptr;
    Copy m_copy = Copy::None;
    std::unique_ptr<ShmBuffer> m_buffer;
    std::uint32_t m_format = 0;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::int32_t m_stride = 0;
    bool m_yInverted = false;
    std::vector<DirtyRect> m_damage;
    bool m_damageOverflow = false;
    bool m_keyframeDue = true;
    std::vector<std::uint8_t> m_lastPicture;
    int m_failuresInARow = 0;
    std::shared_ptr<FrameBufferPool> m_pool = std::make_shared<FrameBufferPool>();
    MonitorInfo m_monitor;
    bool m_initialized = false;
};

} // namespace nimbral
