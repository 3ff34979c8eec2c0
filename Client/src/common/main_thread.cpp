#include "common/main_thread.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace nimbral {

namespace {

// Namespace-scope objects are initialised before main() runs, on the thread that runs it.
const std::thread::id kMainThread = std::this_thread::get_id();

} // namespace

bool onMainThread() {
    return std::this_thread::get_id() == kMainThread;
}

void calledOffMainThread(const char* function) {
    std::fprintf(stderr, "%s: called off the main thread\n", function);
    std::abort();
}

} // namespace nimbral
