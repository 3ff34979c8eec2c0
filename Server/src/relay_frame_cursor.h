#pragma once

#include <QtGlobal>

#include "common/relay_frame.h"

namespace nimbral::server {

// Follows the frame structure of one direction of a relayed stream (a channel byte, a 4-byte
// big-endian length, the payload) without holding any of it, so the relay knows whether what
// it has passed on ends on a frame boundary. That is what a rejoin needs: a receiver can only be
// handed to a new partner, or a sender's stream to a new receiver, between two frames.
class RelayFrameCursor {
public:
    static constexpr int kHeaderBytes = relay_frame::kHeaderBytes;
    static constexpr quint8 kMaxChannel = relay_frame::kMaxChannel;
    static constexpr quint32 kMaxPayload = relay_frame::kMaxPayload;

    // Walks over up to `size` bytes and returns how many it took: all of them, or fewer when
    // `stopAtBoundary` is set and a frame ends first, or -1 when a header is not a valid one.
    qint64 advance(const char* data, qint64 size, bool stopAtBoundary = false) {
        qint64 taken = 0;
        while (taken < size) {
            if (m_payloadLeft > 0) {
                const qint64 step = qMin(m_payloadLeft, size - taken);
                taken += step;
                m_payloadLeft -= step;
            } else {
                m_header[m_headerFill++] = data[taken++];
                if (m_headerFill < kHeaderBytes) {
                    continue;
                }
                m_headerFill = 0;
                const quint8 channel = relay_frame::channelOf(m_header);
                const quint32 length = relay_frame::lengthOf(m_header);
                if (channel > kMaxChannel || length > kMaxPayload) {
                    return -1;
                }
                m_payloadLeft = length;
            }
            if (stopAtBoundary && atBoundary()) {
                break;
            }
        }
        return taken;
    }

    bool atBoundary() const { return m_headerFill == 0 && m_payloadLeft == 0; }

private:
    char m_header[kHeaderBytes] = {};
    int m_headerFill = 0;
    qint64 m_payloadLeft = 0;
};

} // namespace nimbral::server
