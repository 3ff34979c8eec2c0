#include <spdlog/spdlog.h>

#include "input/platform_input.h"
#include "input/remote_desktop_input_backend.h"
#include "input/wlroots_input_backend.h"
#include "input/x11_input_backend.h"
#include "platform/linux_desktop.h"
#include "platform/mutter_remote_desktop.h"
#include "platform/portal_remote_desktop.h"

namespace nimbral {

std::unique_ptr<IInputBackend> makePlatformInputBackend() {
    QString why;
    switch (platform::linuxDesktop(&why)) {
    case platform::LinuxDesktop::X11:
        return std::make_unique<X11InputBackend>();
    case platform::LinuxDesktop::Gnome:
        spdlog::info("Input: GNOME remote desktop (Wayland)");
        return std::make_unique<RemoteDesktopInputBackend>(
            "GNOME", [] { return platform::MutterRemoteDesktop::current(); });
    case platform::LinuxDesktop::Wlroots:
        spdlog::info("Input: wlroots virtual pointer and keyboard (Wayland)");
        return std::make_unique<WlrootsInputBackend>();
    case platform::LinuxDesktop::Portal:
        spdlog::info("Input: desktop portal remote desktop (Wayland)");
        return std::make_unique<RemoteDesktopInputBackend>(
            "desktop portal", [] { return platform::PortalRemoteDesktop::current(); });
    case platform::LinuxDesktop::Unsupported:
        break;
    }
    spdlog::error("Wayland session without remote-input support: {}", why.toStdString());
    return nullptr;
}

} // namespace nimbral
