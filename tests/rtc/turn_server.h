#pragma once

// A coturn relay on 127.0.0.1 for the tests that connect through TURN.

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace rtc_test {

class TurnServer {
public:
    static constexpr const char* kUser = "nimbral";
    static constexpr const char* kPassword = "relay-secret";

    static std::string program() {
        for (const char* path : {"/usr/bin/turnserver", "/usr/local/bin/turnserver"}) {
            if (access(path, X_OK) == 0) {
                return path;
            }
        }
        return {};
    }

    TurnServer() {
        const std::string turnserver = program();
        m_port = freePort();
        if (turnserver.empty() || m_port == 0) {
            return;
        }
        const std::string port = std::to_string(m_port);
        // Relay ports in a private range above the listening one keep parallel test runs apart.
        const std::string minPort = std::to_string(40000 + m_port % 20000);
        const std::string maxPort = std::to_string(40000 + m_port % 20000 + 50);
        const std::string user = std::string(kUser) + ":" + kPassword;
        std::vector<std::string> args = {turnserver,
                                         "-n",
                                         "--listening-ip=127.0.0.1",
                                         "--relay-ip=127.0.0.1",
                                         "--listening-port=" + port,
                                         "--min-port=" + minPort,
                                         "--max-port=" + maxPort,
                                         "--lt-cred-mech",
                                         "--user=" + user,
                                         "--realm=nimbral.test",
                                         "--allow-loopback-peers",
                                         "--no-cli",
                                         "--no-tls",
                                         "--no-dtls",
                                         "--no-stdout-log",
                                         "--log-file=/dev/null",
                                         "--pidfile=/dev/null"};
        m_pid = fork();
        if (m_pid == 0) {
            // coturn reports probes of protocols this kernel lacks on its own terminal.
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            std::vector<char*> argv;
            for (auto& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        m_ready = waitForTcp(std::chrono::seconds(10));
    }
    ~TurnServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    TurnServer(const TurnServer&) = delete;
    TurnServer& operator=(const TurnServer&) = delete;

    bool ready() const { return m_ready; }
    std::uint16_t port() const { return m_port; }

private:
    // A port free for both UDP and TCP at the moment of asking.
    static std::uint16_t freePort() {
        const int udp = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        std::uint16_t port = 0;
        if (bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(udp, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
        close(udp);
        return port;
    }

    bool waitForTcp(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1; // it exited: nothing left to stop
                return false;
            }
            const int tcp = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(m_port);
            const bool up =
                connect(tcp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            close(tcp);
            if (up) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
    bool m_ready = false;
};

} // namespace rtc_test
