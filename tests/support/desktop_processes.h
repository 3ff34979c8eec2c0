#pragma once

#include <signal.h>
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
// and the folder removed, with the object.
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
            std::filesystem::remove_all(m_folder, ignored);
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
