#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace nimbral::server {

// Nesting deeper than this is refused before parsing: the library's serialiser recurses, and a
// forwarded message is serialised again.
inline constexpr int kMaxJsonDepth = 32;

// Parses text from the network. Empty when it is not JSON or nests too deeply.
std::optional<nlohmann::json> parseJson(std::string_view text);

// Compact form ({"a":1}); invalid UTF-8 in strings is replaced rather than thrown on.
std::string compactJson(const nlohmann::json& value);

// Text a client sent, made safe for one log line: every byte outside printable ASCII (line breaks,
// terminal escapes, invalid UTF-8) and the backslash become \xNN, and it is cut after
// `maxBytes` of input.
std::string printable(std::string_view text, size_t maxBytes = 80);

// A member that must be a string when present. Missing reads as empty; a member of another type
// sets `wrongType` to its name (the first one found) so the caller can refuse the request.
class StringFields {
public:
    explicit StringFields(const nlohmann::json& object)
        : m_object(object) {}
    std::string get(const char* name);
    bool has(const char* name) const;
    const std::string& wrongType() const { return m_wrongType; }

private:
    const nlohmann::json& m_object;
    std::string m_wrongType;
};

} // namespace nimbral::server
