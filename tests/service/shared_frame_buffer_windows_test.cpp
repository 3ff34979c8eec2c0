#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "flat_nv12.h"
#include <windows.h>

#include "log_capture.h"
#include "service/shared_frame_buffer.h"
#include "windows_test_support.h"

namespace nimbral {
namespace {

// The reader here is this test's own account: the section is made for this session's user, as
// the service makes it for its agent's.
DWORD ownSession() {
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    return session;
}

using test::LogCapture;

// Names of these tests' own, never the service's; the writer's process id keeps runs apart.
std::string sectionName(const char* what, DWORD writer = ::GetCurrentProcessId()) {
    return "Local\\NimbralTestFrame-" + std::to_string(writer) + "-" + what;
}

constexpr std::uint32_t kWidth = 640;
constexpr std::uint32_t kHeight = 360;
constexpr int kFramesReadCleanly = 1000;
constexpr int kChildOk = 0;

// The agent's side, in a second process: opens the parent's section and reads frames while the
// parent keeps writing. Exit code 0 when it read kFramesReadCleanly whole frames in rising order
// and never a mixed one; 1..5 name what went wrong.
int readWhileWritten(const std::string& name) {
    SharedFrameBuffer reader;
    for (int attempt = 0; attempt < 200 && !reader.openForReading(name); ++attempt) {
        ::Sleep(10);
    }
    if (!reader.isOpen()) {
        return 1;
    }
    std::uint64_t last = 0;
    int clean = 0;
    int torn = 0;
    const DWORD end = ::GetTickCount() + 15000;
    while (clean < kFramesReadCleanly && ::GetTickCount() < end) {
        SharedFrameBuffer::Frame frame;
        switch (reader.readFrame(last, frame)) {
        case SharedFrameBuffer::ReadStatus::Ok: {
            if (frame.frameId <= last || frame.width != kWidth || frame.height != kHeight) {
                return 2;
            }
            const std::uint8_t value = static_cast<std::uint8_t>(frame.frameId);
            for (std::uint8_t byte : frame.yPlane) {
                if (byte != value) {
                    return 3;
                }
            }
            for (std::uint8_t byte : frame.uvPlane) {
                if (byte != value) {
                    return 3;
                }
            }
            last = frame.frameId;
            ++clean;
            break;
        }
        case SharedFrameBuffer::ReadStatus::Torn:
            ++torn;
            break;
        case SharedFrameBuffer::ReadStatus::Malformed:
        case SharedFrameBuffer::ReadStatus::NotOpen:
            return 4;
        case SharedFrameBuffer::ReadStatus::NoNewFrame:
            ::Sleep(0);
            break;
        }
    }
    std::printf("reader: %d whole frames, %d dropped as torn\n", clean, torn);
    return clean == kFramesReadCleanly ? kChildOk : 5;
}

NIMBRAL_CHILD_ROLE(frameReader) {
    char parent[32] = {};
    ::GetEnvironmentVariableA("NIMBRAL_TEST_WRITER", parent, sizeof parent);
    return readWhileWritten(sectionName("protocol", static_cast<DWORD>(std::stoul(parent))));
}

TEST(SharedFrameBufferWindows, SizesAtTheLimitAndOneAbove) {
    LogCapture log;
    SharedFrameBuffer writer;
    EXPECT_FALSE(writer.create(sectionName("limits"), 32, ownSession()));
    EXPECT_TRUE(log.has(spdlog::level::err, "SharedFrameBuffer::create: maxSize 32 is too small"));
    ASSERT_TRUE(writer.create(sectionName("limits"), 32 + 6, ownSession()));
    EXPECT_TRUE(log.has(spdlog::level::info, "SharedFrameBuffer created: name='" +
                                                 sectionName("limits") + "', size=38"));
    EXPECT_EQ(writer.frameId(), 0u);
    const std::vector<std::uint8_t> fits = test::flatNv12(2, 2, 9); // 4 + 2 bytes: exactly the room
    ASSERT_TRUE(writer.writeFrame(2, 2, 2, 2, fits.data(), fits.size()));
    EXPECT_EQ(writer.frameId(), 1u) << "the first frame is frame 1";
    const std::vector<std::uint8_t> tooLarge(7, 1);
    EXPECT_FALSE(writer.writeFrame(7, 1, 7, 8, tooLarge.data(), tooLarge.size()));
    EXPECT_TRUE(
        log.has(spdlog::level::warn, "SharedFrameBuffer::writeFrame: frame too large (39 > 38)"));

    // The refused frame left the previous one in place, readable by another opener.
    SharedFrameBuffer reader;
    ASSERT_TRUE(reader.openForReading(sectionName("limits")));
    SharedFrameBuffer::Frame frame;
    ASSERT_EQ(reader.readFrame(0, frame), SharedFrameBuffer::ReadStatus::Ok);
    EXPECT_EQ(frame.frameId, 1u);
    EXPECT_EQ(frame.yPlane, std::vector<std::uint8_t>(4, 9));
    EXPECT_EQ(frame.uvPlane, std::vector<std::uint8_t>(2, 9));
    EXPECT_EQ(reader.readFrame(1, frame), SharedFrameBuffer::ReadStatus::NoNewFrame);
    EXPECT_FALSE(reader.writeFrame(2, 2, 2, 2, fits.data(), fits.size()))
        << "a reader never writes";
}

TEST(SharedFrameBufferWindows, NothingToOpenAndNothingWrittenYet) {
    LogCapture log;
    SharedFrameBuffer reader;
    EXPECT_FALSE(reader.openForReading(sectionName("absent")));
    EXPECT_TRUE(log.hasPrefix(spdlog::level::warn, "SharedFrameBuffer: cannot open '"));
    SharedFrameBuffer::Frame frame;
    EXPECT_EQ(reader.readFrame(0, frame), SharedFrameBuffer::ReadStatus::NotOpen);
    EXPECT_FALSE(reader.writeFrame(1, 1, 1, 2, nullptr, 0));
    EXPECT_TRUE(log.has(spdlog::level::warn, "SharedFrameBuffer::writeFrame: not open"));

    SharedFrameBuffer writer;
    ASSERT_TRUE(writer.create(sectionName("empty"), 4096, ownSession()));
    ASSERT_TRUE(reader.openForReading(sectionName("empty")));
    EXPECT_GE(reader.mappedSize(), 4096u);
    EXPECT_EQ(reader.readFrame(0, frame), SharedFrameBuffer::ReadStatus::NoNewFrame);
}

// The service writes every frame while its agent, another process, copies them out: every frame
// the agent takes is whole, overwritten ones are dropped.
TEST(SharedFrameBufferWindows, AnotherProcessReadsWholeFramesWhileTheyAreWritten) {
    SharedFrameBuffer writer;
    ASSERT_TRUE(
        writer.create(sectionName("protocol"), SharedFrameBuffer::kDefaultSize, ownSession()));
    ::SetEnvironmentVariableA("NIMBRAL_TEST_WRITER",
                              std::to_string(::GetCurrentProcessId()).c_str());
    HANDLE child = test::startChild("frameReader");
    ASSERT_NE(child, nullptr);
    std::uint8_t value = 0;
    DWORD exitCode = STILL_ACTIVE;
    const DWORD end = ::GetTickCount() + 30000;
    while (::GetTickCount() < end) {
        ++value; // the frame ID's low byte, as the reader checks
        const std::vector<std::uint8_t> frame = test::flatNv12(kWidth, kHeight, value);
        ASSERT_TRUE(writer.writeFrame(kWidth, kHeight, kWidth, kWidth, frame.data(), frame.size()));
        ASSERT_EQ(static_cast<std::uint8_t>(writer.frameId()), value);
        if (::WaitForSingleObject(child, 0) == WAIT_OBJECT_0) {
            break;
        }
    }
    ::GetExitCodeProcess(child, &exitCode);
    if (exitCode == STILL_ACTIVE) {
        ::TerminateProcess(child, 99);
    }
    ::CloseHandle(child);
    EXPECT_EQ(exitCode, static_cast<DWORD>(kChildOk));
}

} // namespace
} // namespace nimbral
