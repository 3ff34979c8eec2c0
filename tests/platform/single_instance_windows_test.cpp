#include <gtest/gtest.h>

#include "platform/single_instance.h"
#include "windows_test_support.h"

namespace nimbral::platform {
namespace {

constexpr const char* kTestMutexName = "NimbralTestClientMutex";
constexpr int kAnotherRunning = 10;
constexpr int kAlone = 11;

// What a second start of the client sees: exit codes tell the test.
NIMBRAL_CHILD_ROLE(secondInstance) {
    const auto lock = acquireSingleInstanceLock(kTestMutexName);
    return lock->anotherInstanceRunning() ? kAnotherRunning : kAlone;
}

TEST(SingleInstanceWindows, TheGlobalMutexStopsASecondProcessUntilTheFirstEnds) {
    {
        const auto first = acquireSingleInstanceLock(kTestMutexName);
        ASSERT_FALSE(first->anotherInstanceRunning());
        EXPECT_EQ(test::runChild("secondInstance"), kAnotherRunning);
        // The refused second start left the name with the first: a third is refused as well.
        EXPECT_EQ(test::runChild("secondInstance"), kAnotherRunning);
    }
    EXPECT_EQ(test::runChild("secondInstance"), kAlone);
}

TEST(SingleInstanceWindows, TheNameLivesInTheGlobalNamespace) {
    const auto lock = acquireSingleInstanceLock(kTestMutexName);
    HANDLE global = ::OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\NimbralTestClientMutex");
    ASSERT_NE(global, nullptr) << "error " << ::GetLastError();
    ::CloseHandle(global);
}

} // namespace
} // namespace nimbral::platform
