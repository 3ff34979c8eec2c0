#pragma once

// DTLS over the ICE datagrams, with OpenSSL: the handshake and its retransmission timer, the
// check of the peer's certificate against the fingerprint of its description, and records
// both ways once the handshake is done.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <openssl/types.h>

#include "rtc/event_loop.h"
#include "rtc/transport.h"

struct bio_method_st;

namespace rtc::detail {

class DtlsTransport final : public Transport, public std::enable_shared_from_this<DtlsTransport> {
public:
    // Loop thread, while the transport lives.
    struct Events {
        std::function<void()> connected;
        std::function<void()> failed;
    };
    // What the peer's description says its certificate is.
    struct PeerFingerprint {
        std::string algorithm;
        std::string value;
    };

    // Loop thread, as is everything here but send(). The lower transport outlives this one.
    DtlsTransport(Transport& lower, bool client, PeerFingerprint peer, Events events);
    ~DtlsTransport() override;

    // Loop thread: ends the session (a close_notify when it was up) and frees it. Called from
    // inside one of the events, the transport does nothing more once the event returns.
    void close();

    // The client leads the handshake once the lower transport is connected; the server waits.
    void start();
    // A datagram from below. Only DTLS records are read (RFC 7983); the rest is dropped.
    void incoming(const char* data, std::size_t length);
    // Application data, after the handshake; any thread.
    bool send(const char* data, std::size_t length) override;

private:
    struct ContextFree {
        void operator()(SSL_CTX* context) const;
    };
    struct SessionFree {
        void operator()(SSL* session) const;
    };

    static int verifyPeer(int ok, X509_STORE_CTX* store);
    static ::bio_method_st* datagramBioMethod();
    // Both with m_mutex held.
    enum class Step { Waiting, Connected, Failed };
    Step handshakeStep();
    void armTimer();
    void readRecords();

    Transport& m_lower;
    const bool m_client;
    const PeerFingerprint m_peer;
    Events m_events;

    // Guards the SSL objects: SCTP sends come from callers' threads, the rest from the loop.
    std::mutex m_mutex;
    std::unique_ptr<SSL_CTX, ContextFree> m_context;
    std::unique_ptr<SSL, SessionFree> m_session; // owns both BIOs
    BIO* m_readBio = nullptr;
    std::atomic<bool> m_done{false};
    bool m_failed = false;
    std::vector<unsigned char> m_readBuffer = std::vector<unsigned char>(65536);
    LoopTimer m_timer;
};

} // namespace rtc::detail
