#pragma once

// Classes documented "main thread only" check it at their public entry points. Builds
// configured with -DNIMBRAL_THREAD_CHECKS=ON (the test builds) stop at the first call from
// another thread and name the function; other builds compile the check away.

namespace nimbral {

// True on the thread that started the program.
bool onMainThread();
// Prints which function was called from the wrong thread, then aborts.
[[noreturn]] void calledOffMainThread(const char* function);

} // namespace nimbral

#ifdef NIMBRAL_THREAD_CHECKS
#define NIMBRAL_ASSERT_MAIN_THREAD()                                                               \
    do {                                                                                           \
        if (!::nimbral::onMainThread()) {                                                          \
            ::nimbral::calledOffMainThread(__PRETTY_FUNCTION__);                                   \
        }                                                                                          \
    } while (false)
#else
#define NIMBRAL_ASSERT_MAIN_THREAD()                                                               \
    do {                                                                                           \
    } while (false)
#endif
