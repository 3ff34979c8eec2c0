// Our layer against itself across a process boundary: the far peer is the echo_peer program,
// signaled over its stdin and stdout, so nothing is shared but the loopback network.
#include "echo_peer_process.h"

#include <atomic>
#include <chrono>
#include <mutex>

#include <gtest/gtest.h>

#include "test_bytes.h"

namespace {

using rtc_test::pattern;

using namespace std::chrono_literals;

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

    rtc_test::EchoPeerProcess child{NIMBRAL_RTC_ECHO_PEER};
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
    // A link that dies on the way is a failure of its own, not a wait until the time-out.
    const auto lost = [this] {
        return state.load() == rtc::PeerConnection::State::Disconnected ||
               state.load() == rtc::PeerConnection::State::Failed;
    };
    ASSERT_TRUE(pumpUntil([&] { return atControl.count() == 3 || lost(); }, 30s));
    ASSERT_FALSE(lost()) << "the link was lost with " << atControl.count() << " of 3 back";
    // The reliable channel keeps order; nothing is cut or joined on the way.
    EXPECT_TRUE(atControl.messages[0] == pattern(1, 1));
    EXPECT_TRUE(atControl.messages[1] == pattern(64 * 1024, 2));
    EXPECT_TRUE(atControl.messages[2] == pattern(largest, 3));

    // The video channel never retransmits, so a lost datagram loses its message there and
    // back: of several sent, at least one must return, and whatever returns is whole.
    for (int offset = 4; offset < 8; ++offset) {
        ASSERT_TRUE(video->send(pattern(30000, offset)));
    }
    ASSERT_TRUE(pumpUntil([this] { return atVideo.count() >= 1; }, 5s));
    const std::lock_guard lock(atVideo.mutex); // more may still be arriving
    for (const auto& message : atVideo.messages) {
        bool sent = false;
        for (int offset = 4; offset < 8; ++offset) {
            sent = sent || message == pattern(30000, offset);
        }
        EXPECT_TRUE(sent) << "a video message came back altered";
    }
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
