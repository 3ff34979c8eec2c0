#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

// A GNOME desktop without a screen, private to one test program: its own session bus, PipeWire
// with WirePlumber, and Mutter drawing one virtual monitor as a Wayland compositor. Started
// before the program's application object, since the environment it sets (the bus, the
// runtime folder, the Wayland display) is read once. Processes and folder go with the object.
class HeadlessGnome {
public:
    static constexpr const char* kWaylandDisplay = "nimbral-wayland-0";

    // False, with the reason on stderr, when a piece is missing or does not come up.
    bool start(int width, int height) {
        for (const char* program : {"dbus-daemon", "pipewire", "wireplumber", "mutter", "gdbus"}) {
            if (!onPath(program)) {
                std::cerr << "headless GNOME: " << program << " is not installed\n";
                return false;
            }
        }
        char folder[] = "/tmp/nimbral-gnome-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            return false;
        }
        m_folder = folder;
        chmod(folder, 0700);
        setenv("XDG_RUNTIME_DIR", folder, 1);
        const std::string bus = m_folder + "/bus";
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + bus).c_str(), 1);
        unsetenv("DISPLAY");
        spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=" + bus},
              "dbus.log");
        if (!waitFor([&] { return std::filesystem::exists(bus); })) {
            return failed("the session bus did not start", "dbus.log");
        }
        spawn({"pipewire"}, "pipewire.log");
        if (!waitFor([&] { return std::filesystem::exists(m_folder + "/pipewire-0"); })) {
            return failed("PipeWire did not start", "pipewire.log");
        }
        spawn({"wireplumber"}, "wireplumber.log");
        const std::string monitor = std::to_string(width) + "x" + std::to_string(height);
        m_compositor = spawn({"mutter", "--headless", "--virtual-monitor", monitor, "--wayland",
                              "--no-x11", "--wayland-display", kWaylandDisplay},
                             "mutter.log");
        if (!waitFor([] {
                return nameOnBus("org.gnome.Mutter.ScreenCast") &&
                       nameOnBus("org.gnome.Mutter.RemoteDesktop");
            })) {
            return failed("Mutter's screen-cast interface did not appear", "mutter.log");
        }
        setenv("WAYLAND_DISPLAY", kWaylandDisplay, 1);
        setenv("XDG_SESSION_TYPE", "wayland", 1);
        return true;
    }

    ~HeadlessGnome() {
        for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
            kill(*it, SIGTERM);
            waitpid(*it, nullptr, 0);
        }
        if (!m_folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_folder, ignored);
        }
    }

    const std::string& folder() const { return m_folder; }
    pid_t compositorPid() const { return m_compositor; }

private:
    static bool onPath(const std::string& program) {
        return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
    }

    static bool nameOnBus(const std::string& name) {
        const std::string command =
            "gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus "
            "--method org.freedesktop.DBus.NameHasOwner " +
            name + " 2>/dev/null | grep -q true";
        return std::system(command.c_str()) == 0;
    }

    template <typename Ready> static bool waitFor(Ready ready) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            if (ready()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    pid_t spawn(const std::vector<std::string>& arguments, const std::string& log) {
        const std::string logPath = m_folder + "/" + log;
        const pid_t child = fork();
        if (child == 0) {
            std::freopen(logPath.c_str(), "w", stdout);
            std::freopen(logPath.c_str(), "a", stderr);
            std::vector<char*> argv;
            for (const std::string& argument : arguments) {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        if (child > 0) {
            m_children.push_back(child);
        }
        return child;
    }

    bool failed(const std::string& what, const std::string& log) {
        std::cerr << "headless GNOME: " << what << "; " << log << ":\n"
                  << std::ifstream(m_folder + "/" + log).rdbuf() << "\n";
        return false;
    }

    std::string m_folder;
    std::vector<pid_t> m_children;
    pid_t m_compositor = 0;
};

// Whether the test program's headless GNOME came up (test_main_gnome.cpp).
bool headlessGnomeRunning();
