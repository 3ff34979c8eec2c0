#include "service/ipc_framing.h"

namespace nimbral {

using nlohmann::json;

std::string textMember(const json& object, const char* name, const std::string& fallback) {
    const auto it = object.find(name);
    return it != object.end() && it->is_string() ? it->get<std::string>() : fallback;
}

std::int64_t integerMember(const json& object, const char* name, std::int64_t fallback) {
    const auto it = object.find(name);
    return it != object.end() && it->is_number_integer() ? it->get<std::int64_t>() : fallback;
}

double numberMember(const json& object, const char* name, double fallback) {
    const auto it = object.find(name);
    return it != object.end() && it->is_number() ? it->get<double>() : fallback;
}

bool flagMember(const json& object, const char* name, bool fallback) {
    const auto it = object.find(name);
    return it != object.end() && it->is_boolean() ? it->get<bool>() : fallback;
}

std::string encodeIpcMessage(const nlohmann::json& message) {
    const std::string text = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string frame;
    frame.reserve(text.size() + 4);
    const auto length = static_cast<std::uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8) {
        frame.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    frame.append(text);
    return frame;
}

IpcMessageReader::Result IpcMessageReader::append(const char* data, std::size_t size) {
    Result result;
    m_buffer.append(data, size);
    std::size_t offset = 0;
    while (m_buffer.size() - offset >= 4) {
        const auto* header = reinterpret_cast<const unsigned char*>(m_buffer.data() + offset);
        const std::uint32_t length = std::uint32_t(header[0]) | (std::uint32_t(header[1]) << 8) |
                                     (std::uint32_t(header[2]) << 16) |
                                     (std::uint32_t(header[3]) << 24);
        if (length > m_limit) {
            result.tooLarge = true;
            result.refusedLength = length;
            m_buffer.clear();
            return result;
        }
        if (m_buffer.size() - offset < std::size_t(length) + 4) {
            break;
        }
        const char* payload = m_buffer.data() + offset + 4;
        offset += std::size_t(length) + 4;
        try {
            result.messages.push_back(nlohmann::json::parse(payload, payload + length));
        } catch (const nlohmann::json::exception& error) {
            // Not only parse_error: a number too large for a double throws out_of_range.
            result.parseErrors.emplace_back(error.what());
        }
    }
    m_buffer.erase(0, offset);
    return result;
}

json inputEventToJson(const InputEvent& event) {
    return {{"type", event.type},           {"timestamp_ms", event.timestamp},
            {"mouse_x", event.x},           {"mouse_y", event.y},
            {"mouse_button", event.button}, {"wheel_delta", event.wheelDelta},
            {"vk_code", event.keyCode},     {"scan_code", event.scanCode},
            {"extended", event.extended}};
}

InputEvent inputEventFromJson(const json& event) {
    InputEvent input;
    input.type = static_cast<std::uint8_t>(integerMember(event, "type", 0));
    input.timestamp = static_cast<std::uint64_t>(integerMember(event, "timestamp_ms", 0));
    input.x = numberMember(event, "mouse_x", 0.0);
    input.y = numberMember(event, "mouse_y", 0.0);
    input.button = static_cast<std::uint8_t>(integerMember(event, "mouse_button", 1));
    input.wheelDelta = static_cast<std::int16_t>(integerMember(event, "wheel_delta", 0));
    input.keyCode = static_cast<std::uint32_t>(integerMember(event, "vk_code", 0));
    input.scanCode = static_cast<std::uint32_t>(integerMember(event, "scan_code", 0));
    input.extended = (event.contains("extended") && event["extended"].is_boolean() &&
                      event["extended"].get<bool>());
    return input;
}

} // namespace nimbral
