#include "capture/x11_shm_capture_backend.h"

#include <algorithm>
#include <cstring>

#include <spdlog/spdlog.h>

// X headers last: their macros (Bool, Status, None) break Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace nimbral {

struct X11ShmCaptureBackend::Shared {
    XImage* image = nullptr;
    XShmSegmentInfo segment{};
    bool attached = false;
};

X11ShmCaptureBackend::X11ShmCaptureBackend()
    : m_shared(std::make_unique<Shared>()) {
}

X11ShmCaptureBackend::~X11ShmCaptureBackend() {
    shutdown();
}

std::vector<MonitorInfo> X11ShmCaptureBackend::enumerateMonitors() {
    if (m_display) {
        return x11::monitors(m_display.get());
    }
    return nimbral::enumerateMonitors();
}

void X11ShmCaptureBackend::destroyImage() {
    Display* display = m_display.get();
    if (m_shared->attached) {
        XShmDetach(display, &m_shared->segment);
        XSync(display, False);
        m_shared->attached = false;
    }
    if (m_shared->image != nullptr) {
        m_shared->image->data = nullptr; // the segment is not Xlib's to free
        XDestroyImage(m_shared->image);
        m_shared->image = nullptr;
    }
    if (m_shared->segment.shmaddr != nullptr &&
        m_shared->segment.shmaddr != reinterpret_cast<char*>(-1)) {
        shmdt(m_shared->segment.shmaddr);
    }
    m_shared->segment = XShmSegmentInfo{};
}

bool X11ShmCaptureBackend::createImage() {
    Display* display = m_display.get();
    const int screen = DefaultScreen(display);
    m_shared->image = XShmCreateImage(
        display, DefaultVisual(display, screen),
        static_cast<unsigned>(DefaultDepth(display, screen)), ZPixmap, nullptr, &m_shared->segment,
        static_cast<unsigned>(m_monitor.width), static_cast<unsigned>(m_monitor.height));
    if (m_shared->image == nullptr || m_shared->image->bits_per_pixel != 32) {
        spdlog::error("X11ShmCaptureBackend: XShmCreateImage failed (needs a 32-bit visual)");
        destroyImage();
        return false;
    }
    const std::size_t size =
        static_cast<std::size_t>(m_shared->image->bytes_per_line) * m_shared->image->height;
    m_shared->segment.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (m_shared->segment.shmid < 0) {
        spdlog::error("X11ShmCaptureBackend: shmget of {} bytes failed", size);
        destroyImage();
        return false;
    }
    m_shared->segment.shmaddr = static_cast<char*>(shmat(m_shared->segment.shmid, nullptr, 0));
    // Marked for removal at once: the kernel frees it when both sides have detached, even if we
    // crash.
    shmctl(m_shared->segment.shmid, IPC_RMID, nullptr);
    if (m_shared->segment.shmaddr == reinterpret_cast<char*>(-1)) {
        spdlog::error("X11ShmCaptureBackend: shmat failed");
        m_shared->segment.shmaddr = nullptr;
        destroyImage();
        return false;
    }
    m_shared->image->data = m_shared->segment.shmaddr;
    m_shared->segment.readOnly = False;
    bool attached = false;
    {
        x11::ErrorTrap trap(display);
        attached = XShmAttach(display, &m_shared->segment) && !trap.failed();
    }
    if (!attached) {
        spdlog::error("X11ShmCaptureBackend: XShmAttach failed (server not on this machine?)");
        destroyImage();
        return false;
    }
    m_shared->attached = true;
    return true;
}

bool X11ShmCaptureBackend::initialize(std::int32_t monitorIndex) {
    shutdown();
    m_monitor = MonitorInfo{};
    m_monitor.index = monitorIndex;
    m_display = x11::openDisplay();
    if (!m_display) {
        spdlog::error("X11ShmCaptureBackend: cannot open the X display");
        return false;
    }
    Display* display = m_display.get();
    int errorBase = 0;
    if (!XShmQueryExtension(display)) {
        spdlog::error("X11ShmCaptureBackend: MIT-SHM not available");
        shutdown();
        return false;
    }
    if (!XDamageQueryExtension(display, &m_damageEventBase, &errorBase)) {
        spdlog::error("X11ShmCaptureBackend: DAMAGE not available");
        shutdown();
        return false;
    }
    const auto list = x11::monitors(display);
    if (monitorIndex < 0 || monitorIndex >= static_cast<int>(list.size())) {
        spdlog::error("X11ShmCaptureBackend: monitor index {} not found (have {} monitors)",
                      monitorIndex, list.size());
        shutdown();
        return false;
    }
    m_monitor = list[static_cast<std::size_t>(monitorIndex)];
    if (!createImage()) {
        shutdown();
        return false;
    }
    int randrErrorBase = 0;
    if (XRRQueryExtension(display, &m_randrEventBase, &randrErrorBase)) {
        XRRSelectInput(display, DefaultRootWindow(display), RRScreenChangeNotifyMask);
    } else {
        m_randrEventBase = -1;
    }
    m_damage = XDamageCreate(display, DefaultRootWindow(display), XDamageReportRawRectangles);
    XSync(display, False);
    m_firstFrame = true;
    m_initialized = true;
    spdlog::info("X11ShmCaptureBackend: initialized on monitor {} ({}x{})", monitorIndex,
                 m_monitor.width, m_monitor.height);
    return true;
}

void X11ShmCaptureBackend::shutdown() {
    if (m_display) {
        if (m_damage != 0) {
            XDamageDestroy(m_display.get(), m_damage);
            m_damage = 0;
        }
        destroyImage();
        m_display.reset();
    }
    m_initialized = false;
    m_lastPointerX = m_lastPointerY = -1;
}

bool X11ShmCaptureBackend::monitorGeometryChanged() {
    const auto list = x11::monitors(m_display.get());
    if (m_monitor.index >= static_cast<int>(list.size())) {
        return true;
    }
    const MonitorInfo& now = list[static_cast<std::size_t>(m_monitor.index)];
    if (now.x == m_monitor.x && now.y == m_monitor.y && now.width == m_monitor.width &&
        now.height == m_monitor.height) {
        return false;
    }
    m_monitor = now;
    return true;
}

bool X11ShmCaptureBackend::waitForChanges(int waitMs, std::vector<DirtyRect>& rects) {
    Display* display = m_display.get();
    bool changed = false;
    bool resized = false;
    const auto collect = [&] {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == m_damageEventBase + XDamageNotify) {
                const auto* damage = reinterpret_cast<const XDamageNotifyEvent*>(&event);
                // Clip to our monitor, in frame coordinates.
                const int left = std::max<int>(damage->area.x, m_monitor.x);
                const int top = std::max<int>(damage->area.y, m_monitor.y);
                const int right = std::min<int>(damage->area.x + damage->area.width,
                                                m_monitor.x + m_monitor.width);
                const int bottom = std::min<int>(damage->area.y + damage->area.height,
                                                 m_monitor.y + m_monitor.height);
                if (right > left && bottom > top) {
                    rects.push_back(
                        {left - m_monitor.x, top - m_monitor.y, right - left, bottom - top});
                    changed = true;
                }
            } else if (m_randrEventBase >= 0 &&
                       event.type == m_randrEventBase + RRScreenChangeNotify) {
                XRRUpdateConfiguration(&event);
                resized = true;
            }
        }
    };
    collect();
    if (!changed && !resized && waitMs > 0) {
        pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
        if (poll(&descriptor, 1, waitMs) > 0) {
            collect();
        }
    }
    if (resized && monitorGeometryChanged()) {
        spdlog::info("X11ShmCaptureBackend: resolution changed to {}x{}", m_monitor.width,
                     m_monitor.height);
        destroyImage();
        if (!createImage()) {
            m_initialized = false;
            return false;
        }
        rects.clear(); // everything is new
        changed = true;
    }
    return changed;
}

std::unique_ptr<CapturedFrame> X11ShmCaptureBackend::captureFrame() {
    if (!m_initialized) {
        return nullptr;
    }
    Display* display = m_display.get();
    std::vector<DirtyRect> rects;
    const bool firstFrame = m_firstFrame;
    bool changed = waitForChanges(firstFrame ? 0 : kDamageWaitMs, rects);
    if (!m_initialized) {
        return nullptr;
    }
    // The pointer is drawn by the server outside the damage it reports.
    Window root = 0;
    Window child = 0;
    int pointerX = 0;
    int pointerY = 0;
    int winX = 0;
    int winY = 0;
    unsigned mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &pointerX, &pointerY, &winX,
                  &winY, &mask);
    const bool pointerMoved = pointerX != m_lastPointerX || pointerY != m_lastPointerY;
    if (!changed && !pointerMoved && !firstFrame) {
        return nullptr; // nothing changed on screen
    }
    if (!changed || firstFrame) {
        rects.clear(); // the first frame, or a pointer-only change: no known rectangles
    }
    XDamageSubtract(display, m_damage, None, None);

    bool read = false;
    for (int attempt = 0; attempt < 2 && !read; ++attempt) {
        x11::ErrorTrap trap(display);
        read = XShmGetImage(display, DefaultRootWindow(display), m_shared->image, m_monitor.x,
                            m_monitor.y, AllPlanes) &&
               !trap.failed();
        if (!read && attempt == 0) {
            // A lost segment or a size that no longer fits: build the image again once.
            spdlog::warn(
                "X11ShmCaptureBackend: XShmGetImage failed -- recreating the shared image");
            destroyImage();
            monitorGeometryChanged();
            if (!createImage()) {
                break;
            }
            rects.clear();
        }
    }
    if (!read) {
        spdlog::error("X11ShmCaptureBackend: capture failed, backend lost");
        m_initialized = false;
        return nullptr;
    }

    auto frame = x11::frameFromRows(m_shared->image->data, m_shared->image->bytes_per_line,
                                    m_monitor.width, m_monitor.height, m_buffers.get());
    frame->dirtyRects = std::move(rects);
    // Only the first picture must stand alone. A frame without rectangles (a pointer move, an
    // area too scattered to list) is still a small change to what the encoder holds: forcing a
    // key frame there sent a quarter of a megabyte for a pointer move.
    frame->isKeyframe = firstFrame;
    x11::drawPointer(display, *frame, m_monitor.x, m_monitor.y);
    m_lastPointerX = pointerX;
    m_lastPointerY = pointerY;
    m_firstFrame = false;
    return frame;
}

} // namespace nimbral
