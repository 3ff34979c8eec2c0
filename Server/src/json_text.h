#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "common/log_text.h"
#include "field_rules.h"

namespace nimbral::server {

// Nesting deeper than this is refused before parsing: the library's serialiser recurses, and a
// forwarded message is serialised again.
inline constexpr int kMaxJsonDepth = 32;

// Parses text from the network. Empty when it is not JSON or nests too deeply.
std::optional<nlohmann::json> parseJson(std::string_view text);

// Compact form ({"a":1}); invalid UTF-8 in strings is replaced rather than thrown on.
std::string compactJson(const nlohmann::json& value);

// Text a client sent, made safe for one log line.
using nimbral::printable;

// A member that must be a string when present. Missing reads as empty; a member of another type
// sets `wrongType` to its name (the first one found) so the caller can refuse the request. Read
// with a kind, a value that does not fit it reads as empty and sets `invalid` to the refusal's
// detail (the first one found).
class StringFields {
public:
    explicit StringFields(const nlohmann::json& object)
        : m_object(object) {}
    std::string get(const char* name);
    std::string get(const char* name, FieldKind kind);
    bool has(const char* name) const;
    const std::string& wrongType() const { return m_wrongType; }
    const std::string& invalid() const { return m_invalid; }

private:
    const nlohmann::json& m_object;
    std::string m_wrongType;
    std::string m_invalid;
};

} // namespace nimbral::server
