#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "desktop_processes.h"

// A GNOME desktop without a screen, private to one test program: its own session bus, PipeWire
// with WirePlumber, and Mutter drawing one virtual monitor as a Wayland compositor. Started
// before the program's application object, since the environment it sets (the bus, the
// runtime folder, the Wayland display) is read once. Processes and folder go with the object.
class HeadlessGnome {
public:
    static constexpr const char* kWaylandDisplay = "nimbral-wayland-0";

    // False, with the reason on stderr, when a piece is missing or does not come up.
    bool start(int width, int height) {
        if (!m_processes.installed({"dbus-daemon", "pipewire", "wireplumber", "mutter", "gdbus"}) ||
            !m_processes.makeFolder()) {
            return false;
        }
        if (!m_processes.startSessionBusAndPipeWire()) {
            return false;
        }
        unsetenv("DISPLAY");
        const std::string monitor = std::to_string(width) + "x" + std::to_string(height);
        m_compositor =
            m_processes.spawn({"mutter", "--headless", "--virtual-monitor", monitor, "--wayland",
                               "--no-x11", "--wayland-display", kWaylandDisplay},
                              "mutter.log");
        if (!DesktopProcesses::waitFor([] {
                return DesktopProcesses::nameOnBus("org.gnome.Mutter.ScreenCast") &&
                       DesktopProcesses::nameOnBus("org.gnome.Mutter.RemoteDesktop");
            })) {
            return m_processes.failed("Mutter's screen-cast interface did not appear",
                                      "mutter.log");
        }
        setenv("WAYLAND_DISPLAY", kWaylandDisplay, 1);
        setenv("XDG_SESSION_TYPE", "wayland", 1);
        return true;
    }

    const std::string& folder() const { return m_processes.folder(); }
    pid_t compositorPid() const { return m_compositor; }

private:
    DesktopProcesses m_processes{"gnome"};
    pid_t m_compositor = 0;
};
