#pragma once

// What the stages of a peer connection share: the limits, the SCTP payload and channel types,
// the usrsctp set-up with its registry of live connections, and the BIO that hands DTLS
// datagrams to ICE.

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "rtc/dcep.h"
#include "rtc/peer_connection_state.h"

// C libraries last.
#include <arpa/inet.h>
#include <gio/gio.h>
#include <glib.h>
#include <nice/agent.h>
#include <openssl/err.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <usrsctp.h>

namespace rtc::detail {

inline constexpr std::size_t kDefaultMaxMessageSize = 16 * 1024 * 1024 + 64 * 1024;
// The SCTP buffers hold a whole largest message, so it is sent and received in one piece.
inline constexpr int kSctpBufferBytes = 20 * 1024 * 1024;
// Bursts on the unordered video channel are lost in the kernel with the default UDP buffers.
inline constexpr int kUdpBufferBytes = 4 * 1024 * 1024;
inline constexpr int kGatheringTimeoutMs = 3000;
// A live peer is heard at least every SCTP heartbeat interval, even on an idle link (its
// heartbeats and its acknowledgements of ours); this much silence means it is gone.
inline constexpr unsigned kHeartbeatIntervalMs = 2000;
inline constexpr gint64 kPeerSilenceLimitMs = 8000;
inline constexpr int kDtlsMtu = 1200;
inline constexpr std::uint32_t kSctpMtu = 1188;

enum : std::uint32_t {
    kPpidControl = 50,
    kPpidString = 51,
    kPpidBinaryPartial = 52,
    kPpidBinary = 53,
    kPpidStringPartial = 54,
    kPpidStringEmpty = 56,
    kPpidBinaryEmpty = 57,
};
enum : std::uint8_t {
    kChannelReliable = 0x00,
    kChannelPartialRetransmit = 0x01,
    kChannelPartialTimed = 0x02,
    kChannelUnorderedBit = 0x80,
};

inline int sslStateIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// usrsctp hands outgoing packets to a C callback with the address we registered: find the
// connection behind it, if it still exists.
inline std::mutex g_registryMutex;
inline std::unordered_map<void*, std::weak_ptr<PeerConnectionState>> g_registry;

inline int sctpOutput(void* address, void* buffer, std::size_t length, std::uint8_t, std::uint8_t) {
    std::shared_ptr<PeerConnectionState> connection;
    {
        const std::lock_guard lock(g_registryMutex);
        const auto it = g_registry.find(address);
        if (it != g_registry.end()) {
            connection = it->second.lock();
        }
    }
    if (!connection) {
        return -1;
    }
    return connection->dtlsSend(buffer, length) ? 0 : -1;
}

inline void sctpGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] {
        // No usrsctp threads: its timers run on our loop, so every SCTP callback comes from
        // one thread.
        usrsctp_init_nothreads(0, &sctpOutput, nullptr);
        usrsctp_sysctl_set_sctp_ecn_enable(0);
        usrsctp_sysctl_set_sctp_init_rtx_max_default(5);
        usrsctp_sysctl_set_sctp_path_rtx_max_default(5);
        usrsctp_sysctl_set_sctp_assoc_rtx_max_default(5);
        usrsctp_sysctl_set_sctp_rto_min_default(200);
        usrsctp_sysctl_set_sctp_rto_max_default(10000);
        usrsctp_sysctl_set_sctp_rto_initial_default(1000);
        usrsctp_sysctl_set_sctp_init_rto_max_default(10000);
        usrsctp_sysctl_set_sctp_heartbeat_interval_default(kHeartbeatIntervalMs);
        usrsctp_sysctl_set_sctp_max_chunks_on_queue(64 * 1024);
        usrsctp_sysctl_set_sctp_delayed_sack_time_default(20);
        usrsctp_sysctl_set_sctp_sendspace(kSctpBufferBytes);
        usrsctp_sysctl_set_sctp_recvspace(kSctpBufferBytes);
        EventLoop::instance().post([] {
            static detail::LoopTimer timers;
            static gint64 last = g_get_monotonic_time();
            timers.start(10, [] {
                const gint64 now = g_get_monotonic_time();
                usrsctp_handle_timers(static_cast<std::uint32_t>((now - last) / 1000));
                last = now;
                return true;
            });
        });
    });
}

inline BIO_METHOD* datagramBioMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "ice-datagram");
        BIO_meth_set_create(m, [](BIO* bio) {
            BIO_set_init(bio, 1);
            BIO_set_data(bio, nullptr);
            BIO_set_shutdown(bio, 0);
            return 1;
        });
        BIO_meth_set_destroy(m, [](BIO* bio) {
            BIO_set_init(bio, 0);
            return 1;
        });
        BIO_meth_set_write(m, [](BIO* bio, const char* data, int length) {
            auto* connection = static_cast<PeerConnectionState*>(BIO_get_data(bio));
            if (connection != nullptr) {
                connection->writeDatagram(data, length);
            }
            return length; // a lost datagram is not a DTLS error
        });
        BIO_meth_set_ctrl(m, [](BIO*, int command, long, void*) -> long {
            switch (command) {
            case BIO_CTRL_FLUSH:
                return 1;
            case BIO_CTRL_DGRAM_QUERY_MTU:
                return kDtlsMtu;
            default:
                return 0;
            }
        });
        return m;
    }();
    return method;
}

} // namespace rtc::detail
