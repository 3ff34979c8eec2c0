#pragma once

// A coturn relay on 127.0.0.1 for the tests that connect through TURN.

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/file.h>
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
        if (turnserver.empty() || !claimSlot()) {
            return;
        }
        const std::string port = std::to_string(m_port);
        const std::string minPort = std::to_string(m_port + 1);
        const std::string maxPort = std::to_string(m_port + kSlotPorts - 1);
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
        if (m_slotLock >= 0) {
            close(m_slotLock);
        }
    }
    TurnServer(const TurnServer&) = delete;
    TurnServer& operator=(const TurnServer&) = delete;

    bool ready() const { return m_ready; }
    std::uint16_t port() const { return m_port; }

private:
    // Each relay gets a slot of its own: the listening port and, above it, its relay ports.
    // Slots lie below the kernel's ephemeral range (32768 and up by default), so no outgoing
    // connection of a parallel test can take a port between our check and coturn's bind (coturn
    // then retries its bind for ever instead of failing), and a lock file per slot keeps parallel
    // relays from sharing relay ports.
    static constexpr std::uint16_t kFirstSlotPort = 20000;
    static constexpr std::uint16_t kSlotPorts = 64;
    static constexpr int kSlots = 150;

    bool claimSlot() {
        const int start = static_cast<int>(getpid()) % kSlots;
        for (int i = 0; i < kSlots; ++i) {
            const auto port =
                static_cast<std::uint16_t>(kFirstSlotPort + ((start + i) % kSlots) * kSlotPorts);
            const std::string lockPath = "/tmp/nimbral-test-turn-" + std::to_string(port) + ".lock";
            const int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (lock < 0) {
                continue;
            }
            if (flock(lock, LOCK_EX | LOCK_NB) == 0 && portFree(SOCK_STREAM, port) &&
                portFree(SOCK_DGRAM, port)) {
                m_slotLock = lock;
                m_port = port;
                return true;
            }
            close(lock);
        }
        return false;
    }

    // Another program on the machine (or a relay left behind by a killed run) may hold it.
    static bool portFree(int type, std::uint16_t port) {
        const int probe = socket(AF_INET, type | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        const bool free = bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(probe);
        return free;
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
    int m_slotLock = -1;
    std::uint16_t m_port = 0;
    bool m_ready = false;
};

} // namespace rtc_test
