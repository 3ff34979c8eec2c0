#include "capture/screen_capture_manager.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "sanitizers.h"

#include "log_capture.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using namespace std::chrono_literals;

// A backend the test scripts: each capture takes the next step ("frame", "none" or "lost");
// once the script is used up it keeps answering with the last step.
class ScriptedBackend final : public IScreenCaptureBackend {
public:
    explicit ScriptedBackend(std::deque<std::string> script, bool reinitSucceeds = true)
        : m_script(std::move(script))
        , m_reinitSucceeds(reinitSucceeds) {}

    bool initialize(std::int32_t index) override {
        const std::lock_guard lock(mutex);
        initializedWith.push_back(index);
        m_index = index;
        m_initialized =
            (initializedWith.size() == 1 || m_reinitSucceeds) && index != missingMonitor;
        return m_initialized;
    }
    void shutdown() override { m_initialized = false; }
    std::unique_ptr<CapturedFrame> captureFrame() override {
        std::string step;
        {
            const std::lock_guard lock(mutex);
            step = m_script.size() > 1 ? m_script.front() : m_script.front();
            if (m_script.size() > 1) {
                m_script.pop_front();
            }
            ++captures;
        }
        if (step == "lost") {
            m_initialized = false;
            return nullptr;
        }
        if (step == "none") {
            return nullptr;
        }
        auto frame = std::make_unique<CapturedFrame>();
        frame->width = 2;
        frame->height = 2;
        frame->stride = 8;
        frame->data.assign(16, 0x7F);
        frame->dirtyRects.push_back({0, 0, 1, 1});
        return frame;
    }
    std::vector<MonitorInfo> enumerateMonitors() override { return {currentMonitor()}; }
    MonitorInfo currentMonitor() override {
        MonitorInfo info;
        info.index = m_index;
        return info;
    }
    bool isInitialized() const override { return m_initialized; }
    std::atomic<int> missingMonitor{-1}; // its initialize fails

    void setScript(std::deque<std::string> script) {
        const std::lock_guard lock(mutex);
        m_script = std::move(script);
    }

    std::mutex mutex;
    std::vector<int> initializedWith;
    int captures = 0;

private:
    std::deque<std::string> m_script;
    bool m_reinitSucceeds;
    std::atomic<bool> m_initialized{false};
    int m_index = 0;
};

// The loop's waits, recorded, and its clock, moved on by them: a wait takes a millisecond of
// real time whatever it asks for.
struct SleepLog {
    using Clock = std::chrono::steady_clock;
    std::mutex mutex;
    std::vector<std::chrono::nanoseconds> sleeps;
    Clock::time_point time{};

    void install(ScreenCaptureManager& manager, bool clockRuns = true) {
        manager.setClock([this] { return now(); });
        manager.setSleeper([this, clockRuns](std::chrono::nanoseconds duration) {
            {
                const std::lock_guard lock(mutex);
                sleeps.push_back(duration);
                time += clockRuns ? duration : std::chrono::nanoseconds(0);
            }
            std::this_thread::sleep_for(1ms);
        });
    }
    Clock::time_point now() {
        const std::lock_guard lock(mutex);
        return time;
    }
    std::vector<std::chrono::nanoseconds> taken() {
        const std::lock_guard lock(mutex);
        return sleeps;
    }
};

// The frames the manager hands to its callback (on its worker thread), with the loop's time.
struct FrameLog {
    FrameLog(ScreenCaptureManager& manager, SleepLog& clock) {
        manager.setFrameCallback([this, &clock](std::shared_ptr<CapturedFrame> frame) {
            const std::lock_guard lock(mutex);
            frames.push_back(std::move(frame));
            times.push_back(clock.now());
        });
    }
    std::size_t count() {
        const std::lock_guard lock(mutex);
        return frames.size();
    }
    std::mutex mutex;
    std::vector<std::shared_ptr<CapturedFrame>> frames;
    std::vector<SleepLog::Clock::time_point> times;
};

std::unique_ptr<ScriptedBackend> initialized(std::deque<std::string> script,
                                             bool reinitSucceeds = true) {
    auto backend = std::make_unique<ScriptedBackend>(std::move(script), reinitSucceeds);
    backend->initialize(0);
    return backend;
}

TEST(ScreenCaptureManager, RefusesToStartWithoutAUsableBackend) {
    test::LogCapture log;
    ScreenCaptureManager none(nullptr);
    QSignalSpy noneErrors(&none, &ScreenCaptureManager::captureError);
    none.start(10);
    ASSERT_EQ(noneErrors.count(), 1);
    EXPECT_EQ(noneErrors.at(0).at(0).toString(), "No capture backend available");
    EXPECT_TRUE(log.has(spdlog::level::err, "ScreenCaptureManager: no backend set"));

    ScreenCaptureManager cold(std::make_unique<ScriptedBackend>(std::deque<std::string>{"frame"}));
    QSignalSpy coldErrors(&cold, &ScreenCaptureManager::captureError);
    cold.start(10);
    ASSERT_EQ(coldErrors.count(), 1);
    EXPECT_EQ(coldErrors.at(0).at(0).toString(), "Capture backend is not initialized");
    EXPECT_FALSE(cold.isRunning());
}

TEST(ScreenCaptureManager, FrameRateIsClampedAndPacesTheLoop) {
    for (const auto& [asked, used] : {std::pair{0, 1}, std::pair{200, 120}, std::pair{10, 10}}) {
        test::LogCapture log;
        SleepLog sleeps;
        ScreenCaptureManager manager(initialized({"none"}));
        sleeps.install(manager);
        manager.start(asked);
        EXPECT_EQ(manager.targetFps(), used);
        EXPECT_TRUE(log.has(spdlog::level::info, "ScreenCaptureManager: started (target " +
                                                     std::to_string(used) + " FPS)"));
        ASSERT_WAIT(sleeps.taken().size() >= 3, 5000);
        manager.stop();
        // An empty capture on a live backend still waits out the rest of the interval.
        const auto interval = std::chrono::nanoseconds(static_cast<std::int64_t>(1.0 / used * 1e9));
        // Each wait is what is left of the interval; on a busy machine an iteration may lose a
        // few milliseconds, so only the best one is held close to the full interval.
        auto closest = std::chrono::nanoseconds::zero();
        for (const auto slept : sleeps.taken()) {
            EXPECT_LE(slept, interval);
            closest = std::max(closest, slept);
        }
        EXPECT_GT(closest, interval - 5ms) << "asked " << asked;
    }
}

TEST(ScreenCaptureManager, FramesReachTheCallbackAndTheSignal) {
    SleepLog sleeps;
    ScreenCaptureManager manager(initialized({"frame"}));
    sleeps.install(manager);
    std::atomic<int> called{0};
    manager.setFrameCallback([&](std::shared_ptr<CapturedFrame> frame) {
        EXPECT_EQ(frame->width, 2);
        ++called;
    });
    QObject context; // lives on this thread: worker signals arrive queued, as in the product
    int captured = 0;
    QObject::connect(&manager, &ScreenCaptureManager::frameCaptured, &context,
                     [&](const std::shared_ptr<CapturedFrame>&) { ++captured; });
    manager.start(30);
    ASSERT_WAIT(captured >= 3, 5000);
    manager.stop();
    EXPECT_GE(called.load(), captured);
}

TEST(ScreenCaptureManager, AKeyframeRequestMarksExactlyTheNextFrame) {
    SleepLog sleeps;
    ScreenCaptureManager manager(initialized({"frame"}));
    sleeps.install(manager);
    FrameLog log(manager, sleeps);
    manager.requestKeyframe();
    manager.start(30);
    ASSERT_WAIT(log.count() >= 4, 5000);
    manager.stop();
    const auto& frames = log.frames;
    EXPECT_TRUE(frames[0]->isKeyframe);
    EXPECT_TRUE(frames[0]->dirtyRects.empty());
    for (std::size_t i = 1; i < frames.size(); ++i) {
        EXPECT_FALSE(frames[i]->isKeyframe) << i;
        EXPECT_EQ(frames[i]->dirtyRects.size(), 1u) << i;
    }
}

// A viewer that lost a packet asks for a key frame; on a still screen no capture would carry
// it, so the last picture goes again, marked, and only once.
TEST(ScreenCaptureManager, AKeyframeRequestOnAStillScreenSendsTheLastPictureAgain) {
    SleepLog sleeps;
    ScreenCaptureManager manager(initialized({"frame", "none"}));
    sleeps.install(manager, /*clockRuns=*/false); // too short a stillness for its own repetition
    FrameLog log(manager, sleeps);
    const auto count = [&log] {
        return log.count();
    };
    const auto& frames = log.frames;
    manager.start(30);
    ASSERT_WAIT(count() == 1, 5000);
    ASSERT_WAIT(sleeps.taken().size() >= 5, 5000); // the screen stays still
    EXPECT_EQ(count(), 1u);
    manager.requestKeyframe();
    ASSERT_WAIT(count() == 2, 5000);
    const std::size_t slept = sleeps.taken().size();
    ASSERT_WAIT(sleeps.taken().size() >= slept + 5, 5000);
    manager.stop();
    ASSERT_EQ(frames.size(), 2u) << "the request is served once";
    EXPECT_FALSE(frames[0]->isKeyframe);
    EXPECT_TRUE(frames[1]->isKeyframe);
    EXPECT_TRUE(frames[1]->dirtyRects.empty());
    EXPECT_EQ(frames[1]->data, frames[0]->data);
    EXPECT_NE(frames[1].get(), frames[0].get()) << "an emitted frame is never changed";
    EXPECT_EQ(frames[0]->dirtyRects.size(), 1u);
}

// After a change the screen goes still: its last picture is delivered once more, the very same
// frame, so a viewer that lost it can notice; then nothing until the screen changes again.
TEST(ScreenCaptureManager, AStillScreenRepeatsItsLastPictureOnce) {
    SleepLog sleeps;
    auto owned = initialized({"frame", "none"});
    ScriptedBackend* backend = owned.get();
    ScreenCaptureManager manager(std::move(owned));
    sleeps.install(manager);
    FrameLog log(manager, sleeps);
    const auto count = [&log] {
        return log.count();
    };
    manager.start(30);
    ASSERT_WAIT(count() == 2, 5000);
    const auto repeated = sleeps.now();
    ASSERT_WAIT(sleeps.now() - repeated > 2 * ScreenCaptureManager::kStillRepeat, 5000);
    EXPECT_EQ(count(), 2u) << "repeated once, not again and again";
    backend->setScript({"frame", "none"});
    ASSERT_WAIT(count() == 4, 5000);
    manager.stop();
    const auto& frames = log.frames;
    EXPECT_EQ(frames[1].get(), frames[0].get()) << "the same frame, unchanged";
    EXPECT_FALSE(frames[1]->isKeyframe);
    EXPECT_GE(log.times[1] - log.times[0], ScreenCaptureManager::kStillRepeat);
    EXPECT_NE(frames[2].get(), frames[1].get());
    EXPECT_EQ(frames[3].get(), frames[2].get());
}

// Frames die on any thread; their pixels go back to the pool that lent them, a few at most,
// and a frame outliving its pool simply frees them.
TEST(FrameBufferPool, ReleasedPixelsAreLentAgainOnlyForTheSameSize) {
    auto pool = std::make_shared<FrameBufferPool>();
    auto frame = std::make_unique<CapturedFrame>();
    pool->lend(*frame, 1000);
    ASSERT_EQ(frame->data.size(), 1000u);
    EXPECT_EQ(frame->data[999], 0) << "a new buffer is zeroed";
    frame->data[999] = 42;
    const std::uint8_t* pixels = frame->data.data();
    std::thread([moved = std::move(frame)]() mutable { moved.reset(); }).join();
    EXPECT_EQ(pool->kept(), 1u);

    EXPECT_EQ(pool->take(999).size(), 999u) << "another size is not lent";
    CapturedFrame again;
    pool->lend(again, 1000);
    EXPECT_EQ(again.data.data(), pixels);
    EXPECT_EQ(again.data[999], 42) << "lent as it was: the borrower overwrites every byte";
    EXPECT_EQ(pool->kept(), 0u);

    {
        std::vector<CapturedFrame> many(FrameBufferPool::kKept + 2);
        for (CapturedFrame& each : many) {
            pool->lend(each, 64);
        }
        CapturedFrame copy = many.front(); // a copy goes back too, as its own buffer
        EXPECT_NE(copy.data.data(), many.front().data.data());
    }
    EXPECT_EQ(pool->kept(), FrameBufferPool::kKept);

    CapturedFrame orphan;
    pool->lend(orphan, 64);
    pool.reset();
    EXPECT_TRUE(orphan.pool.expired()); // its destructor frees the pixels itself
}

TEST(ScreenCaptureManager, OnlyTheLastQueuedMonitorSwitchIsApplied) {
    SleepLog sleeps;
    auto backend = initialized({"frame"});
    ScriptedBackend* raw = backend.get();
    ScreenCaptureManager manager(std::move(backend));
    sleeps.install(manager);
    test::LogCapture log;
    manager.switchMonitor(1);
    manager.switchMonitor(2);
    EXPECT_TRUE(log.has(spdlog::level::info, "ScreenCaptureManager: monitor switch to 1 queued"));
    manager.start(30);
    ASSERT_WAIT(
        [&] {
            const std::lock_guard lock(raw->mutex);
            return raw->captures >= 3;
        }(),
        5000);
    manager.stop();
    const std::lock_guard lock(raw->mutex);
    EXPECT_EQ(raw->initializedWith, (std::vector<int>{0, 2}));
    EXPECT_TRUE(log.has(spdlog::level::info, "ScreenCaptureManager: switched to monitor 2"));
}

// A monitor that cannot be read (gone, or never there): capture goes back to the one it had and
// says which one failed, instead of leaving the picture standing still.
TEST(ScreenCaptureManager, AMonitorThatCannotBeReadLeavesCaptureOnTheLastOne) {
    SleepLog sleeps;
    auto backend = initialized({"frame"});
    ScriptedBackend* raw = backend.get();
    raw->missingMonitor = 3;
    ScreenCaptureManager manager(std::move(backend));
    sleeps.install(manager);
    // Queued to this thread, as the session receives it.
    QObject receiver;
    std::vector<std::pair<int, int>> failed;
    QObject::connect(
        &manager, &ScreenCaptureManager::monitorSwitchFailed, &receiver,
        [&failed](int monitor, int current) { failed.emplace_back(monitor, current); });
    manager.switchMonitor(3);
    manager.start(30);
    ASSERT_WAIT(failed.size() == 1, 5000);
    const int capturesThen = [&] {
        const std::lock_guard lock(raw->mutex);
        return raw->captures;
    }();
    ASSERT_WAIT(
        [&] {
            const std::lock_guard lock(raw->mutex);
            return raw->captures > capturesThen + 2;
        }(),
        5000);
    manager.stop();
    EXPECT_EQ(failed.at(0), std::make_pair(3, 0));
    const std::lock_guard lock(raw->mutex);
    EXPECT_EQ(raw->initializedWith, (std::vector<int>{0, 3, 0}));
}

// A real wait rounds up to whole milliseconds and wakes a little late. At 24 fps that added a
// millisecond to every frame (23.4 fps); the frames must keep to the rate asked for. The clock
// here is the loop's own, moved on only by its waits, each a real wait's worst.
TEST(ScreenCaptureManager, AChangingScreenKeepsTheFrameRateItWasAskedFor) {
    using Clock = std::chrono::steady_clock;
    ScreenCaptureManager manager(initialized({"frame"}));
    Clock::time_point now{}; // touched by the capture thread only, read after stop()
    std::vector<Clock::time_point> frameTimes;
    manager.setClock([&now] { return now; });
    manager.setSleeper([&now](std::chrono::nanoseconds duration) {
        now += std::chrono::ceil<std::chrono::milliseconds>(duration) + 500us;
    });
    std::atomic<int> frames = 0;
    manager.setFrameCallback([&](std::shared_ptr<CapturedFrame>) {
        frameTimes.push_back(now);
        ++frames;
    });
    manager.start(24);
    ASSERT_WAIT(frames >= 49, 5000);
    manager.stop();
    const std::chrono::duration<double, std::milli> span = frameTimes[48] - frameTimes[0];
    EXPECT_NEAR(48 / (span.count() / 1000.0), 24.0, 0.1)
        << "48 frames in " << span.count() << " ms";
}

TEST(ScreenCaptureManager, ALostBackendBacksOffToFiveSecondsAndAFrameResetsIt) {
    SleepLog sleeps;
    // Lost on every capture; re-initialisation succeeds but the next capture loses it again.
    auto backend = initialized({"lost"});
    ScriptedBackend* raw = backend.get();
    ScreenCaptureManager manager(std::move(backend));
    sleeps.install(manager);
    QObject context; // lives on this thread: worker signals arrive queued, as in the product
    int captured = 0;
    QObject::connect(&manager, &ScreenCaptureManager::frameCaptured, &context,
                     [&](const std::shared_ptr<CapturedFrame>&) { ++captured; });
    manager.start(120);
    ASSERT_WAIT(sleeps.taken().size() >= 9, 5000);

    raw->setScript({"frame", "lost"}); // one frame, then lost for good again
    ASSERT_WAIT(captured >= 1, 5000);
    const std::size_t afterFrame = sleeps.taken().size();
    ASSERT_WAIT(sleeps.taken().size() >= afterFrame + 3, 5000);
    manager.stop();

    const auto taken = sleeps.taken();
    const std::vector<std::chrono::nanoseconds> expected = {100ms,  200ms,  400ms,  800ms, 1600ms,
                                                            3200ms, 5000ms, 5000ms, 5000ms};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(taken[i], expected[i]) << i;
    }
    // After the frame: one pacing sleep (under 100 ms at 120 fps), then the back-off starts
    // again from 100 ms.
    const auto pacing = std::find_if(taken.begin(), taken.end(),
                                     [](std::chrono::nanoseconds slept) { return slept < 100ms; });
    ASSERT_NE(pacing, taken.end());
    ASSERT_GE(taken.end() - pacing, 3);
    EXPECT_EQ(*(pacing + 1), 100ms);
    EXPECT_EQ(*(pacing + 2), 200ms);
}

TEST(ScreenCaptureManager, StoppingDuringABackOffDoesNotWaitItOut) {
    test::LogCapture log;
    ScreenCaptureManager manager(initialized({"lost"})); // the real sleeper
    manager.start(30);
    ASSERT_WAIT(log.has(spdlog::level::warn,
                        "ScreenCaptureManager: backend lost, reinitializing in 1600 ms"),
                10000);
    const auto stopping = std::chrono::steady_clock::now();
    manager.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 800ms);
    EXPECT_FALSE(log.hasPrefix(spdlog::level::warn, "ScreenCaptureManager: worker thread did not"));
}

TEST(ScreenCaptureManager, AFailedReinitialisationIsReported) {
    SleepLog sleeps;
    test::LogCapture log;
    ScreenCaptureManager manager(initialized({"lost"}, /*reinitSucceeds=*/false));
    sleeps.install(manager);
    QObject context;
    QStringList errors;
    QObject::connect(&manager, &ScreenCaptureManager::captureError, &context,
                     [&](const QString& error) { errors << error; });
    manager.start(30);
    ASSERT_WAIT(errors.size() >= 1, 5000);
    manager.stop();
    EXPECT_EQ(errors.first(), "Failed to reinitialize capture backend");
    EXPECT_TRUE(log.has(spdlog::level::err, "ScreenCaptureManager: reinit failed for monitor 0"));
}

TEST(ScreenCaptureManager, StopIsIdempotentAndTheManagerStartsAgain) {
    SleepLog sleeps;
    ScreenCaptureManager manager(initialized({"frame"}));
    sleeps.install(manager);
    QObject context; // lives on this thread: worker signals arrive queued, as in the product
    int captured = 0;
    QObject::connect(&manager, &ScreenCaptureManager::frameCaptured, &context,
                     [&](const std::shared_ptr<CapturedFrame>&) { ++captured; });
    test::LogCapture log;
    manager.start(30);
    manager.start(30);
    EXPECT_TRUE(log.has(spdlog::level::warn, "ScreenCaptureManager: already running"));
    ASSERT_WAIT(captured >= 1, 5000);
    manager.stop();
    manager.stop();
    EXPECT_FALSE(manager.isRunning());
    const int before = captured;
    manager.start(30);
    ASSERT_WAIT(captured > before, 5000);
    manager.stop();
}

} // namespace
} // namespace nimbral
