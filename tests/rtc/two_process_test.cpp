// Our layer against itself across a process boundary: the far peer is the echo_peer program,
// signaled over its stdin and stdout, so nothing is shared but the loopback network.
#include "line_signaling.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

rtc::binary pattern(std::size_t size, int seed) {
    rtc::binary data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::byte>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
    }
    return data;
}

// The echo peer as a child process; its output lines are handed to the test thread in order.
class EchoPeerProcess {
public:
    EchoPeerProcess() {
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
            execl(NIMBRAL_RTC_ECHO_PEER, NIMBRAL_RTC_ECHO_PEER, static_cast<char*>(nullptr));
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

struct Inbox {
    std::mutex mutex;
    std::vector<rtc::binary> messages;
    std::atomic<bool> open{false};
    std::size_t count() {
        const std::lock_guard lock(mutex);
        return messages.size();
    }
};

// The offerer in this process, its answerer in the child.
class TwoProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(child.started());
        rtc::Configuration config;
        config.bindAddress = "127.0.0.1";
        peer = std::make_unique<rtc::PeerConnection>(config);
        peer->onStateChange([this](rtc::PeerConnection::State s) { state = s; });
        peer->onLocalDescription(
            [this](rtc::Description d) { child.send(rtc_test::descriptionLine(d)); });
        peer->onLocalCandidate(
            [this](rtc::Candidate c) { child.send(rtc_test::candidateLine(c)); });
        control = peer->createDataChannel("control");
        rtc::DataChannelInit unordered;
        unordered.reliability.unordered = true;
        unordered.reliability.maxRetransmits = 0;
        video = peer->createDataChannel("video", unordered);
        attach(control, atControl);
        attach(video, atVideo);
    }
    void TearDown() override {
        if (peer) {
            peer->close();
        }
    }

    static void attach(const std::shared_ptr<rtc::DataChannel>& channel, Inbox& inbox) {
        channel->onOpen([&inbox] { inbox.open = true; });
        channel->onMessage(
            [&inbox](rtc::binary data) {
                const std::lock_guard lock(inbox.mutex);
                inbox.messages.push_back(std::move(data));
            },
            [](std::string) {});
    }

    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        return child.pumpUntil(
            [this](const std::string& line) { rtc_test::applyLine(*peer, line); }, done, timeout);
    }

    EchoPeerProcess child;
    std::unique_ptr<rtc::PeerConnection> peer;
    std::shared_ptr<rtc::DataChannel> control;
    std::shared_ptr<rtc::DataChannel> video;
    Inbox atControl;
    Inbox atVideo;
    std::atomic<rtc::PeerConnection::State> state{rtc::PeerConnection::State::New};
};

TEST_F(TwoProcessTest, BothChannelsCarryMessagesThereAndBackWhole) {
    ASSERT_TRUE(pumpUntil([this] { return atControl.open && atVideo.open; }, 10s));
    EXPECT_EQ(state.load(), rtc::PeerConnection::State::Connected);

    const std::size_t largest = 16 * 1024 * 1024 + 64 * 1024;
    ASSERT_TRUE(control->send(pattern(1, 1)));
    ASSERT_TRUE(control->send(pattern(64 * 1024, 2)));
    ASSERT_TRUE(control->send(pattern(largest, 3)));
    ASSERT_TRUE(video->send(pattern(30000, 4)));
    ASSERT_TRUE(pumpUntil([this] { return atControl.count() == 3 && atVideo.count() == 1; }, 30s));
    // The reliable channel keeps order; nothing is cut or joined on the way.
    EXPECT_TRUE(atControl.messages[0] == pattern(1, 1));
    EXPECT_TRUE(atControl.messages[1] == pattern(64 * 1024, 2));
    EXPECT_TRUE(atControl.messages[2] == pattern(largest, 3));
    EXPECT_TRUE(atVideo.messages[0] == pattern(30000, 4));
}

TEST_F(TwoProcessTest, APeerThatVanishesIsReportedWithinAboutTenSeconds) {
    ASSERT_TRUE(pumpUntil([this] { return atControl.open && atVideo.open; }, 10s));
    child.killNow();
    const auto killedAt = std::chrono::steady_clock::now();
    ASSERT_TRUE(
        pumpUntil([this] { return state.load() == rtc::PeerConnection::State::Failed; }, 15s));
    EXPECT_LT(std::chrono::steady_clock::now() - killedAt, 12s);
}

} // namespace
