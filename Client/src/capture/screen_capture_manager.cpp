#include "capture/screen_capture_manager.h"

#include <algorithm>
#include <exception>
#include <thread>

#include <spdlog/spdlog.h>

namespace nimbral {

ScreenCaptureManager::ScreenCaptureManager(std::unique_ptr<IScreenCaptureBackend> backend,
                                           QObject* parent)
    : QObject(parent)
    , m_backend(std::move(backend))
    , m_thread(std::make_unique<QThread>())
    , m_sleeper([this](std::chrono::nanoseconds duration) {
        // Whole milliseconds, rounded up: the pacing never runs early.
        std::unique_lock lock(m_sleepMutex);
        m_stopRequested.wait_for(lock, std::chrono::ceil<std::chrono::milliseconds>(duration),
                                 [this] { return !m_running; });
    }) {
    static const int registered = qRegisterMetaType<std::shared_ptr<nimbral::CapturedFrame>>();
    Q_UNUSED(registered);
    // The name shows in top and a debugger; the encoder's workers, started from this thread,
    // carry it too.
    m_thread->setObjectName(QString::fromLatin1(kThreadName));
}

ScreenCaptureManager::~ScreenCaptureManager() {
    stop();
    {
        const std::lock_guard lock(m_callbackMutex);
        m_callback = nullptr;
    }
    m_thread.reset();
    m_backend.reset();
}

void ScreenCaptureManager::setFrameCallback(FrameCallback callback) {
    const std::lock_guard lock(m_callbackMutex);
    m_callback = std::move(callback);
}

void ScreenCaptureManager::start(int fps) {
    if (m_running) {
        spdlog::warn("ScreenCaptureManager: already running");
        return;
    }
    if (!m_backend) {
        spdlog::error("ScreenCaptureManager: no backend set");
        emit captureError(QStringLiteral("No capture backend available"));
        return;
    }
    if (!m_backend->isInitialized()) {
        spdlog::error("ScreenCaptureManager: backend not initialized");
        emit captureError(QStringLiteral("Capture backend is not initialized"));
        return;
    }
    m_targetFps = std::clamp(fps, 1, 120);
    m_running = true;
    m_startedConnection = connect(
        m_thread.get(), &QThread::started, m_thread.get(), [this] { captureLoop(); },
        Qt::DirectConnection);
    m_thread->start(QThread::InheritPriority);
    spdlog::info("ScreenCaptureManager: started (target {} FPS)", m_targetFps.load());
}

void ScreenCaptureManager::stop() {
    if (!m_running) {
        return;
    }
    {
        // Under the sleep lock, so the worker cannot miss it between its check and its wait.
        const std::lock_guard lock(m_sleepMutex);
        m_running = false;
    }
    m_stopRequested.notify_all();
    if (m_thread->isRunning()) {
        m_thread->quit();
        if (!m_thread->wait(kStopTimeoutMs)) {
            spdlog::warn(
                "ScreenCaptureManager: worker thread did not finish within 5 s -- terminating");
            m_thread->terminate();
            m_thread->wait();
        }
    }
    disconnect(m_startedConnection);
    spdlog::info("ScreenCaptureManager: stopped");
}

void ScreenCaptureManager::switchMonitor(int index) {
    m_pendingMonitor.exchange(index);
    spdlog::info("ScreenCaptureManager: monitor switch to {} queued", index);
}

void ScreenCaptureManager::requestKeyframe() {
    m_keyframeRequested = true;
}

void ScreenCaptureManager::applyPendingMonitorSwitch(std::shared_ptr<CapturedFrame>& lastFrame) {
    const int monitor = m_pendingMonitor.exchange(-1);
    if (monitor < 0) {
        return;
    }
    spdlog::info("ScreenCaptureManager: switching to monitor {} (in capture thread)", monitor);
    const std::int32_t previous = m_backend->currentMonitor().index;
    lastFrame.reset();
    m_backend->shutdown();
    if (m_backend->initialize(monitor)) {
        spdlog::info("ScreenCaptureManager: switched to monitor {}", monitor);
        return;
    }
    // Back to the monitor that worked, rather than a picture that stands still.
    spdlog::error("ScreenCaptureManager: failed to switch to monitor {}; back to monitor {}",
                  monitor, previous);
    m_backend->initialize(previous);
    emit monitorSwitchFailed(monitor, previous);
}

void ScreenCaptureManager::deliver(const std::shared_ptr<CapturedFrame>& frame) {
    {
        const std::lock_guard lock(m_callbackMutex);
        if (m_callback) {
            m_callback(frame);
        }
    }
    emit frameCaptured(frame);
}

void ScreenCaptureManager::reinitializeAfterLoss(int& backoffMs) {
    spdlog::warn("ScreenCaptureManager: backend lost, reinitializing in {} ms", backoffMs);
    m_sleeper(std::chrono::milliseconds(backoffMs));
    backoffMs = std::min(backoffMs * 2, kMaxBackoffMs);
    const int index = m_backend->currentMonitor().index;
    if (!m_backend->initialize(index)) {
        spdlog::error("ScreenCaptureManager: reinit failed for monitor {}", index);
        emit captureError(QStringLiteral("Failed to reinitialize capture backend"));
    }
}

void ScreenCaptureManager::captureLoop() {
    using Clock = std::chrono::steady_clock;
    int backoffMs = kFirstBackoffMs;
    std::shared_ptr<CapturedFrame> lastFrame; // never changed: it may be sent again as is
    Clock::time_point lastFrameAt;
    bool repeatedWhileStill = false;
    // Frames keep to a grid of the frame interval: every wait ends on the grid, so rounding a
    // wait up never adds up to a lower frame rate.
    Clock::time_point due = m_now();
    spdlog::debug("ScreenCaptureManager: capture loop entered");
    for (;;) {
        if (!m_running) {
            spdlog::debug("ScreenCaptureManager: capture loop exiting");
            return;
        }
        applyPendingMonitorSwitch(lastFrame);
        const int fps = m_targetFps;
        const auto interval = std::chrono::nanoseconds(static_cast<std::int64_t>(1.0 / fps * 1e9));
        const auto iterationStart = m_now();
        // A start off the grid by a whole interval (a wait for changes, a slow frame, a back-off)
        // or before it begins a new grid: no burst of frames to catch up.
        if (iterationStart < due || iterationStart - due >= interval) {
            due = iterationStart;
        }

        std::unique_ptr<CapturedFrame> captured;
        try {
            captured = m_backend->captureFrame();
        } catch (const std::exception& error) {
            spdlog::error("ScreenCaptureManager: exception during capture: {}", error.what());
            emit captureError(QString::fromUtf8(error.what()));
        }

        std::shared_ptr<CapturedFrame> frame;
        const bool still = !captured && lastFrame && m_backend->isInitialized();
        if (still && m_keyframeRequested.load()) {
            // A still screen gives no frame to carry the key frame the viewer asked for: the
            // last picture goes again (a copy, since a frame is never changed once emitted).
            captured = std::make_unique<CapturedFrame>(*lastFrame);
            captured->timestamp = monotonicMilliseconds();
        } else if (still && !repeatedWhileStill && m_now() - lastFrameAt >= kStillRepeat) {
            // Once the screen has been still for a moment, its last picture goes once more, as
            // is: a few bytes that decode only where the previous picture arrived, so a viewer
            // that lost it finds out and asks for a key frame instead of showing a stale screen.
            frame = lastFrame;
            repeatedWhileStill = true;
        }
        if (captured) {
            if (m_keyframeRequested.exchange(false)) {
                captured->isKeyframe = true;
                captured->dirtyRects.clear();
            }
            backoffMs = kFirstBackoffMs;
            frame = std::shared_ptr<CapturedFrame>(std::move(captured));
            lastFrame = frame;
            lastFrameAt = m_now();
            repeatedWhileStill = false;
        }
        if (frame) {
            deliver(frame);
        } else if (!m_backend->isInitialized()) {
            reinitializeAfterLoss(backoffMs);
            continue;
        }

        due += interval;
        const auto now = m_now();
        if (now < due) {
            m_sleeper(std::chrono::duration_cast<std::chrono::nanoseconds>(due - now));
        }
    }
}

} // namespace nimbral
