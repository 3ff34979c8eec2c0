#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "desktop_processes.h"

// A sway desktop without a screen (wlroots' headless backend, drawn in software), private to one
// test program. Sway will not run as root: a root test program starts it as "nobody" in a folder
// of its own, and reaches its socket by path. Started before the application object, since the
// environment it sets (the Wayland display) is read once.
class HeadlessSway {
public:
    static constexpr uid_t kUnprivileged = 65534; // nobody / nogroup

    // False, with the reason on stderr, when sway is missing or does not come up.
    bool start(int width, int height) {
        if (!m_processes.installed({"sway", "setpriv"}) || !m_processes.makeFolder()) {
            return false;
        }
        const std::string& folder = m_processes.folder();
        const std::string runtime = folder + "/sway";
        std::filesystem::create_directory(runtime);
        chmod(folder.c_str(), 0711); // nobody passes through to its own folder, nothing more
        chmod(runtime.c_str(), 0700);
        const std::string config = runtime + "/config";
        std::ofstream(config) << "xwayland disable\n"
                              << "default_border none\n"
                              << "output * resolution " << width << "x" << height << "\n";
        std::vector<std::string> command{"sway", "--config", config};
        if (geteuid() == 0) {
            if (chown(runtime.c_str(), kUnprivileged, kUnprivileged) != 0 ||
                chown(config.c_str(), kUnprivileged, kUnprivileged) != 0) {
                return m_processes.failed("cannot hand sway its folder", "sway.log");
            }
            command.insert(command.begin(),
                           {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
        }
        m_compositor = m_processes.spawn(command, "sway.log",
                                         {"XDG_RUNTIME_DIR=" + runtime, "HOME=" + runtime,
                                          "WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                                          "WLR_LIBINPUT_NO_DEVICES=1", "WLR_HEADLESS_OUTPUTS=1",
                                          "WAYLAND_DISPLAY=", "DISPLAY=", "SWAYSOCK"});
        const std::string socket = runtime + "/wayland-1";
        // Sway names its IPC socket after its user and process (setpriv became sway).
        const uid_t user = geteuid() == 0 ? kUnprivileged : geteuid();
        const std::string ipc = runtime + "/sway-ipc." + std::to_string(user) + "." +
                                std::to_string(m_compositor) + ".sock";
        if (!DesktopProcesses::waitFor(
                [&] { return std::filesystem::exists(socket) && std::filesystem::exists(ipc); })) {
            return m_processes.failed("sway's sockets did not appear", "sway.log");
        }
        unsetenv("DISPLAY");
        unsetenv("DBUS_SESSION_BUS_ADDRESS"); // no GNOME to be found on a bus
        m_waylandDisplay = socket;
        setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
        setenv("XDG_SESSION_TYPE", "wayland", 1);
        setenv("SWAYSOCK", ipc.c_str(), 1); // swaymsg's way in, for tests that change outputs
        return true;
    }

    const std::string& folder() const { return m_processes.folder(); }
    pid_t compositorPid() const { return m_compositor; }
    // Its Wayland socket, by path.
    const std::string& waylandDisplay() const { return m_waylandDisplay; }

private:
    DesktopProcesses m_processes{"sway"};
    std::string m_waylandDisplay;
    pid_t m_compositor = 0;
};
