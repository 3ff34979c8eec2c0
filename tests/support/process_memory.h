#pragma once

#include <fstream>
#include <string>

namespace nimbral::test {

// This process's resident memory from /proc, in KiB; -1 where the kernel does not say.
inline long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stol(line.substr(key.size()));
        }
    }
    return -1;
}
inline long residentKiB() {
    return statusKiB("VmRSS");
}
inline long peakResidentKiB() {
    return statusKiB("VmHWM");
}
// Starts the peak over from the present size, so a peak measures one stretch of work.
inline bool resetPeakResident() {
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return static_cast<bool>(clearRefs);
}

} // namespace nimbral::test
