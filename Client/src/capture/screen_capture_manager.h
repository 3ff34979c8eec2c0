#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <QMetaType>
#include <QObject>
#include <QThread>

#include "capture/captured_frame.h"

namespace nimbral {

// Runs a capture backend on a worker thread at a target frame rate. The owner's thread starts,
// stops and steers it (monitor switch, key-frame request, callback); the worker alone touches the
// backend once started, calls the frame callback (under its mutex) and emits frameCaptured. A
// lost backend is re-initialised with a back-off of 100 ms doubling to 5 s.
class ScreenCaptureManager : public QObject {
    Q_OBJECT

public:
    using FrameCallback = std::function<void(std::shared_ptr<CapturedFrame>)>;
    using Sleeper = std::function<void(std::chrono::nanoseconds)>;
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr int kDefaultFps = 10;
    static constexpr const char* kThreadName = "nimbral-capture"; // at most 15 characters
    static constexpr int kFirstBackoffMs = 100;
    static constexpr int kMaxBackoffMs = 5000;
    // How long the screen stays still before its last picture is sent once more.
    static constexpr std::chrono::milliseconds kStillRepeat{300};
    static constexpr int kStopTimeoutMs = 5000;

    explicit ScreenCaptureManager(std::unique_ptr<IScreenCaptureBackend> backend,
                                  QObject* parent = nullptr);
    ~ScreenCaptureManager() override;

    void setFrameCallback(FrameCallback callback);
    void start(int fps);
    void stop();
    void switchMonitor(int index);
    void requestKeyframe();
    bool isRunning() const { return m_running; }
    int targetFps() const { return m_targetFps; }

    // For tests: how the loop waits (pacing and back-off); the default sleeps the thread until
    // the time is up or stop() is called, so a long back-off never holds a stop up.
    void setSleeper(Sleeper sleeper) { m_sleeper = std::move(sleeper); }
    // For tests, beside a sleeper: where the loop reads the time it paces frames by.
    void setClock(Now now) { m_now = std::move(now); }

signals:
    void frameCaptured(std::shared_ptr<nimbral::CapturedFrame> frame);
    void captureError(const QString& message);
    // From the capture thread: the monitor could not be read; capture went back to the last one.
    void monitorSwitchFailed(int monitorIndex, int currentIndex);

private:
    void captureLoop();
    // The steps of one turn of the loop, on the capture thread.
    void applyPendingMonitorSwitch(std::shared_ptr<CapturedFrame>& lastFrame);
    void deliver(const std::shared_ptr<CapturedFrame>& frame);
    void reinitializeAfterLoss(int& backoffMs);

    std::unique_ptr<IScreenCaptureBackend> m_backend;
    std::unique_ptr<QThread> m_thread;
    QMetaObject::Connection m_startedConnection;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_keyframeRequested{false};
    std::atomic<int> m_targetFps{kDefaultFps};
    std::atomic<int> m_pendingMonitor{-1};
    std::mutex m_callbackMutex;
    FrameCallback m_callback;
    std::mutex m_sleepMutex;
    std::condition_variable m_stopRequested;
    Sleeper m_sleeper;
    Now m_now = [] {
        return std::chrono::steady_clock::now();
    };
};

} // namespace nimbral

Q_DECLARE_METATYPE(std::shared_ptr<nimbral::CapturedFrame>)
