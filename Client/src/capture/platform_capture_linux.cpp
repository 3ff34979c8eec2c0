#include <spdlog/spdlog.h>

#include "capture/capture_backend_chain.h"
#include "capture/mutter_capture_backend.h"
#include "capture/portal_capture_backend.h"
#include "capture/wlroots_capture_backend.h"
#include "capture/x11_getimage_capture_backend.h"
#include "capture/x11_shm_capture_backend.h"
#include "platform/linux_desktop.h"

namespace nimbral {

// X11: MIT-SHM with damage, XGetImage behind it. GNOME, wlroots or the portal on Wayland: their own
// way, with
// nothing behind it (XWayland would show only its own windows: a black desktop).
std::unique_ptr<IScreenCaptureBackend> makePrimaryCaptureBackend() {
    QString why;
    switch (platform::linuxDesktop(&why)) {
    case platform::LinuxDesktop::X11:
        return std::make_unique<X11ShmCaptureBackend>();
    case platform::LinuxDesktop::Gnome:
        spdlog::info("Screen capture: GNOME screen cast (Wayland)");
        return std::make_unique<MutterCaptureBackend>();
    case platform::LinuxDesktop::Wlroots:
        spdlog::info("Screen capture: wlroots screencopy (Wayland)");
        return std::make_unique<WlrootsCaptureBackend>();
    case platform::LinuxDesktop::Portal:
        spdlog::info("Screen capture: desktop portal screen cast (Wayland)");
        return std::make_unique<PortalCaptureBackend>();
    case platform::LinuxDesktop::Unsupported:
        break;
    }
    spdlog::error("Wayland session without screen-cast support: {}", why.toStdString());
    return nullptr;
}

bool captureNeedsTheUsersSession() {
    return platform::linuxDesktop() != platform::LinuxDesktop::X11;
}

std::unique_ptr<IScreenCaptureBackend> makeFallbackCaptureBackend() {
    if (platform::linuxDesktop() != platform::LinuxDesktop::X11) {
        return nullptr;
    }
    return std::make_unique<X11GetImageCaptureBackend>();
}

} // namespace nimbral
