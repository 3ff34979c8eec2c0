#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace nimbral::bench {

// A private Xvfb of the given size, started without Qt (a benchmark's application may need one
// running before it starts). Xvfb names its display on the pipe it is given.
class PrivateXvfb {
public:
    PrivateXvfb() = default;
    PrivateXvfb(const PrivateXvfb&) = delete;
    PrivateXvfb& operator=(const PrivateXvfb&) = delete;
    ~PrivateXvfb() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    bool start(int width, int height) {
        int fds[2];
        if (pipe(fds) != 0) {
            m_problem = "no pipe";
            return false;
        }
        const std::string fd = std::to_string(fds[1]);
        const std::string size = std::to_string(width) + "x" + std::to_string(height) + "x24";
        m_pid = fork();
        if (m_pid == 0) {
            close(fds[0]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", size.c_str(), "-br",
                   "-nolisten", "tcp", "+extension", "RANDR", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        const std::string number = readLine(fds[0]);
        close(fds[0]);
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
            m_problem = "it named no usable display";
            return false;
        }
        m_display = ":" + number;
        // Only a server that answers is used.
        Display* probe = XOpenDisplay(m_display.c_str());
        if (probe == nullptr) {
            m_problem = "its display " + m_display + " does not answer";
            return false;
        }
        XCloseDisplay(probe);
        return true;
    }
    const std::string& display() const { return m_display; }
    const std::string& problem() const { return m_problem; }

private:
    // The server writes its number and then a line break, in two writes: the pipe stays open
    // until the line break is in, or the server dies on writing it. A server that fails to
    // start closes the pipe. A signal (a child of this process ending) interrupts a read.
    static std::string readLine(int fd) {
        std::string line;
        for (char c = 0;;) {
            const ssize_t got = read(fd, &c, 1);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got != 1 || c == '\n') {
                return line;
            }
            line += c;
        }
    }

    pid_t m_pid = -1;
    std::string m_display;
    std::string m_problem;
};

// Reads one pixel of a screen every half millisecond on a thread of its own and notes when it
// turns white or black.
class PixelWatcher {
public:
    using Clock = std::chrono::steady_clock;

    PixelWatcher(const std::string& displayName, int x, int y)
        : m_display(XOpenDisplay(displayName.c_str()))
        , m_x(x)
        , m_y(y) {
        if (m_display != nullptr) {
            m_thread = std::thread([this] { watch(); });
        }
    }
    PixelWatcher(const PixelWatcher&) = delete;
    PixelWatcher& operator=(const PixelWatcher&) = delete;
    ~PixelWatcher() {
        m_running = false;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
    }
    bool ok() const { return m_display != nullptr; }
    // When the pixel first showed the colour after `since`, if it has.
    std::optional<Clock::time_point> turned(bool white, Clock::time_point since) {
        const std::lock_guard lock(m_mutex);
        for (const auto& [at, isWhite] : m_changes) {
            if (at >= since && isWhite == white) {
                return at;
            }
        }
        return std::nullopt;
    }

private:
    void watch() {
        int last = -1;
        while (m_running) {
            XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), m_x, m_y, 1, 1,
                                      AllPlanes, ZPixmap);
            if (image != nullptr) {
                const unsigned long pixel = XGetPixel(image, 0, 0);
                XDestroyImage(image);
                const int green = static_cast<int>((pixel >> 8) & 0xFF);
                const int state = green > 192 ? 1 : green < 64 ? 0 : last;
                if (state != last && state >= 0) {
                    const std::lock_guard lock(m_mutex);
                    m_changes.emplace_back(Clock::now(), state == 1);
                }
                last = state;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    Display* m_display;
    int m_x;
    int m_y;
    std::thread m_thread;
    std::atomic<bool> m_running{true};
    std::mutex m_mutex;
    std::vector<std::pair<Clock::time_point, bool>> m_changes;
};

} // namespace nimbral::bench
