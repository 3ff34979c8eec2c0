#include "session/session_channel.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

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

namespace {

std::optional<std::uint32_t> parseNumberAfter(std::string_view prefix, std::string_view command) {
    if (command.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    // strtol needs a terminated string; the command arrives as counted bytes.
    const std::string number(command.substr(prefix.size()));
    const char* begin = number.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || value > INT_MAX || value < INT_MIN) {
        return std::nullopt;
    }
    return value < 0 ? 0u : static_cast<std::uint32_t>(value);
}

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Cut at a character boundary: a name cut inside a UTF-8 sequence would not be valid JSON text.
std::string cutName(const std::string& name) {
    if (name.size() <= kMaxMonitorNameBytes) {
        return name;
    }
    std::size_t end = kMaxMonitorNameBytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) {
        --end;
    }
    return name.substr(0, end);
}

std::optional<MonitorInfo> monitorOf(const nlohmann::json& entry, std::size_t index) {
    if (!entry.is_object()) {
        return std::nullopt;
    }
    const auto name = entry.find("name");
    const auto width = entry.find("width");
    const auto height = entry.find("height");
    if (name == entry.end() || !name->is_string() || width == entry.end() ||
        !width->is_number_integer() || height == entry.end() || !height->is_number_integer()) {
        return std::nullopt;
    }
    const auto inRange = [](std::int64_t size) {
        return size >= 1 && size <= 65535;
    };
    if (!inRange(width->get<std::int64_t>()) || !inRange(height->get<std::int64_t>())) {
        return std::nullopt;
    }
    MonitorInfo monitor;
    monitor.index = static_cast<std::int32_t>(index);
    monitor.name = cutName(name->get<std::string>());
    monitor.width = width->get<std::int32_t>();
    monitor.height = height->get<std::int32_t>();
    const auto primary = entry.find("primary");
    monitor.isPrimary = primary != entry.end() && primary->is_boolean() && primary->get<bool>();
    return monitor;
}

} // namespace

std::optional<std::uint32_t> parseSwitchMonitor(std::string_view command) {
    return parseNumberAfter(kSwitchMonitorPrefix, command);
}

std::vector<std::uint8_t> switchFailedCommand(std::uint32_t monitorIndex) {
    return bytesOf(std::string(kSwitchFailedPrefix) + std::to_string(monitorIndex));
}

std::optional<std::uint32_t> parseSwitchFailed(std::string_view command) {
    return parseNumberAfter(kSwitchFailedPrefix, command);
}

std::vector<std::uint8_t> monitorsCommand(const std::vector<MonitorInfo>& monitors,
                                          std::uint32_t shared) {
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t i = 0; i < monitors.size() && i < kMaxAnnouncedMonitors; ++i) {
        list.push_back({{"name", cutName(monitors[i].name)},
                        {"width", monitors[i].width},
                        {"height", monitors[i].height},
                        {"primary", monitors[i].isPrimary},
                        {"shared", i == shared}});
    }
    // Names the system gave may hold invalid UTF-8: replaced rather than thrown about.
    return bytesOf(std::string(kMonitorsPrefix) +
                   list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

std::optional<AnnouncedMonitors> parseMonitors(std::string_view command) {
    if (command.substr(0, kMonitorsPrefix.size()) != kMonitorsPrefix) {
        return std::nullopt;
    }
    const nlohmann::json list =
        nlohmann::json::parse(command.substr(kMonitorsPrefix.size()), nullptr, false);
    if (!list.is_array() || list.empty() || list.size() > kMaxAnnouncedMonitors) {
        return std::nullopt;
    }
    AnnouncedMonitors announced;
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::optional<MonitorInfo> monitor = monitorOf(list[i], i);
        if (!monitor) {
            return std::nullopt;
        }
        announced.monitors.push_back(std::move(*monitor));
        const auto shared = list[i].find("shared");
        if (shared != list[i].end() && shared->is_boolean() && shared->get<bool>()) {
            announced.shared = static_cast<std::uint32_t>(i);
        }
    }
    return announced;
}

} // namespace nimbral
