#include "json_text.h"

namespace nimbral::server {

namespace {

bool nestsTooDeeply(std::string_view text) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > kMaxJsonDepth) {
                return true;
            }
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return false;
}

} // namespace

std::optional<nlohmann::json> parseJson(std::string_view text) {
    if (nestsTooDeeply(text)) {
        return std::nullopt;
    }
    nlohmann::json value = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded()) {
        return std::nullopt;
    }
    return value;
}

std::string compactJson(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string StringFields::get(const char* name) {
    const auto it = m_object.find(name);
    if (it == m_object.end() || it->is_null()) {
        return {};
    }
    if (!it->is_string()) {
        if (m_wrongType.empty()) {
            m_wrongType = name;
        }
        return {};
    }
    return it->get<std::string>();
}

std::string StringFields::get(const char* name, FieldKind kind) {
    std::string value = get(name);
    if (m_invalid.empty()) {
        m_invalid = checkField(name, value, kind);
    }
    return m_invalid.empty() ? value : std::string();
}

bool StringFields::has(const char* name) const {
    const auto it = m_object.find(name);
    return it != m_object.end() && it->is_string();
}

} // namespace nimbral::server
