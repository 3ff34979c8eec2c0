// Our layer against a WebRTC stack we did not write: headless Chromium loads a page from a small
// HTTP server in this test, signals through it, and echoes every message on both channels.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "test_bytes.h"

#include "line_signaling.h"

namespace {

using rtc_test::pattern;

using namespace std::chrono_literals;

// The page: one peer in either role; lines go up by POST /up, come down by polling GET /down.
constexpr const char* kPage = R"html(<!doctype html><script>
const role = new URLSearchParams(location.search).get('role');
const up = line => fetch('/up', {method: 'POST', body: line});
const pack = sdp => sdp.replace(/\r\n/g, '|').replace(/\|$/, '');
const unpack = text => text.replace(/\|$/, '').replace(/\|/g, '\r\n') + '\r\n';
const pc = new RTCPeerConnection({iceServers: []});
const echo = channel => {
  channel.binaryType = 'arraybuffer';
  channel.onmessage = e => channel.send(e.data);
  channel.onopen = () => up('O ' + channel.label);
};
pc.onicecandidate = e => { if (e.candidate && e.candidate.candidate) up('C ' + e.candidate.sdpMid + ' ' + e.candidate.candidate); };
pc.ondatachannel = e => echo(e.channel);
(async () => {
  if (role === 'offerer') {
    echo(pc.createDataChannel('control'));
    echo(pc.createDataChannel('video', {ordered: false, maxRetransmits: 0}));
    await pc.setLocalDescription();
    up('D offer ' + pack(pc.localDescription.sdp));
  }
  for (;;) {
    const text = await (await fetch('/down')).text();
    for (const line of text.split('\n').filter(l => l.length)) {
      if (line.startsWith('D ')) {
        const at = line.indexOf(' ', 2);
        await pc.setRemoteDescription({type: line.substring(2, at), sdp: unpack(line.substring(at + 1))});
        if (line.substring(2, at) === 'offer') {
          await pc.setLocalDescription();
          up('D answer ' + pack(pc.localDescription.sdp));
        }
      } else if (line.startsWith('C ')) {
        const at = line.indexOf(' ', 2);
        await pc.addIceCandidate({sdpMid: line.substring(2, at), candidate: line.substring(at + 1)});
      }
    }
    await new Promise(r => setTimeout(r, 20));
  }
})();
</script>)html";

std::string findChromium() {
    for (const char* path : {"/usr/bin/chromium", "/usr/bin/chromium-browser"}) {
        if (access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

// Serves the page and relays lines: what the page posts lands in `fromPage`, what the test
// queues goes out on the page's next poll.
class SignalingHttpServer {
public:
    SignalingHttpServer() {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(m_listener, 16) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~SignalingHttpServer() {
        m_stopping = true;
        shutdown(m_listener, SHUT_RDWR);
        close(m_listener);
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    int port() const { return m_port; }
    void toPage(const std::string& line) {
        const std::lock_guard lock(m_mutex);
        m_toPage += line + '\n';
    }
    rtc_test::LineQueue fromPage;

private:
    void serve() {
        while (!m_stopping) {
            const int client = accept(m_listener, nullptr, nullptr);
            if (client < 0) {
                return;
            }
            handle(client);
            close(client);
        }
    }
    void handle(int client) {
        std::string request;
        char buffer[8192];
        std::size_t bodyStart = std::string::npos;
        std::size_t contentLength = 0;
        while (bodyStart == std::string::npos || request.size() < bodyStart + contentLength) {
            const ssize_t n = read(client, buffer, sizeof buffer);
            if (n <= 0) {
                return;
            }
            request.append(buffer, static_cast<std::size_t>(n));
            if (bodyStart == std::string::npos) {
                const auto end = request.find("\r\n\r\n");
                if (end != std::string::npos) {
                    bodyStart = end + 4;
                    for (const char* name : {"Content-Length: ", "content-length: "}) {
                        const auto at = request.find(name);
                        if (at != std::string::npos && at < end) {
                            contentLength = std::strtoul(request.c_str() + at + 16, nullptr, 10);
                        }
                    }
                }
            }
        }
        std::string body;
        std::string type = "text/plain";
        if (request.rfind("POST /up", 0) == 0) {
            fromPage.push(request.substr(bodyStart, contentLength));
        } else if (request.rfind("GET /down", 0) == 0) {
            const std::lock_guard lock(m_mutex);
            body.swap(m_toPage);
        } else {
            body = kPage;
            type = "text/html";
        }
        const std::string response =
            "HTTP/1.1 200 OK\r\nContent-Type: " + type +
            "\r\nCache-Control: no-store\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n" + body;
        std::size_t done = 0;
        while (done < response.size()) {
            const ssize_t n = write(client, response.data() + done, response.size() - done);
            if (n <= 0) {
                return;
            }
            done += static_cast<std::size_t>(n);
        }
    }

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::string m_toPage;
};

class HeadlessChromium {
public:
    HeadlessChromium(const std::string& binary, const std::string& url) {
        m_profile =
            std::filesystem::temp_directory_path() /
            ("nimbral-chromium-" + std::to_string(getpid()) + "-" + std::to_string(std::rand()));
        std::filesystem::create_directories(m_profile);
        const std::string profileArg = "--user-data-dir=" + m_profile.string();
        m_pid = fork();
        if (m_pid == 0) {
            setpgid(0, 0);
            execl(binary.c_str(), binary.c_str(), "--headless=new", "--no-sandbox", "--disable-gpu",
                  "--no-first-run", "--disable-extensions", "--allow-loopback-in-peer-connection",
                  "--disable-features=WebRtcHideLocalIpsWithMdns", profileArg.c_str(), url.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~HeadlessChromium() {
        if (m_pid > 0) {
            kill(-m_pid, SIGKILL);
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_profile, ignored);
    }

private:
    pid_t m_pid = -1;
    std::filesystem::path m_profile;
};

struct Echoes {
    std::mutex mutex;
    std::vector<rtc::binary> control;
    std::vector<rtc::binary> video;
    std::atomic<int> open{0};
    std::size_t count(bool video_) {
        const std::lock_guard lock(mutex);
        return video_ ? video.size() : control.size();
    }
};

class ChromiumInteropTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        chromium = findChromium();
        if (chromium.empty()) {
            GTEST_SKIP() << "chromium is not installed";
        }
    }

    void attach(const std::shared_ptr<rtc::DataChannel>& channel) {
        const bool video = channel->label() == "video";
        channel->onOpen([this] { ++echoes.open; });
        channel->onMessage(
            [this, video](rtc::binary data) {
                const std::lock_guard lock(echoes.mutex);
                (video ? echoes.video : echoes.control).push_back(std::move(data));
            },
            [](std::string) {});
    }

    std::string chromium;
    Echoes echoes;
};

// Parameter: true when our layer makes the offer, false when Chromium does.
TEST_P(ChromiumInteropTest, BinaryMessagesCrossBothChannelsBothWays) {
    const bool weOffer = GetParam();
    SignalingHttpServer http;
    ASSERT_GT(http.port(), 0);

    rtc::Configuration config;
    config.bindAddress = "127.0.0.1";
    rtc::PeerConnection peer(config);
    std::mutex channelsMutex;
    std::shared_ptr<rtc::DataChannel> control;
    std::shared_ptr<rtc::DataChannel> video;
    peer.onLocalDescription([&](rtc::Description d) { http.toPage(rtc_test::descriptionLine(d)); });
    peer.onLocalCandidate([&](rtc::Candidate c) { http.toPage(rtc_test::candidateLine(c)); });
    peer.onDataChannel([&](std::shared_ptr<rtc::DataChannel> channel) {
        attach(channel);
        const std::lock_guard lock(channelsMutex);
        (channel->label() == "video" ? video : control) = std::move(channel);
    });
    if (weOffer) {
        control = peer.createDataChannel("control");
        rtc::DataChannelInit unordered;
        unordered.reliability.unordered = true;
        unordered.reliability.maxRetransmits = 0;
        video = peer.createDataChannel("video", unordered);
        attach(control);
        attach(video);
    }

    HeadlessChromium browser(chromium, "http://127.0.0.1:" + std::to_string(http.port()) +
                                           "/?role=" + (weOffer ? "answerer" : "offerer"));
    const auto pump = [&](const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        return http.fromPage.pumpUntil(
            [&](const std::string& line) { rtc_test::applyLine(peer, line); }, done, timeout);
    };
    ASSERT_TRUE(pump([&] { return echoes.open == 2; }, 30s))
        << "channels did not open; state " << static_cast<int>(peer.state());
    std::shared_ptr<rtc::DataChannel> controlChannel;
    std::shared_ptr<rtc::DataChannel> videoChannel;
    {
        const std::lock_guard lock(channelsMutex);
        controlChannel = control;
        videoChannel = video;
    }
    // Chromium advertises a smaller message limit than ours; we keep to it.
    EXPECT_LT(controlChannel->maxMessageSize(), std::size_t{16 * 1024 * 1024});
    EXPECT_THROW(controlChannel->send(pattern(controlChannel->maxMessageSize() + 1, 0)),
                 std::invalid_argument);

    const std::vector<std::size_t> sizes{1, 1000, 64 * 1024};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        ASSERT_TRUE(controlChannel->send(pattern(sizes[i], static_cast<int>(i))));
    }
    ASSERT_TRUE(videoChannel->send(pattern(30000, 9)));
    ASSERT_TRUE(
        pump([&] { return echoes.count(false) == sizes.size() && echoes.count(true) == 1; }, 10s));
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        EXPECT_TRUE(echoes.control[i] == pattern(sizes[i], static_cast<int>(i))) << "message " << i;
    }
    EXPECT_TRUE(echoes.video[0] == pattern(30000, 9));
    peer.close();
}

INSTANTIATE_TEST_SUITE_P(Roles, ChromiumInteropTest, ::testing::Values(true, false),
                         [](const auto& info) {
                             return info.param ? std::string("WeOffer")
                                               : std::string("ChromiumOffers");
                         });

} // namespace
