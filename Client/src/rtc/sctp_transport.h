#pragma once

// The top of a peer connection: one SCTP association on usrsctp over DTLS, carrying the data
// channels' messages on their streams, with a queue for what the association cannot take yet.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "rtc/data_channel_state.h"
#include "rtc/transport.h"

struct socket;

namespace rtc::detail {

class SctpTransport final : public std::enable_shared_from_this<SctpTransport> {
public:
    // Loop thread, while the transport is open.
    struct Events {
        std::function<void()> connected;
        // The association is gone: lost, shut down, aborted, or never started (`failed`).
        std::function<void(bool failed)> ended;
        std::function<void(std::uint16_t stream, std::uint32_t ppid, std::vector<std::byte>&&)>
            message;
        // The peer reset its side of a stream.
        std::function<void(std::uint16_t stream)> peerReset;
    };

    // The lower transport (DTLS) outlives this one's close().
    SctpTransport(Transport& lower, std::uint16_t remotePort, Events events);
    ~SctpTransport();

    // Loop thread: creates the socket and connects; reports `ended(true)` when it cannot.
    void start();
    // Loop thread: aborts the association (the ABORT goes down at once) and frees the socket;
    // senders on other threads find it closed. Does nothing more once an event returns.
    void close();

    // A DTLS record from below; loop thread.
    void incoming(const char* data, std::size_t length);
    // Any thread. False when the association is gone or refused the message; a message the
    // association cannot take yet waits in the queue (counted in the channel's `buffered`).
    bool send(const std::shared_ptr<DataChannelState>& channel, std::uint16_t stream,
              std::uint32_t ppid, const std::byte* data, std::size_t length, bool control);
    void resetStream(std::uint16_t stream);
    bool isUp() const { return m_up; }
    // The association's smoothed round-trip time; any thread.
    std::optional<std::chrono::milliseconds> roundTripTime();

private:
    struct Outgoing {
        std::shared_ptr<DataChannelState> channel; // none for DCEP
        std::uint16_t streamId = 0;
        std::uint32_t ppid = 0;
        bool control = false;
        std::vector<std::byte> data;
    };
    struct SocketClose {
        void operator()(struct socket* socket) const;
    };
    // Ties this transport's address to usrsctp's output callback while it is registered.
    class Registration {
    public:
        explicit Registration(const std::shared_ptr<SctpTransport>& transport);
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

    private:
        void* m_address;
    };

    static int output(void* address, void* buffer, std::size_t length, std::uint8_t, std::uint8_t);
    static void globalInit();
    void configureSocket();
    void scheduleRead();
    void scheduleFlush();
    void read();
    void flush();
    void handleNotification(const std::uint8_t* data, std::size_t length);
    long trySend(const Outgoing& message);

    Transport& m_lower;
    const std::uint16_t m_remotePort;
    Events m_events;
    std::unique_ptr<Registration> m_registration;
    // Guards the socket and the queue: senders come from callers' threads.
    std::mutex m_sendMutex;
    std::unique_ptr<struct socket, SocketClose> m_socket;
    std::deque<Outgoing> m_queue;
    std::atomic<bool> m_up{false};
    std::atomic<bool> m_readScheduled{false};
    std::atomic<bool> m_writeScheduled{false};
    std::vector<std::uint8_t> m_receiveBuffer = std::vector<std::uint8_t>(1 << 18);
    std::vector<std::byte> m_partialMessage;
    std::vector<std::uint8_t> m_partialNotification;
};

} // namespace rtc::detail
