#pragma once

#include <memory>

namespace nimbral::platform {

// Holds the per-user "one client at a time" claim for as long as the object lives; the system
// drops it when the process ends, however it ends.
class SingleInstanceLock {
public:
    virtual ~SingleInstanceLock() = default;

    // True when another live process holds the claim. A claim that could not be checked at all
    // (no runtime directory, say) counts as not held, so the program still starts.
    virtual bool anotherInstanceRunning() const = 0;
};

// name: the claim's name ("NimbralClientMutex").
std::unique_ptr<SingleInstanceLock> acquireSingleInstanceLock(const char* name);

} // namespace nimbral::platform
