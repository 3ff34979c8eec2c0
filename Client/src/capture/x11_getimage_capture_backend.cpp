#include "capture/x11_getimage_capture_backend.h"

#include <spdlog/spdlog.h>

// X headers last: their macros (Bool, Status, None) break Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>

namespace nimbral {

X11GetImageCaptureBackend::~X11GetImageCaptureBackend() {
    shutdown();
}

void X11GetImageCaptureBackend::shutdown() {
    m_display.reset();
    m_initialized = false;
}

std::vector<MonitorInfo> X11GetImageCaptureBackend::enumerateMonitors() {
    if (m_display) {
        return x11::monitors(m_display.get());
    }
    return nimbral::enumerateMonitors();
}

bool X11GetImageCaptureBackend::initialize(std::int32_t monitorIndex) {
    shutdown();
    m_monitor = MonitorInfo{};
    m_monitor.index = monitorIndex;
    m_display = x11::openDisplay();
    if (!m_display) {
        spdlog::error("X11GetImageCaptureBackend: cannot open the X display");
        return false;
    }
    const auto list = x11::monitors(m_display.get());
    if (monitorIndex < 0 || monitorIndex >= static_cast<int>(list.size())) {
        spdlog::error("X11GetImageCaptureBackend: monitor index {} not found (have {} monitors)",
                      monitorIndex, list.size());
        shutdown();
        return false;
    }
    m_monitor = list[static_cast<std::size_t>(monitorIndex)];
    if (m_monitor.width < 1 || m_monitor.height < 1) {
        spdlog::error("X11GetImageCaptureBackend: invalid monitor dimensions {}x{}",
                      m_monitor.width, m_monitor.height);
        shutdown();
        return false;
    }
    m_initialized = true;
    spdlog::info("X11GetImageCaptureBackend: initialized on monitor {} '{}' ({}x{}) [XGetImage "
                 "fallback]",
                 monitorIndex, m_monitor.name, m_monitor.width, m_monitor.height);
    return true;
}

std::unique_ptr<CapturedFrame> X11GetImageCaptureBackend::captureFrame() {
    if (!m_initialized) {
        return nullptr;
    }
    Display* display = m_display.get();
    XImage* image = nullptr;
    {
        x11::ErrorTrap trap(display);
        image = XGetImage(display, DefaultRootWindow(display), m_monitor.x, m_monitor.y,
                          static_cast<unsigned>(m_monitor.width),
                          static_cast<unsigned>(m_monitor.height), AllPlanes, ZPixmap);
        if (trap.failed() && image != nullptr) {
            XDestroyImage(image);
            image = nullptr;
        }
    }
    if (image == nullptr || image->bits_per_pixel != 32) {
        spdlog::warn("X11GetImageCaptureBackend: XGetImage failed");
        if (image != nullptr) {
            XDestroyImage(image);
        }
        return nullptr;
    }
    auto frame = x11::frameFromRows(image->data, image->bytes_per_line, m_monitor.width,
                                    m_monitor.height, m_buffers.get());
    XDestroyImage(image);
    x11::drawPointer(display, *frame, m_monitor.x, m_monitor.y);
    return frame;
}

} // namespace nimbral
