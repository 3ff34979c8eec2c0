#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>

namespace nimbral::test {

// Replaces the process-wide logger with one that records every line for the lifetime of the
// object, so tests can check the exact texts and levels a component writes.
class LogCapture {
public:
    struct Line {
        spdlog::level::level_enum level;
        std::string text;
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<Line> lines() const;
    // True when some line at this level equals text exactly.
    bool has(spdlog::level::level_enum level, const std::string& text) const;
    // True when some line at this level starts with prefix.
    bool hasPrefix(spdlog::level::level_enum level, const std::string& prefix) const;
    void clear();

private:
    class Sink;
    std::shared_ptr<Sink> m_sink;
    std::shared_ptr<spdlog::logger> m_previous;
};

} // namespace nimbral::test
