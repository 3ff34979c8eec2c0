#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "input/input_event.h"

namespace nimbral {

// The service pipe's framing, the same both ways: a 4-byte little-endian length, then that many
// bytes of UTF-8 JSON. Compact JSON with sorted keys and raw UTF-8 (nlohmann's defaults).
std::string encodeIpcMessage(const nlohmann::json& message);

// Cuts the byte stream from one peer into messages. Each reader has its own limit: the service
// takes at most 1 MiB from an agent, an agent at most 64 MiB from the service.
class IpcMessageReader {
public:
    static constexpr std::uint32_t kServiceLimit = 1048576;
    static constexpr std::uint32_t kAgentLimit = 67108864;

    struct Result {
        std::vector<nlohmann::json> messages; // every whole message that parsed
        std::vector<std::string> parseErrors; // whole messages that were not JSON (skipped)
        bool tooLarge = false;                // a length above the limit: the peer must go
        std::uint32_t refusedLength = 0;
    };

    explicit IpcMessageReader(std::uint32_t limit)
        : m_limit(limit) {}

    // Adds bytes and takes out every message they complete. After tooLarge the reader keeps
    // nothing and must be reset with the connection.
    Result append(const char* data, std::size_t size);
    void reset() { m_buffer.clear(); }
    std::size_t buffered() const { return m_buffer.size(); }

private:
    std::uint32_t m_limit;
    std::string m_buffer;
};

// A member of the wanted JSON type, or the fallback: a member of another type counts as
// absent, so a peer's wrong types never throw.
std::string textMember(const nlohmann::json& object, const char* name,
                       const std::string& fallback = {});
std::int64_t integerMember(const nlohmann::json& object, const char* name,
                           std::int64_t fallback = 0);
double numberMember(const nlohmann::json& object, const char* name, double fallback = 0.0);
bool flagMember(const nlohmann::json& object, const char* name, bool fallback);

// The "event" of an INPUT command. Members that are absent or of another JSON type take their
// defaults (the left button, everything else 0 or false).
nlohmann::json inputEventToJson(const InputEvent& event);
InputEvent inputEventFromJson(const nlohmann::json& event);

} // namespace nimbral
