#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "common/relay_frame.h"
#include "network/transport.h"

namespace nimbral {

// Cuts the relay's byte stream into frames (common/relay_frame.h). Bytes arrive in any pieces; a
// header naming an unknown channel or a payload above the limit ends the stream (nothing after it
// can be trusted to be a frame).
class RelayFrameReader {
public:
    static constexpr int kHeaderSize = relay_frame::kHeaderBytes;
    static constexpr quint32 kMaxPayload = relay_frame::kMaxPayload;

    struct Frame {
        ChannelType channel;
        QByteArray payload;
    };

    void append(const QByteArray& bytes) { m_buffer.append(bytes); }
    void clear() {
        m_buffer.clear();
        m_offset = 0;
    }
    qsizetype bufferedBytes() const { return m_buffer.size() - m_offset; }

    // The next whole frame; empty when more bytes are needed, or when the stream is broken, in
    // which case `error` says why and the buffer is emptied.
    std::optional<Frame> next(QString* error) {
        const qsizetype available = m_buffer.size() - m_offset;
        if (available < kHeaderSize) {
            compact();
            return std::nullopt;
        }
        const char* header = m_buffer.constData() + m_offset;
        const quint8 channel = relay_frame::channelOf(header);
        const quint32 length = relay_frame::lengthOf(header);
        if (channel > relay_frame::kMaxChannel) {
            *error = QStringLiteral("Invalid channel type in frame header");
            clear();
            return std::nullopt;
        }
        if (length > kMaxPayload) {
            *error = QStringLiteral("Frame payload exceeds maximum size");
            clear();
            return std::nullopt;
        }
        if (available < kHeaderSize + static_cast<qsizetype>(length)) {
            compact();
            return std::nullopt;
        }
        Frame frame{static_cast<ChannelType>(channel),
                    m_buffer.mid(m_offset + kHeaderSize, static_cast<qsizetype>(length))};
        m_offset += kHeaderSize + static_cast<qsizetype>(length);
        return frame;
    }

private:
    // Consumed frames are dropped in one move per arrival, not one per frame.
    void compact() {
        if (m_offset > 0) {
            m_buffer.remove(0, m_offset);
            m_offset = 0;
        }
    }

    QByteArray m_buffer;
    qsizetype m_offset = 0;
};

} // namespace nimbral
