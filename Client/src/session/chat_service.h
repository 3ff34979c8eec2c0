#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QDateTime>
#include <QObject>
#include <QString>

namespace nimbral {

// Short text messages between the two ends of a running session, over the encrypted control
// channel. Payload (little-endian): sender's time in ms since the epoch (8), text length (2),
// UTF-8 text. The send function wraps, seals and transmits a payload. Main thread only.
class ChatService : public QObject {
    Q_OBJECT

public:
    using SendFunction = std::function<void(const std::vector<std::uint8_t>&)>;
    static constexpr std::size_t kHeaderSize = 10;
    static constexpr std::size_t kMaxTextBytes = 65535;

    explicit ChatService(SendFunction send, QObject* parent = nullptr);

    void sendMessage(const QString& text);
    // The payload after the control channel's chat tag.
    void handleMessage(const std::vector<std::uint8_t>& payload);

signals:
    void messageReceived(const QString& text, const QDateTime& timestamp);

private:
    SendFunction m_send;
};

} // namespace nimbral
