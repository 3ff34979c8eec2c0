#include "session/video_send_pacer.h"

#include <chrono>
#include <thread>

namespace nimbral {

VideoSendPacer::Clock VideoSendPacer::steadyClock() {
    return {[] {
                return std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                    .count();
            },
            [](int milliseconds) {
                std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
            }};
}

VideoSendPacer::VideoSendPacer(Clock clock)
    : m_clock(std::move(clock)) {
}

void VideoSendPacer::start(int backlogLimitMs, std::function<void()> askForUpdate) {
    m_askForUpdate = std::move(askForUpdate);
    m_backlogLimitMs = backlogLimitMs;
    m_inFlight.clear();
    m_videoBytes = 0;
    m_linkBytes = 0;
    m_busy = false;
    m_updateAsked = false;
    m_framesHeldBack = 0;
    m_streaming = true;
}

void VideoSendPacer::stop() {
    m_streaming = false;
}

void VideoSendPacer::videoQueued(std::uint64_t bytes) {
    m_videoBytes += bytes;
    m_linkBytes += bytes;
    m_inFlight.push_back({m_videoBytes, m_linkBytes, m_clock.nowMs()});
}

void VideoSendPacer::otherBytesQueued(std::uint64_t bytes) {
    m_linkBytes += bytes;
}

void VideoSendPacer::update(std::size_t pendingBytes, bool sharedQueue) {
    m_updateAsked = false;
    // Everything up to this offset has left the link.
    const std::uint64_t queued = sharedQueue ? m_linkBytes : m_videoBytes;
    const std::uint64_t delivered = queued > pendingBytes ? queued - pendingBytes : 0;
    while (!m_inFlight.empty() &&
           (sharedQueue ? m_inFlight.front().linkEnd : m_inFlight.front().videoEnd) <= delivered) {
        m_inFlight.pop_front();
    }
    m_busy =
        !m_inFlight.empty() && m_clock.nowMs() - m_inFlight.front().queuedAt > m_backlogLimitMs;
}

void VideoSendPacer::linkGone() {
    m_updateAsked = false;
    m_inFlight.clear();
    m_busy = false;
}

bool VideoSendPacer::waitForLink() {
    if (!m_busy.load()) {
        return m_streaming.load();
    }
    ++m_framesHeldBack;
    const std::int64_t deadline = m_clock.nowMs() + kHoldLimitMs;
    while (m_streaming.load() && m_clock.nowMs() < deadline) {
        // The busy flag is as old as the last send or update; have the main thread look again.
        if (!m_updateAsked.exchange(true) && m_askForUpdate) {
            m_askForUpdate();
        }
        m_clock.sleepMs(kPollMs);
        if (!m_busy.load()) {
            return m_streaming.load();
        }
    }
    return false;
}

} // namespace nimbral
