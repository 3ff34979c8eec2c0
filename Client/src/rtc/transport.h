#pragma once

// One stage of a peer connection's stack (ICE, then DTLS on it, then SCTP on that): datagrams
// go down through send(), and what a stage receives goes up to the receiver the stage above
// set. The connection builds the stack and tears it down top first, so a stage never outlives
// the one above it that sends through it.

#include <cstddef>
#include <functional>
#include <mutex>

namespace rtc::detail {

class Transport {
public:
    using Receiver = std::function<void(const char* data, std::size_t length)>;

    Transport() = default;
    virtual ~Transport() = default;
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Any thread. False when the datagram cannot go (not connected, or closed).
    virtual bool send(const char* data, std::size_t length) = 0;

    // Loop thread, before the stage receives anything for the stage above.
    void setReceiver(Receiver receiver) { m_receiver = std::move(receiver); }

protected:
    // Loop thread: hands a received datagram to the stage above, if there is one yet.
    void deliverUp(const char* data, std::size_t length) {
        if (m_receiver) {
            m_receiver(data, length);
        }
    }

private:
    Receiver m_receiver;
};

} // namespace rtc::detail
