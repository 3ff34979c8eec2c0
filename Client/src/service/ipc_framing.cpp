#include "service/ipc_framing.h"

namespace nimbral {

QByteArray encodeIpcMessage(const nlohmann::json& message) {
    const std::string text = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    QByteArray frame;
    frame.reserve(static_cast<qsizetype>(text.size() + 4));
    const auto length = static_cast<std::uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8) {
        frame.append(static_cast<char>((length >> shift) & 0xFF));
    }
    frame.append(text.data(), static_cast<qsizetype>(text.size()));
    return frame;
}

IpcMessageReader::Result IpcMessageReader::append(const char* data, std::size_t size) {
    Result result;
    m_buffer.append(data, static_cast<qsizetype>(size));
    qsizetype offset = 0;
    while (m_buffer.size() - offset >= 4) {
        const auto* header = reinterpret_cast<const unsigned char*>(m_buffer.constData() + offset);
        const std::uint32_t length = std::uint32_t(header[0]) | (std::uint32_t(header[1]) << 8) |
                                     (std::uint32_t(header[2]) << 16) |
                                     (std::uint32_t(header[3]) << 24);
        if (length > m_limit) {
            result.tooLarge = true;
            result.refusedLength = length;
            m_buffer.clear();
            return result;
        }
        if (m_buffer.size() - offset < qsizetype(length) + 4) {
            break;
        }
        const char* payload = m_buffer.constData() + offset + 4;
        offset += qsizetype(length) + 4;
        try {
            result.messages.push_back(nlohmann::json::parse(payload, payload + length));
        } catch (const nlohmann::json::exception& error) {
            // Not only parse_error: a number too large for a double throws out_of_range.
            result.parseErrors.emplace_back(error.what());
        }
    }
    m_buffer.remove(0, offset);
    return result;
}

} // namespace nimbral
