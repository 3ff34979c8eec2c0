#include "session/chat_service.h"

#include <span>

#include <spdlog/spdlog.h>

#include "common/main_thread.h"
#include "common/wire.h"

namespace nimbral {

ChatService::ChatService(SendFunction send, QObject* parent)
    : QObject(parent)
    , m_send(std::move(send)) {
}

void ChatService::sendMessage(const QString& text) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    QByteArray utf8 = text.toUtf8();
    if (static_cast<std::size_t>(utf8.size()) > kMaxTextBytes) {
        spdlog::warn("ChatService: message too long, truncating to 65535 bytes");
        utf8.truncate(static_cast<qsizetype>(kMaxTextBytes));
    }
    std::vector<std::uint8_t> payload;
    payload.reserve(kHeaderSize + static_cast<std::size_t>(utf8.size()));
    wire::put(payload, static_cast<quint64>(QDateTime::currentMSecsSinceEpoch()));
    wire::put(payload, static_cast<quint16>(utf8.size()));
    wire::putBytes(payload, utf8.constData(), static_cast<std::size_t>(utf8.size()));
    if (m_send) {
        m_send(payload);
    }
}

void ChatService::handleMessage(const std::vector<std::uint8_t>& payload) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    wire::Reader reader(payload.data(), payload.size());
    quint64 sentAt = 0;
    quint16 length = 0;
    if (!reader.u64(sentAt) || !reader.u16(length)) {
        spdlog::warn("ChatService: message too short ({} bytes)", payload.size());
        return;
    }
    std::span<const std::uint8_t> utf8;
    if (!reader.bytes(length, utf8)) {
        spdlog::warn("ChatService: message truncated (expected {} + {} bytes)", kHeaderSize,
                     length);
        return;
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()),
                                           static_cast<qsizetype>(utf8.size()));
    emit messageReceived(text,
                         QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(sentAt), Qt::UTC));
}

} // namespace nimbral
