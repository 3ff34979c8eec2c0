// The rtc layer on its own, both peers in one process on 127.0.0.1: set-up time (create to both
// channels open) and reliable-channel throughput for 1 KiB and 64 KiB messages, beside a plain
// loopback TCP stream moving the same bytes in the same run.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "rtc/rtc.h"

#ifdef NIMBRAL_RTC_ECHO_PEER
#include "echo_peer_process.h"
#endif

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kBytesPerRun = 128 * 1024 * 1024;
constexpr std::size_t kSendWindow = 4 * 1024 * 1024;

// Callbacks queue their signaling; the main thread delivers it so nothing re-enters the layer.
class Steps {
public:
    void push(std::function<void()> step) {
        const std::lock_guard lock(m_mutex);
        m_steps.push_back(std::move(step));
        m_ready.notify_all();
    }
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (!done()) {
            if (Clock::now() >= deadline) {
                return false;
            }
            std::function<void()> step;
            {
                std::unique_lock lock(m_mutex);
                if (!m_ready.wait_for(lock, 1ms, [this] { return !m_steps.empty(); })) {
                    continue;
                }
                step = std::move(m_steps.front());
                m_steps.pop_front();
            }
            step();
        }
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_steps;
};

struct Pair {
    Pair() {
        rtc::Configuration config;
        config.bindAddress = "127.0.0.1";
        offerer = std::make_unique<rtc::PeerConnection>(config);
        answerer = std::make_unique<rtc::PeerConnection>(config);
        offerer->onLocalDescription([this](rtc::Description d) {
            steps.push([this, d] { answerer->setRemoteDescription(d); });
        });
        offerer->onLocalCandidate([this](rtc::Candidate c) {
            steps.push([this, c] { answerer->addRemoteCandidate(c); });
        });
        answerer->onLocalDescription([this](rtc::Description d) {
            steps.push([this, d] { offerer->setRemoteDescription(d); });
        });
        answerer->onLocalCandidate([this](rtc::Candidate c) {
            steps.push([this, c] { offerer->addRemoteCandidate(c); });
        });
        answerer->onDataChannel([this](std::shared_ptr<rtc::DataChannel> channel) {
            channel->onOpen([this] { ++openAtAnswerer; });
            channel->onMessage([this](rtc::binary data) { received += data.size(); },
                               [](std::string) {});
            const std::lock_guard lock(mutex);
            remote.push_back(std::move(channel));
        });
        control = offerer->createDataChannel("control");
        rtc::DataChannelInit unordered;
        unordered.reliability.unordered = true;
        unordered.reliability.maxRetransmits = 0;
        video = offerer->createDataChannel("video", unordered);
        control->onOpen([this] { ++openAtOfferer; });
        video->onOpen([this] { ++openAtOfferer; });
    }
    ~Pair() {
        answerer->close();
        offerer->close();
    }
    bool connect() {
        return steps.runUntil([this] { return openAtOfferer == 2 && openAtAnswerer == 2; }, 10s);
    }

    Steps steps;
    std::unique_ptr<rtc::PeerConnection> offerer;
    std::unique_ptr<rtc::PeerConnection> answerer;
    std::shared_ptr<rtc::DataChannel> control;
    std::shared_ptr<rtc::DataChannel> video;
    std::mutex mutex;
    std::vector<std::shared_ptr<rtc::DataChannel>> remote;
    std::atomic<int> openAtOfferer{0};
    std::atomic<int> openAtAnswerer{0};
    std::atomic<std::size_t> received{0};
};

double rtcThroughput(Pair& pair, std::size_t messageBytes) {
    const rtc::binary message(messageBytes, std::byte{0x5A});
    const std::size_t count = kBytesPerRun / messageBytes;
    const std::size_t before = pair.received;
    const auto start = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        while (pair.control->bufferedAmount() > kSendWindow) {
            std::this_thread::sleep_for(100us);
        }
        pair.control->send(message);
    }
    const std::size_t target = before + count * messageBytes;
    while (pair.received < target && Clock::now() - start < 120s) {
        std::this_thread::sleep_for(100us);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return static_cast<double>(pair.received - before) / seconds / (1024.0 * 1024.0);
}

#ifdef NIMBRAL_RTC_ECHO_PEER
// The far peer in another process (echo_peer --sink): it counts what arrives and reports the
// count when asked by a text message, which comes after every binary one on the ordered channel.
struct RemotePeer {
    RemotePeer()
        : child(NIMBRAL_RTC_ECHO_PEER, "--sink") {
        rtc::Configuration config;
        config.bindAddress = "127.0.0.1";
        peer = std::make_unique<rtc::PeerConnection>(config);
        peer->onLocalDescription(
            [this](rtc::Description d) { child.send(rtc_test::descriptionLine(d)); });
        peer->onLocalCandidate(
            [this](rtc::Candidate c) { child.send(rtc_test::candidateLine(c)); });
        control = peer->createDataChannel("control");
        control->onOpen([this] { ++open; });
        control->onMessage([](rtc::binary) {},
                           [this](std::string text) {
                               const std::lock_guard lock(mutex);
                               report = std::stoull(text);
                               ++reports;
                           });
        rtc::DataChannelInit unordered;
        unordered.reliability.unordered = true;
        unordered.reliability.maxRetransmits = 0;
        video = peer->createDataChannel("video", unordered);
        video->onOpen([this] { ++open; });
    }
    ~RemotePeer() { peer->close(); }
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        return child.pumpUntil(
            [this](const std::string& line) { rtc_test::applyLine(*peer, line); }, done, timeout);
    }

    rtc_test::EchoPeerProcess child;
    std::unique_ptr<rtc::PeerConnection> peer;
    std::shared_ptr<rtc::DataChannel> control;
    std::shared_ptr<rtc::DataChannel> video;
    std::atomic<int> open{0};
    std::mutex mutex;
    std::size_t report = 0;
    std::atomic<int> reports{0};
};

double remoteThroughput(RemotePeer& remote, std::size_t messageBytes) {
    const rtc::binary message(messageBytes, std::byte{0x5A});
    const std::size_t count = kBytesPerRun / messageBytes;
    const int reportsBefore = remote.reports;
    const auto start = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        while (remote.control->bufferedAmount() > kSendWindow) {
            std::this_thread::sleep_for(100us);
        }
        remote.control->send(message);
    }
    remote.control->send(std::string("report"));
    while (remote.reports == reportsBefore && Clock::now() - start < 120s) {
        std::this_thread::sleep_for(100us);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return static_cast<double>(count * messageBytes) / seconds / (1024.0 * 1024.0);
}
#endif

// The same bytes over a loopback TCP connection, written in the same message sizes.
double tcpThroughput(std::size_t messageBytes) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int server = accept(listener, nullptr, nullptr);
    const int one = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    const std::size_t count = kBytesPerRun / messageBytes;
    const auto start = Clock::now();
    std::thread reader([server, total = count * messageBytes] {
        std::vector<char> buffer(256 * 1024);
        std::size_t got = 0;
        while (got < total) {
            const ssize_t n = read(server, buffer.data(), buffer.size());
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
    });
    const std::vector<char> message(messageBytes, 0x5A);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t done = 0;
        while (done < messageBytes) {
            const ssize_t n = write(client, message.data() + done, messageBytes - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
    }
    reader.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(client);
    close(server);
    close(listener);
    return static_cast<double>(count * messageBytes) / seconds / (1024.0 * 1024.0);
}

} // namespace

int main() {
    std::printf("rtc layer, both peers in one process on 127.0.0.1\n");
    std::vector<double> setups;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        Pair pair;
        if (!pair.connect()) {
            std::printf("  set-up failed in round %d\n", round);
            return 1;
        }
        setups.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(setups.begin(), setups.end());
    std::printf("  set-up, create to both channels open (5 rounds): min %.1f ms, median %.1f ms, "
                "max %.1f ms\n",
                setups.front(), setups[2], setups.back());

    Pair pair;
    if (!pair.connect()) {
        std::printf("  set-up failed\n");
        return 1;
    }
    for (const std::size_t size : {std::size_t{1024}, std::size_t{64 * 1024}}) {
        const double rtcRate = rtcThroughput(pair, size);
        const double tcpRate = tcpThroughput(size);
        std::printf("  reliable channel, %3zu KiB messages: %7.1f MiB/s; loopback TCP %7.1f MiB/s "
                    "(rtc/tcp %.3f)\n",
                    size / 1024, rtcRate, tcpRate, rtcRate / tcpRate);
    }

#ifdef NIMBRAL_RTC_ECHO_PEER
    std::printf("rtc layer, far peer in another process (echo_peer --sink)\n");
    setups.clear();
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        RemotePeer remote;
        if (!remote.pumpUntil([&] { return remote.open == 2; }, 10s)) {
            std::printf("  set-up failed in round %d\n", round);
            return 1;
        }
        setups.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(setups.begin(), setups.end());
    std::printf("  set-up, process start to both channels open (5 rounds): min %.1f ms, median "
                "%.1f ms, max %.1f ms\n",
                setups.front(), setups[2], setups.back());
    RemotePeer remote;
    if (!remote.pumpUntil([&] { return remote.open == 2; }, 10s)) {
        std::printf("  set-up failed\n");
        return 1;
    }
    for (const std::size_t size : {std::size_t{1024}, std::size_t{64 * 1024}}) {
        const double rtcRate = remoteThroughput(remote, size);
        const double tcpRate = tcpThroughput(size);
        std::printf("  reliable channel, %3zu KiB messages: %7.1f MiB/s; loopback TCP %7.1f MiB/s "
                    "(rtc/tcp %.3f)\n",
                    size / 1024, rtcRate, tcpRate, rtcRate / tcpRate);
    }
#endif
    return 0;
}
