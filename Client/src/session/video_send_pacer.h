#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

namespace nimbral {

// Keeps the Target's video to the pace the link delivers. The capture thread asks before it
// encodes a frame (waitForLink); the main thread tells it what went out (videoQueued,
// otherBytesQueued) and what the link still holds (update). A frame waits while the oldest
// video still in the link was handed over longer ago than the backlog limit: a slow link lowers
// the frame rate instead of letting the picture fall further and further behind.
//
// Threads: waitForLink and framesHeldBack on the capture thread; everything else on the main
// thread. The clock is injected so that tests need no wall time.
class VideoSendPacer {
public:
    struct Clock {
        std::function<std::int64_t()> nowMs;
        std::function<void(int milliseconds)> sleepMs;
    };
    // The steady clock and a real sleep.
    static Clock steadyClock();

    // A frame held back longer than this is given up.
    static constexpr int kHoldLimitMs = 2000;
    // How often a held frame looks again.
    static constexpr int kPollMs = 5;

    explicit VideoSendPacer(Clock clock = steadyClock());

    // Main thread. A new stream: counts reset, frames may go. askForUpdate is called (from the
    // capture thread) when a held frame needs a fresh look at the link; it must have the main
    // thread call update soon, and at most one such request is outstanding.
    void start(int backlogLimitMs, std::function<void()> askForUpdate);
    // A held frame stops waiting and no frame goes until the next start.
    void stop();
    bool streaming() const { return m_streaming.load(); }

    // Main thread. A sealed video packet of this many bytes (with the link's framing) was queued.
    void videoQueued(std::uint64_t bytes);
    // Control bytes were queued: where both channels share one queue they sit before later video.
    void otherBytesQueued(std::uint64_t bytes);
    // The link still holds this much video (or, when sharedQueue, this much of everything).
    void update(std::size_t pendingBytes, bool sharedQueue);
    // No link: nothing is in flight any more.
    void linkGone();

    // Capture thread: waits while the link is busy; false when the frame should be dropped
    // (held too long, or the stream stopped meanwhile).
    bool waitForLink();
    std::uint64_t framesHeldBack() const { return m_framesHeldBack.load(); }

private:
    // A video packet not known to have left the link: where it ends in the video channel's
    // bytes and in all bytes queued, and when it was handed over.
    struct InFlight {
        std::uint64_t videoEnd = 0;
        std::uint64_t linkEnd = 0;
        std::int64_t queuedAt = 0;
    };

    Clock m_clock;
    std::function<void()> m_askForUpdate;
    int m_backlogLimitMs = 400;
    std::atomic<bool> m_streaming{false};
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_updateAsked{false};
    std::atomic<std::uint64_t> m_framesHeldBack{0};
    std::deque<InFlight> m_inFlight;
    std::uint64_t m_videoBytes = 0;
    std::uint64_t m_linkBytes = 0; // both channels
};

} // namespace nimbral
