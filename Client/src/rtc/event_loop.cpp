#include "rtc/event_loop.h"

#include <future>

#include <glib.h>

namespace rtc::detail {

namespace {

gboolean runOnce(gpointer data) {
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_REMOVE;
}

void deleteFunction(gpointer data) {
    delete static_cast<std::function<void()>*>(data);
}

struct TimerCallback {
    std::function<bool()> callback;
};

gboolean runTimer(gpointer data) {
    auto* timer = static_cast<TimerCallback*>(data);
    if (timer->callback()) {
        return G_SOURCE_CONTINUE;
    }
    return G_SOURCE_REMOVE;
}

void deleteTimer(gpointer data) {
    delete static_cast<TimerCallback*>(data);
}

} // namespace

EventLoop& EventLoop::instance() {
    // Lives for the process: connections of static lifetime may still close through it.
    static EventLoop* loop = new EventLoop;
    return *loop;
}

EventLoop::EventLoop() {
    m_context = g_main_context_new();
    m_loop = g_main_loop_new(m_context, FALSE);
    std::promise<void> started;
    auto running = started.get_future();
    m_thread = std::thread([this, &started] {
        g_main_context_push_thread_default(m_context);
        started.set_value();
        g_main_loop_run(m_loop);
        g_main_context_pop_thread_default(m_context);
    });
    running.wait();
}

EventLoop::~EventLoop() {
    g_main_loop_quit(m_loop);
    if (m_thread.joinable()) {
        m_thread.join();
    }
    g_main_loop_unref(m_loop);
    g_main_context_unref(m_context);
}

bool EventLoop::onLoopThread() const {
    return g_main_context_is_owner(m_context);
}

void EventLoop::post(std::function<void()> f) {
    auto* function = new std::function<void()>(std::move(f));
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(source, &runOnce, function, &deleteFunction);
    g_source_attach(source, m_context);
    g_source_unref(source);
}

void EventLoop::sync(const std::function<void()>& f) {
    if (onLoopThread()) {
        f();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    post([&] {
        try {
            f();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    finished.get();
}

void LoopTimer::start(unsigned milliseconds, std::function<bool()> callback) {
    cancel();
    GSource* source = g_timeout_source_new(milliseconds);
    auto* timer = new TimerCallback{std::move(callback)};
    g_source_set_callback(source, &runTimer, timer, &deleteTimer);
    g_source_attach(source, EventLoop::instance().context());
    m_source = source; // our reference, dropped by cancel()
}

bool LoopTimer::active() const {
    return m_source != nullptr && !g_source_is_destroyed(m_source);
}

void LoopTimer::cancel() {
    if (m_source != nullptr) {
        g_source_destroy(m_source);
        g_source_unref(m_source);
        m_source = nullptr;
    }
}

} // namespace rtc::detail
