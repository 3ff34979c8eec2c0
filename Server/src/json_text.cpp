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

bool StringFields::has(const char* name) const {
    const auto it = m_object.find(name);
    return it != m_object.end() && it->is_string();
}

std::string printable(std::string_view text, size_t maxBytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    const size_t shown = std::min(text.size(), maxBytes);
    out.reserve(shown + 8);
    for (size_t i = 0; i < shown; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
            out += static_cast<char>(byte);
        } else {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        }
    }
    if (shown < text.size()) {
        out += "...";
    }
    return out;
}

} // namespace nimbral::server
