#pragma once

#include <vector>

#include "input/input_event.h"

namespace nimbral::test {

// Records what would reach the desktop; can be told to fail.
class RecordingInputBackend final : public IInputBackend {
public:
    explicit RecordingInputBackend(std::vector<InputEvent>& log, bool succeed = true)
        : m_log(log)
        , m_succeed(succeed) {}
    bool initialize() override { return true; }
    void shutdown() override {}
    bool injectEvent(const InputEvent& event) override {
        m_log.push_back(event);
        return m_succeed;
    }
    void setMonitor(int index) override { monitor = index; }

    int monitor = -1;

private:
    std::vector<InputEvent>& m_log;
    bool m_succeed;
};

} // namespace nimbral::test
