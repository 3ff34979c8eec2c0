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
#include <utility>
#include <vector>

// The processes of a private desktop for one test program (a compositor and what it needs),
// each writing to its own log in the desktop's folder. They are stopped, last started first,
// and the folder removed, with the object (kept, logs and all, when NIMBRAL_KEEP_DESKTOP is set).
class DesktopProcesses {
public:
    explicit DesktopProcesses(std::string name)
        : m_name(std::move(name)) {}
    DesktopProcesses(const DesktopProcesses&) = delete;
    DesktopProcesses& operator=(const DesktopProcesses&) = delete;

    ~DesktopProcesses() {
        for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
            kill(*it, SIGTERM);
            waitpid(*it, nullptr, 0);
        }
        if (!m_folder.empty()) {
            std::error_code ignored;
            if (std::getenv("NIMBRAL_KEEP_DESKTOP") == nullptr) {
                std::filesystem::remove_all(m_folder, ignored);
            }
        }
    }

    // A fresh folder under /tmp for the desktop's sockets and logs; false when none can be made.
    bool makeFolder() {
        std::string pattern = "/tmp/nimbral-" + m_name + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            return false;
        }
        m_folder = pattern;
        return true;
    }

    // False, saying which, when one of `programs` is not installed.
    bool installed(const std::vector<std::string>& programs) const {
        for (const std::string& program : programs) {
            if (std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) != 0) {
                std::cerr << "headless " << m_name << ": " << program << " is not installed\n";
                return false;
            }
        }
        return true;
    }

    // Starts `arguments` with `environment` added (NAME=value; a bare NAME is removed), its
    // output going to `log`.
    pid_t spawn(const std::vector<std::string>& arguments, const std::string& log,
                const std::vector<std::string>& environment = {}) {
        const std::string logPath = m_folder + "/" + log;
        const pid_t child = fork();
        if (child == 0) {
            std::freopen(logPath.c_str(), "w", stdout);
            std::freopen(logPath.c_str(), "a", stderr);
            for (const std::string& variable : environment) {
                putenv(const_cast<char*>(variable.c_str()));
            }
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

    // A session bus, PipeWire and WirePlumber of the desktop's own, in its folder (made private),
    // which becomes this program's runtime folder; false, saying why, when one does not start.
    bool startSessionBusAndPipeWire() {
        chmod(m_folder.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
        const std::string bus = m_folder + "/bus";
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + bus).c_str(), 1);
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
        return true;
    }

    // Whether `name` is owned on the session bus of DBUS_SESSION_BUS_ADDRESS.
    static bool nameOnBus(const std::string& name) {
        const std::string command =
            "gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus "
            "--method org.freedesktop.DBus.NameHasOwner " +
            name + " 2>/dev/null | grep -q true";
        return std::system(command.c_str()) == 0;
    }

    // Says what did not come up, with the log of the process that should have.
    bool failed(const std::string& what, const std::string& log) const {
        std::cerr << "headless " << m_name << ": " << what << "; " << log << ":\n"
                  << std::ifstream(m_folder + "/" + log).rdbuf() << "\n";
        return false;
    }

    const std::string& folder() const { return m_folder; }

private:
    std::string m_name;
    std::string m_folder;
    std::vector<pid_t> m_children;
};

// Whether gtest is only asked for the list of tests: no desktop is needed for that.
inline bool onlyListingTests(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--gtest_list_tests") {
            return true;
        }
    }
    return false;
}

// Whether the test program's private desktop came up (test_main_gnome.cpp, test_main_sway.cpp).
bool headlessDesktopRunning();
