#include "input/input_forwarder.h"

#include <QTest>

#include <gtest/gtest.h>

#include "log_capture.h"
#include "recording_input_backend.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using RecordingBackend = test::RecordingInputBackend;

InputEvent move(double x) {
    InputEvent event;
    event.type = 1;
    event.x = x;
    return event;
}

TEST(InputForwarder, ABurstOfMovesSendsTheFirstAtOnceAndTheLastAtTheWindowsEnd) {
    std::vector<InputEvent> injected;
    InputForwarder forwarder(std::make_unique<RecordingBackend>(injected));
    for (int i = 1; i <= 10; ++i) {
        forwarder.processEvent(move(i / 10.0));
    }
    ASSERT_EQ(injected.size(), 1u);
    EXPECT_DOUBLE_EQ(injected[0].x, 0.1);
    ASSERT_WAIT(injected.size() == 2, 1000);
    EXPECT_DOUBLE_EQ(injected[1].x, 1.0);
    QTest::qWait(50);
    EXPECT_EQ(injected.size(), 2u) << "the moves between were not dropped";

    // The next move after the window goes at once again.
    forwarder.processEvent(move(0.33));
    ASSERT_EQ(injected.size(), 3u);
    EXPECT_DOUBLE_EQ(injected[2].x, 0.33);
}

TEST(InputForwarder, AClickOvertakesAPendingMove) {
    std::vector<InputEvent> injected;
    InputForwarder forwarder(std::make_unique<RecordingBackend>(injected));
    forwarder.processEvent(move(0.1));
    forwarder.processEvent(move(0.2)); // waits
    InputEvent click;
    click.type = 2;
    click.x = 0.7;
    forwarder.processEvent(click);
    ASSERT_EQ(injected.size(), 2u);
    EXPECT_EQ(injected[1].type, 2);
    ASSERT_WAIT(injected.size() == 3, 1000);
    EXPECT_DOUBLE_EQ(injected[2].x, 0.2);
}

TEST(InputForwarder, FailuresAndAMissingBackendAreLogged) {
    test::LogCapture log;
    std::vector<InputEvent> injected;
    InputForwarder failing(std::make_unique<RecordingBackend>(injected, false));
    InputEvent key;
    key.type = 5;
    failing.processEvent(key);
    EXPECT_TRUE(log.has(spdlog::level::warn, "InputForwarder: failed to inject event type 5"));

    InputForwarder none(nullptr);
    none.processEvent(key);
    EXPECT_TRUE(log.has(spdlog::level::warn, "InputForwarder: no backend available"));
}

TEST(InputForwarder, APendingMoveIsDeliveredWhenTheForwarderGoes) {
    std::vector<InputEvent> injected;
    {
        InputForwarder forwarder(std::make_unique<RecordingBackend>(injected));
        forwarder.processEvent(move(0.1));
        forwarder.processEvent(move(0.9));
    }
    ASSERT_EQ(injected.size(), 2u);
    EXPECT_DOUBLE_EQ(injected[1].x, 0.9);
}

} // namespace
} // namespace nimbral
