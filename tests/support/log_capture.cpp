#include "log_capture.h"

#include <memory>
#include <mutex>
#include <vector>

#include <spdlog/spdlog.h>

namespace nimbral::test {

class LogCapture::Sink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    std::vector<Line> lines() {
        std::lock_guard lock(mutex_);
        return m_lines;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        m_lines.clear();
    }

protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        m_lines.push_back(
            {message.level, std::string(message.payload.begin(), message.payload.end())});
    }
    void flush_() override {}

private:
    std::vector<Line> m_lines;
};

LogCapture::LogCapture()
    : m_sink(std::make_shared<Sink>())
    , m_previous(spdlog::default_logger()) {
    auto logger = std::make_shared<spdlog::logger>("nimbral", m_sink);
    logger->set_level(spdlog::level::trace);
    spdlog::set_default_logger(std::move(logger));
}

LogCapture::~LogCapture() {
    // Another thread (a capture worker winding down) may be inside this logger right now,
    // through spdlog's raw default pointer: it stays alive, emptied, for the rest of the run.
    static std::mutex retiredMutex;
    static std::vector<std::shared_ptr<spdlog::logger>> retired;
    {
        const std::lock_guard lock(retiredMutex);
        retired.push_back(spdlog::default_logger());
    }
    spdlog::set_default_logger(m_previous);
    m_sink->clear();
}

std::vector<LogCapture::Line> LogCapture::lines() const {
    return m_sink->lines();
}

bool LogCapture::has(spdlog::level::level_enum level, const std::string& text) const {
    for (const auto& line : lines()) {
        if (line.level == level && line.text == text) {
            return true;
        }
    }
    return false;
}

bool LogCapture::hasPrefix(spdlog::level::level_enum level, const std::string& prefix) const {
    for (const auto& line : lines()) {
        if (line.level == level && line.text.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

void LogCapture::clear() {
    m_sink->clear();
}

} // namespace nimbral::test
