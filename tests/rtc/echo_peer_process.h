#pragma once

// The echo_peer program as a child process, signaled over its stdin and stdout.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "line_signaling.h"

namespace rtc_test {

// The echo peer as a child process; its output lines are handed to the test thread in order.
class EchoPeerProcess {
public:
    explicit EchoPeerProcess(const std::string& program, const std::string& argument = {}) {
        int toChild[2];
        int fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(toChild[0], STDIN_FILENO);
            dup2(fromChild[1], STDOUT_FILENO);
            close(toChild[0]);
            close(toChild[1]);
            close(fromChild[0]);
            close(fromChild[1]);
            if (argument.empty()) {
                execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            } else {
                execl(program.c_str(), program.c_str(), argument.c_str(),
                      static_cast<char*>(nullptr));
            }
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        m_input = toChild[1];
        m_output = fromChild[0];
        m_reader = std::thread([this] { readLines(); });
    }
    ~EchoPeerProcess() {
        closeInput();
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_reader.joinable()) {
            m_reader.join();
        }
        if (m_output >= 0) {
            close(m_output);
        }
    }
    bool started() const { return m_pid > 0; }

    void send(const std::string& line) {
        const std::lock_guard lock(m_inputMutex);
        if (m_input < 0) {
            return;
        }
        const std::string whole = line + '\n';
        std::size_t done = 0;
        while (done < whole.size()) {
            const ssize_t n = write(m_input, whole.data() + done, whole.size() - done);
            if (n <= 0) {
                return;
            }
            done += static_cast<std::size_t>(n);
        }
    }
    void closeInput() {
        const std::lock_guard lock(m_inputMutex);
        if (m_input >= 0) {
            close(m_input);
            m_input = -1;
        }
    }
    void killNow() {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    bool pumpUntil(const std::function<void(const std::string&)>& deliver,
                   const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        return m_lines.pumpUntil(deliver, done, timeout);
    }

private:
    void readLines() {
        std::string pending;
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(m_output, buffer, sizeof buffer);
            if (n <= 0) {
                return;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            for (auto end = pending.find('\n'); end != std::string::npos;
                 end = pending.find('\n')) {
                m_lines.push(pending.substr(0, end));
                pending.erase(0, end + 1);
            }
        }
    }

    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::mutex m_inputMutex;
    std::thread m_reader;
    rtc_test::LineQueue m_lines;
};

} // namespace rtc_test
