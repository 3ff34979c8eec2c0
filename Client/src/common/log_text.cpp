#include "common/log_text.h"

#include <algorithm>

namespace nimbral {

std::string printable(std::string_view text, std::size_t maxBytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    const std::size_t shown = std::min(text.size(), maxBytes);
    out.reserve(shown + 8);
    for (std::size_t i = 0; i < shown; ++i) {
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

} // namespace nimbral
