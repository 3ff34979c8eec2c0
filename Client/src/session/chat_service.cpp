#include "session/chat_service.h"

#include <QtEndian>

#include <spdlog/spdlog.h>

namespace nimbral {

ChatService::ChatService(SendFunction send, QObject* parent)
    : QObject(parent)
    , m_send(std::move(send)) {
}

void ChatService::sendMessage(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    if (static_cast<std::size_t>(utf8.size()) > kMaxTextBytes) {
        spdlog::warn("ChatService: message too long, truncating to 65535 bytes");
        utf8.truncate(static_cast<qsizetype>(kMaxTextBytes));
    }
    std::vector<std::uint8_t> payload(kHeaderSize + static_cast<std::size_t>(utf8.size()));
    qToLittleEndian<quint64>(static_cast<quint64>(QDateTime::currentMSecsSinceEpoch()),
                             payload.data());
    qToLittleEndian<quint16>(static_cast<quint16>(utf8.size()), payload.data() + 8);
    std::copy(utf8.begin(), utf8.end(), payload.begin() + kHeaderSize);
    if (m_send) {
        m_send(payload);
    }
}

void ChatService::handleMessage(const std::vector<std::uint8_t>& payload) {
    if (payload.size() < kHeaderSize) {
        spdlog::warn("ChatService: message too short ({} bytes)", payload.size());
        return;
    }
    const quint64 sentAt = qFromLittleEndian<quint64>(payload.data());
    const quint16 length = qFromLittleEndian<quint16>(payload.data() + 8);
    if (payload.size() < kHeaderSize + length) {
        spdlog::warn("ChatService: message truncated (expected {} + {} bytes)", kHeaderSize,
                     length);
        return;
    }
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(payload.data()) + kHeaderSize, length);
    emit messageReceived(text,
                         QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(sentAt), Qt::UTC));
}

} // namespace nimbral
