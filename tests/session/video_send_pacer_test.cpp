#include "session/video_send_pacer.h"

#include <functional>

#include <gtest/gtest.h>

namespace nimbral {
namespace {

// A clock that only moves when the pacer sleeps; each sleep may play the main thread's part.
struct FakeClock {
    std::int64_t now = 1000;
    int sleeps = 0;
    std::function<void()> duringSleep;

    VideoSendPacer::Clock clock() {
        return {[this] { return now; },
                [this](int milliseconds) {
                    now += milliseconds;
                    ++sleeps;
                    if (duringSleep) {
                        duringSleep();
                    }
                }};
    }
};

class VideoSendPacerTest : public ::testing::Test {
protected:
    static constexpr int kBacklogLimitMs = 400;

    void SetUp() override {
        pacer.start(kBacklogLimitMs, [this] { ++updatesAsked; });
    }
    // One packet of this size goes out now and is still in the link when the limit has passed.
    void queueAndAge(std::uint64_t bytes, bool shared = false) {
        pacer.videoQueued(bytes);
        fake.now += kBacklogLimitMs + 1;
        pacer.update(bytes, shared);
    }

    FakeClock fake;
    VideoSendPacer pacer{fake.clock()};
    int updatesAsked = 0;
};

TEST_F(VideoSendPacerTest, AFrameGoesAtOnceWhileTheLinkKeepsUp) {
    pacer.videoQueued(1000);
    fake.now += kBacklogLimitMs; // not older than the limit yet
    pacer.update(1000, false);
    EXPECT_TRUE(pacer.waitForLink());
    pacer.videoQueued(500);
    fake.now += 1000;
    pacer.update(0, false); // both delivered, however long ago they went
    EXPECT_TRUE(pacer.waitForLink());
    EXPECT_EQ(fake.sleeps, 0);
    EXPECT_EQ(pacer.framesHeldBack(), 0u);
    EXPECT_EQ(updatesAsked, 0);
}

TEST_F(VideoSendPacerTest, AFrameWaitsUntilTheOldVideoHasLeftAndIsCounted) {
    queueAndAge(1000);
    fake.duringSleep = [this] {
        if (fake.sleeps == 3) {
            pacer.update(0, false); // the main thread sees the link drained
        }
    };
    EXPECT_TRUE(pacer.waitForLink());
    EXPECT_EQ(fake.sleeps, 3);
    EXPECT_EQ(pacer.framesHeldBack(), 1u);
    // One request to look again while none is answered, one more after each answer.
    EXPECT_EQ(updatesAsked, 1);
}

TEST_F(VideoSendPacerTest, AFrameHeldPastTheLimitIsGivenUp) {
    queueAndAge(1000);
    fake.duringSleep = [this] {
        pacer.update(1000, false);
    }; // nothing ever leaves
    const std::int64_t began = fake.now;
    EXPECT_FALSE(pacer.waitForLink());
    EXPECT_GE(fake.now - began, VideoSendPacer::kHoldLimitMs);
    EXPECT_LT(fake.now - began, VideoSendPacer::kHoldLimitMs + 2 * VideoSendPacer::kPollMs);
    EXPECT_EQ(updatesAsked, fake.sleeps);
}

TEST_F(VideoSendPacerTest, StoppingReleasesAHeldFrameWithoutSendingIt) {
    queueAndAge(1000);
    fake.duringSleep = [this] {
        pacer.stop();
    };
    EXPECT_FALSE(pacer.waitForLink());
    EXPECT_EQ(fake.sleeps, 1);
    EXPECT_FALSE(pacer.waitForLink()) << "nothing goes until the next start";
    pacer.start(kBacklogLimitMs, {});
    EXPECT_TRUE(pacer.waitForLink());
    EXPECT_EQ(pacer.framesHeldBack(), 0u) << "a new stream counts afresh";
}

TEST_F(VideoSendPacerTest, InASharedQueueTheBacklogIsMeasuredAgainstAllBytes) {
    pacer.videoQueued(1000);
    pacer.otherBytesQueued(5000); // a file transfer's chunk behind the video
    fake.now += kBacklogLimitMs + 1;
    pacer.update(5500, true); // the video's last 500 bytes have not left yet
    fake.duringSleep = [this] {
        pacer.update(5000, true);
    }; // only the chunk is left
    EXPECT_TRUE(pacer.waitForLink());
    EXPECT_EQ(fake.sleeps, 1);
    EXPECT_EQ(pacer.framesHeldBack(), 1u);
}

TEST_F(VideoSendPacerTest, WithoutALinkNothingIsInFlight) {
    queueAndAge(1000);
    pacer.linkGone();
    EXPECT_TRUE(pacer.waitForLink());
    EXPECT_EQ(pacer.framesHeldBack(), 0u);
}

} // namespace
} // namespace nimbral
