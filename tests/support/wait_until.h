#pragma once

#include <QTest>

#include <gtest/gtest.h>

// Runs the event loop until the condition holds, failing the GoogleTest test (not a Qt Test
// function, whose QTRY_* failures GoogleTest would never see) when it does not within the time.
#define ASSERT_WAIT(condition, timeoutMs)                                                          \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); }, timeoutMs))          \
        << "waited " << (timeoutMs) << " ms for: " #condition

#define EXPECT_WAIT(condition, timeoutMs)                                                          \
    EXPECT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); }, timeoutMs))          \
        << "waited " << (timeoutMs) << " ms for: " #condition
