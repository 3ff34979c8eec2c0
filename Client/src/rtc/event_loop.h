#pragma once

#include <functional>
#include <thread>

typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;
typedef struct _GSource GSource;

namespace rtc::detail {

// The layer's one thread: its own GLib main context (never the default one, which Qt's event
// dispatcher owns), running libnice, the DTLS timers and the SCTP work of every connection.
class EventLoop {
public:
    static EventLoop& instance();

    GMainContext* context() const { return m_context; }
    bool onLoopThread() const;

    // Runs f on the loop thread later; safe from any thread, never re-entrant.
    void post(std::function<void()> f);
    // Runs f on the loop thread and waits for it (directly when already there).
    void sync(const std::function<void()>& f);

private:
    EventLoop();
    ~EventLoop();

    GMainContext* m_context = nullptr;
    GMainLoop* m_loop = nullptr;
    std::thread m_thread;
};

// A timer on the loop; cancelled (and its callback released) when the object goes.
class LoopTimer {
public:
    LoopTimer() = default;
    ~LoopTimer() { cancel(); }
    LoopTimer(const LoopTimer&) = delete;
    LoopTimer& operator=(const LoopTimer&) = delete;

    // Loop thread only. The callback returns true to keep repeating.
    void start(unsigned milliseconds, std::function<bool()> callback);
    void cancel();
    bool active() const;

private:
    GSource* m_source = nullptr;
};

} // namespace rtc::detail
