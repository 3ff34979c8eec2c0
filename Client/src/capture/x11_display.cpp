#include "capture/x11_display.h"

#include <atomic>
#include <cstring>
#include <mutex>

// X headers last: their macros (Bool, Status, None) break Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>

namespace nimbral::x11 {

namespace {

// Xlib's error handler is process-wide; the trap counts errors while one is armed.
std::mutex g_trapMutex;
std::atomic<int> g_trappedErrors{0};

int countError(Display*, XErrorEvent*) {
    ++g_trappedErrors;
    return 0;
}

} // namespace

void DisplayCloser::operator()(Display* display) const {
    if (display != nullptr) {
        XCloseDisplay(display);
    }
}

DisplayPtr openDisplay() {
    return DisplayPtr(XOpenDisplay(nullptr));
}

ErrorTrap::ErrorTrap(Display* display)
    : m_display(display) {
    g_trapMutex.lock();
    XSync(m_display, False);
    g_trappedErrors = 0;
    m_previous = reinterpret_cast<int (*)(Display*, void*)>(XSetErrorHandler(countError));
}

ErrorTrap::~ErrorTrap() {
    XSync(m_display, False);
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(m_previous));
    g_trapMutex.unlock();
}

bool ErrorTrap::failed() {
    XSync(m_display, False);
    return g_trappedErrors > 0;
}

std::vector<MonitorInfo> monitors(Display* display) {
    std::vector<MonitorInfo> result;
    int eventBase = 0;
    int errorBase = 0;
    if (XRRQueryExtension(display, &eventBase, &errorBase)) {
        int count = 0;
        XRRMonitorInfo* list = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
        for (int i = 0; i < count; ++i) {
            MonitorInfo info;
            info.index = static_cast<std::int32_t>(result.size());
            if (char* name = list[i].name != None ? XGetAtomName(display, list[i].name) : nullptr) {
                info.name = name;
                XFree(name);
            }
            info.x = list[i].x;
            info.y = list[i].y;
            info.width = list[i].width;
            info.height = list[i].height;
            info.isPrimary = list[i].primary != 0;
            result.push_back(info);
        }
        if (list != nullptr) {
            XRRFreeMonitors(list);
        }
    }
    if (result.empty()) {
        const int screen = DefaultScreen(display);
        MonitorInfo whole;
        whole.name = "screen";
        whole.width = DisplayWidth(display, screen);
        whole.height = DisplayHeight(display, screen);
        whole.isPrimary = true;
        result.push_back(whole);
    }
    return result;
}

std::unique_ptr<CapturedFrame> frameFromRows(const char* rows, int bytesPerLine, int width,
                                             int height, FrameBufferPool* pool) {
    auto frame = std::make_unique<CapturedFrame>();
    frame->width = width;
    frame->height = height;
    frame->stride = width * 4;
    frame->timestamp = monotonicMilliseconds();
    const std::size_t size = static_cast<std::size_t>(frame->stride) * height;
    if (pool != nullptr) {
        pool->lend(*frame, size); // every byte is written below
    } else {
        frame->data.resize(size);
    }
    for (int row = 0; row < height; ++row) {
        std::memcpy(frame->data.data() + static_cast<std::size_t>(row) * frame->stride,
                    rows + static_cast<std::size_t>(row) * bytesPerLine,
                    static_cast<std::size_t>(frame->stride));
    }
    for (std::size_t i = 3; i < frame->data.size(); i += 4) {
        frame->data[i] = 0xFF;
    }
    return frame;
}

void drawPointer(Display* display, CapturedFrame& frame, int originX, int originY) {
    int eventBase = 0;
    int errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
        return;
    }
    XFixesCursorImage* cursor = XFixesGetCursorImage(display);
    if (cursor == nullptr) {
        return;
    }
    const int left = cursor->x - originX;
    const int top = cursor->y - originY;
    for (int cy = 0; cy < cursor->height; ++cy) {
        const int y = top + cy;
        if (y < 0 || y >= frame.height) {
            continue;
        }
        for (int cx = 0; cx < cursor->width; ++cx) {
            const int x = left + cx;
            if (x < 0 || x >= frame.width) {
                continue;
            }
            // Premultiplied ARGB in the low 32 bits of each long.
            const auto argb = static_cast<std::uint32_t>(cursor->pixels[cy * cursor->width + cx]);
            const std::uint32_t alpha = argb >> 24;
            if (alpha == 0) {
                continue;
            }
            std::uint8_t* p =
                frame.data.data() + static_cast<std::size_t>(y) * frame.stride + x * 4;
            const std::uint32_t keep = 255 - alpha;
            p[0] = static_cast<std::uint8_t>((argb & 0xFF) + (p[0] * keep + 127) / 255);
            p[1] = static_cast<std::uint8_t>(((argb >> 8) & 0xFF) + (p[1] * keep + 127) / 255);
            p[2] = static_cast<std::uint8_t>(((argb >> 16) & 0xFF) + (p[2] * keep + 127) / 255);
        }
    }
    XFree(cursor);
}

} // namespace nimbral::x11

namespace nimbral {

std::vector<MonitorInfo> enumerateMonitors() {
    const x11::DisplayPtr display = x11::openDisplay();
    return display ? x11::monitors(display.get()) : std::vector<MonitorInfo>{};
}

} // namespace nimbral
