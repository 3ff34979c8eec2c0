#pragma once

#include <memory>

#include "capture/captured_frame.h"
#include "capture/x11_display.h"

namespace nimbral {

// The primary reader: the monitor's pixels through a shared-memory image, read only when the
// server reports damage (waiting up to 100 ms for it), with the damaged rectangles passed on as
// dirty rects. A frame without known rectangles (the first one, or a pointer-only change) is a
// key frame. A lost shared segment or a resolution change is repaired on the spot; when that
// fails the backend reports itself lost and the capture manager takes over.
class X11ShmCaptureBackend final : public IScreenCaptureBackend {
public:
    static constexpr int kDamageWaitMs = 100;

    X11ShmCaptureBackend();
    ~X11ShmCaptureBackend() override;
    bool initialize(std::int32_t monitorIndex) override;
    void shutdown() override;
    std::unique_ptr<CapturedFrame> captureFrame() override;
    std::vector<MonitorInfo> enumerateMonitors() override;
    MonitorInfo currentMonitor() override { return m_monitor; }
    bool isInitialized() const override { return m_initialized; }

private:
    struct Shared; // the X image and its shared segment; X types stay out of this header
    std::shared_ptr<FrameBufferPool> m_buffers = std::make_shared<FrameBufferPool>();

    bool createImage();
    void destroyImage();
    bool monitorGeometryChanged();
    // Collects damage for up to `waitMs`; true when the screen changed in our monitor.
    bool waitForChanges(int waitMs, std::vector<DirtyRect>& rects);

    x11::DisplayPtr m_display;
    MonitorInfo m_monitor;
    std::unique_ptr<Shared> m_shared;
    unsigned long m_damage = 0;
    int m_damageEventBase = 0;
    int m_randrEventBase = -1;
    bool m_firstFrame = true;
    int m_lastPointerX = -1;
    int m_lastPointerY = -1;
    bool m_initialized = false;
};

} // namespace nimbral
