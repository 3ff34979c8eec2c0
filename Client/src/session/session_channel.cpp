#include "session/session_channel.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace nimbral {

std::vector<std::uint8_t> controlMessage(ControlTag tag, const std::uint8_t* payload,
                                         std::size_t length) {
    std::vector<std::uint8_t> message;
    message.reserve(length + 1);
    message.push_back(static_cast<std::uint8_t>(tag));
    if (length > 0) {
        message.insert(message.end(), payload, payload + length);
    }
    return message;
}

std::vector<std::uint8_t> switchMonitorCommand(int monitorIndex) {
    const std::string text = std::string(kSwitchMonitorPrefix) + std::to_string(monitorIndex);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::optional<std::uint32_t> parseSwitchMonitor(std::string_view command) {
    if (command.substr(0, kSwitchMonitorPrefix.size()) != kSwitchMonitorPrefix) {
        return std::nullopt;
    }
    // strtol needs a terminated string; the command arrives as counted bytes.
    const std::string number(command.substr(kSwitchMonitorPrefix.size()));
    const char* begin = number.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || value > INT_MAX || value < INT_MIN) {
        return std::nullopt;
    }
    return value < 0 ? 0u : static_cast<std::uint32_t>(value);
}

} // namespace nimbral
