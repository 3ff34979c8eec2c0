// Capture cost per frame of both X11 readers at 1920x1080 and 1280x720, on a private Xvfb
// showing a desktop-like picture that changes between captures, against a plain memcpy of a
// frame of the same size measured in the same run.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include <QCoreApplication>

#include <spdlog/spdlog.h>

#include "capture/x11_getimage_capture_backend.h"
#include "capture/x11_shm_capture_backend.h"
#include "desktop_frames.h"
#include "xvfb_server.h"

// X headers last: their macros clash with Qt's.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using Clock = std::chrono::steady_clock;

// Puts one of the synthetic desktop frames on the root window.
void paint(Display* display, int width, int height, int index) {
    std::vector<std::uint8_t> pixels = nimbral::test::desktopFrame(width, height, index);
    const int screen = DefaultScreen(display);
    XImage* image =
        XCreateImage(display, DefaultVisual(display, screen), 24, ZPixmap, 0,
                     reinterpret_cast<char*>(pixels.data()), width, height, 32, width * 4);
    GC gc = XCreateGC(display, DefaultRootWindow(display), 0, nullptr);
    XPutImage(display, DefaultRootWindow(display), gc, image, 0, 0, 0, 0, width, height);
    XFreeGC(display, gc);
    image->data = nullptr;
    XDestroyImage(image);
    XSync(display, False);
}

template <typename Backend> double msPerFrame(Display* painter, int width, int height, int frames) {
    Backend backend;
    if (!backend.initialize(0)) {
        return -1;
    }
    backend.captureFrame(); // first frame
    double total = 0;
    int captured = 0;
    for (int i = 1; i <= frames; ++i) {
        paint(painter, width, height, i);
        const auto start = Clock::now();
        if (backend.captureFrame()) {
            total += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            ++captured;
        }
    }
    return captured > 0 ? total / captured : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    spdlog::set_level(spdlog::level::warn);
    std::printf(
        "X11 capture on a private Xvfb, per frame (the screen changes before each capture)\n");
    for (const auto& [width, height] : {std::pair{1920, 1080}, std::pair{1280, 720}}) {
        XvfbServer server;
        if (!server.start(width, height)) {
            std::printf("  Xvfb not available, nothing measured\n");
            return 0;
        }
        Display* painter = XOpenDisplay(nullptr);
        std::vector<std::uint8_t> a(static_cast<std::size_t>(width) * height * 4, 1);
        std::vector<std::uint8_t> b(a.size());
        const auto start = Clock::now();
        for (int i = 0; i < 20; ++i) {
            std::memcpy(b.data(), a.data(), a.size());
        }
        const double memcpyMs =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count() / 20;
        const double shm = msPerFrame<nimbral::X11ShmCaptureBackend>(painter, width, height, 20);
        const double getImage =
            msPerFrame<nimbral::X11GetImageCaptureBackend>(painter, width, height, 20);
        std::printf("  %dx%d: MIT-SHM %.2f ms (%.1fx memcpy), XGetImage %.2f ms (%.1fx memcpy), "
                    "memcpy %.2f ms\n",
                    width, height, shm, shm / memcpyMs, getImage, getImage / memcpyMs, memcpyMs);
        XCloseDisplay(painter);
    }
    return 0;
}
