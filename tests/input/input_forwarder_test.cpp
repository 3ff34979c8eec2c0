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

// A drag: press, moves, release. The move that waits goes before the release, so the pointer
// never jumps back to it after the button is up.
TEST(InputForwarder, ClicksAndKeysWaitForTheMoveBeforeThem) {
    std::vector<InputEvent> injected;
    InputForwarder forwarder(std::make_unique<RecordingBackend>(injected));
    InputEvent press;
    press.type = 2;
    press.x = 0.1;
    forwarder.processEvent(press);
    forwarder.processEvent(move(0.2));
    forwarder.processEvent(move(0.3)); // waits
    InputEvent release = press;
    release.type = 3;
    release.x = 0.3;
    forwarder.processEvent(release);
    forwarder.processEvent(move(0.4)); // waits
    InputEvent key;
    key.type = 5;
    forwarder.processEvent(key);
    ASSERT_EQ(injected.size(), 6u);
    const std::vector<std::pair<int, double>> expected = {{2, 0.1}, {1, 0.2}, {1, 0.3},
                                                          {3, 0.3}, {1, 0.4}, {5, 0.0}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(injected[i].type, expected[i].first) << i;
        EXPECT_DOUBLE_EQ(injected[i].x, expected[i].second) << i;
    }
    QTest::qWait(50);
    EXPECT_EQ(injected.size(), 6u) << "nothing older comes after";
}

// The session ends (or the link drops) while the Master holds a button and keys: the Target
// lets go of them, once each, where the pointer last was.
TEST(InputForwarder, WhatIsHeldWhenTheForwarderGoesIsReleased) {
    std::vector<InputEvent> injected;
    {
        InputForwarder forwarder(std::make_unique<RecordingBackend>(injected));
        InputEvent press;
        press.type = 2;
        press.button = kMouseRight;
        press.x = 0.6;
        forwarder.processEvent(press);
        InputEvent shift;
        shift.type = 5;
        shift.keyCode = 0x10;
        shift.scanCode = 0x2A;
        forwarder.processEvent(shift);
        InputEvent a = shift;
        a.keyCode = 0x41;
        a.scanCode = 0x1E;
        forwarder.processEvent(a);
        a.type = 6;
        forwarder.processEvent(a); // released by the Master itself
        forwarder.processEvent(move(0.7));
    }
    ASSERT_EQ(injected.size(), 7u);
    EXPECT_EQ(injected[5].type, 3);
    EXPECT_EQ(injected[5].button, kMouseRight);
    EXPECT_DOUBLE_EQ(injected[5].x, 0.7);
    EXPECT_EQ(injected[6].type, 6);
    EXPECT_EQ(injected[6].scanCode, 0x2Au);
    EXPECT_EQ(injected[6].keyCode, 0x10u);
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
