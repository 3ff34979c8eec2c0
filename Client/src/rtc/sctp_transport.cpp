#include "rtc/sctp_transport.h"

#include <cerrno>
#include <cstring>
#include <unordered_map>

#include <spdlog/spdlog.h>

#include "rtc/event_loop.h"
#include "rtc/stack_constants.h"

// C libraries last.
#include <arpa/inet.h>
#include <glib.h>
#include <sys/socket.h>
#include <usrsctp.h>

namespace rtc::detail {

namespace {

// usrsctp hands outgoing packets to a C callback with the address we registered: the
// transport behind it, if it still exists.
std::mutex g_registryMutex;
std::unordered_map<void*, std::weak_ptr<SctpTransport>> g_registry;

} // namespace

SctpTransport::Registration::Registration(const std::shared_ptr<SctpTransport>& transport)
    : m_address(transport.get()) {
    {
        const std::lock_guard lock(g_registryMutex);
        g_registry[m_address] = transport;
    }
    usrsctp_register_address(m_address);
}

SctpTransport::Registration::~Registration() {
    usrsctp_deregister_address(m_address);
    const std::lock_guard lock(g_registryMutex);
    g_registry.erase(m_address);
}

void SctpTransport::SocketClose::operator()(struct socket* socket) const {
    usrsctp_set_upcall(socket, nullptr, nullptr);
    usrsctp_close(socket); // SO_LINGER {1, 0}: the ABORT goes out now, through DTLS
}

int SctpTransport::output(void* address, void* buffer, std::size_t length, std::uint8_t,
                          std::uint8_t) {
    std::shared_ptr<SctpTransport> transport;
    {
        const std::lock_guard lock(g_registryMutex);
        const auto it = g_registry.find(address);
        if (it != g_registry.end()) {
            transport = it->second.lock();
        }
    }
    if (!transport) {
        return -1;
    }
    return transport->m_lower.send(static_cast<const char*>(buffer), length) ? 0 : -1;
}

void SctpTransport::globalInit() {
    static std::once_flag once;
    std::call_once(once, [] {
        // No usrsctp threads: its timers run on our loop, so every SCTP callback comes from
        // one thread.
        usrsctp_init_nothreads(0, &SctpTransport::output, nullptr);
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
            static LoopTimer timers;
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

SctpTransport::SctpTransport(Transport& lower, std::uint16_t remotePort, Events events)
    : m_lower(lower)
    , m_remotePort(remotePort)
    , m_events(std::move(events)) {
}

SctpTransport::~SctpTransport() {
    close();
}

void SctpTransport::start() {
    globalInit();
    m_registration = std::make_unique<Registration>(shared_from_this());
    {
        const std::lock_guard lock(m_sendMutex);
        m_socket.reset(
            usrsctp_socket(AF_CONN, SOCK_STREAM, IPPROTO_SCTP, nullptr, nullptr, 0, nullptr));
    }
    if (!m_socket) {
        m_events.ended(true);
        return;
    }
    configureSocket();
    sockaddr_conn address{};
    address.sconn_family = AF_CONN;
    address.sconn_port = htons(5000);
    address.sconn_addr = this;
    usrsctp_bind(m_socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    address.sconn_port = htons(m_remotePort);
    usrsctp_connect(m_socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
}

void SctpTransport::configureSocket() {
    struct socket* socket = m_socket.get();
    usrsctp_set_non_blocking(socket, 1);
    usrsctp_set_upcall(
        socket,
        +[](struct socket* ready, void* self, int) {
            auto* transport = static_cast<SctpTransport*>(self);
            const int events = usrsctp_get_events(ready);
            if (events & SCTP_EVENT_READ) {
                transport->scheduleRead();
            }
            if (events & SCTP_EVENT_WRITE) {
                transport->scheduleFlush();
            }
        },
        this);
    linger abortOnClose{1, 0};
    usrsctp_setsockopt(socket, SOL_SOCKET, SO_LINGER, &abortOnClose, sizeof abortOnClose);
    sctp_assoc_value resets{};
    resets.assoc_id = SCTP_ALL_ASSOC;
    resets.assoc_value = SCTP_ENABLE_RESET_STREAM_REQ;
    usrsctp_setsockopt(socket, IPPROTO_SCTP, SCTP_ENABLE_STREAM_RESET, &resets, sizeof resets);
    int on = 1;
    usrsctp_setsockopt(socket, IPPROTO_SCTP, SCTP_RECVRCVINFO, &on, sizeof on);
    usrsctp_setsockopt(socket, IPPROTO_SCTP, SCTP_NODELAY, &on, sizeof on);
    for (const std::uint16_t type :
         {SCTP_ASSOC_CHANGE, SCTP_STREAM_RESET_EVENT, SCTP_STREAM_CHANGE_EVENT}) {
        sctp_event event{};
        event.se_assoc_id = SCTP_ALL_ASSOC;
        event.se_type = type;
        event.se_on = 1;
        usrsctp_setsockopt(socket, IPPROTO_SCTP, SCTP_EVENT, &event, sizeof event);
    }
    sctp_initmsg init{};
    init.sinit_num_ostreams = 1024;
    init.sinit_max_instreams = 1024;
    usrsctp_setsockopt(socket, IPPROTO_SCTP, SCTP_INITMSG, &init, sizeof init);
    sctp_paddrparams path{};
    path.spp_flags = SPP_PMTUD_DISABLE;
    path.spp_pathmtu = kSctpMtu;
    usrsctp_setsockopt(socket, IPPROTO_SCTP, SCTP_PEER_ADDR_PARAMS, &path, sizeof path);
    int bufferBytes = kSctpBufferBytes;
    usrsctp_setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
    usrsctp_setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
}

void SctpTransport::close() {
    {
        // Senders on other threads use the socket under this lock: none may find it closed.
        const std::lock_guard lock(m_sendMutex);
        m_socket.reset();
        m_queue.clear();
        m_up = false;
    }
    m_registration.reset();
}

void SctpTransport::incoming(const char* data, std::size_t length) {
    if (m_socket) {
        usrsctp_conninput(this, data, length, 0);
    }
}

void SctpTransport::scheduleRead() {
    if (m_readScheduled.exchange(true)) {
        return;
    }
    std::weak_ptr<SctpTransport> weak = weak_from_this();
    EventLoop::instance().post([weak] {
        if (auto transport = weak.lock()) {
            transport->read();
        }
    });
}

void SctpTransport::scheduleFlush() {
    {
        const std::lock_guard lock(m_sendMutex);
        if (m_queue.empty()) {
            return;
        }
    }
    if (m_writeScheduled.exchange(true)) {
        return;
    }
    std::weak_ptr<SctpTransport> weak = weak_from_this();
    EventLoop::instance().post([weak] {
        if (auto transport = weak.lock()) {
            transport->flush();
        }
    });
}

void SctpTransport::read() {
    m_readScheduled = false;
    while (m_socket) {
        sctp_rcvinfo info{};
        socklen_t infoLength = sizeof info;
        unsigned infoType = 0;
        int flags = 0;
        sockaddr_conn from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = usrsctp_recvv(m_socket.get(), m_receiveBuffer.data(),
                                        m_receiveBuffer.size(), reinterpret_cast<sockaddr*>(&from),
                                        &fromLength, &info, &infoLength, &infoType, &flags);
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                // The association is gone (an ABORT). Its notification can sit behind a message
                // it cut short and never be read: the error itself must end the link, or the
                // rest of that message is awaited for ever.
                spdlog::info("rtc: SCTP association ended ({})", std::strerror(errno));
                m_events.ended(false);
            }
            return;
        }
        if (flags & MSG_NOTIFICATION) {
            m_partialNotification.insert(m_partialNotification.end(), m_receiveBuffer.begin(),
                                         m_receiveBuffer.begin() + n);
            if (flags & MSG_EOR) {
                std::vector<std::uint8_t> notification;
                notification.swap(m_partialNotification);
                handleNotification(notification.data(), notification.size());
            }
            continue;
        }
        const auto* bytes = reinterpret_cast<const std::byte*>(m_receiveBuffer.data());
        m_partialMessage.insert(m_partialMessage.end(), bytes, bytes + n);
        if (flags & MSG_EOR) {
            std::vector<std::byte> message;
            message.swap(m_partialMessage);
            m_events.message(info.rcv_sid, ntohl(info.rcv_ppid), std::move(message));
        }
    }
}

void SctpTransport::handleNotification(const std::uint8_t* data, std::size_t length) {
    const auto* notification = reinterpret_cast<const sctp_notification*>(data);
    if (length < sizeof(notification->sn_header)) {
        return;
    }
    if (notification->sn_header.sn_type == SCTP_ASSOC_CHANGE) {
        const auto& change = notification->sn_assoc_change;
        if (change.sac_state == SCTP_COMM_UP) {
            m_up = true;
            m_events.connected();
        } else if (change.sac_state == SCTP_COMM_LOST || change.sac_state == SCTP_SHUTDOWN_COMP ||
                   change.sac_state == SCTP_CANT_STR_ASSOC) {
            m_events.ended(change.sac_state == SCTP_CANT_STR_ASSOC);
        }
    } else if (notification->sn_header.sn_type == SCTP_STREAM_RESET_EVENT) {
        const auto& reset = notification->sn_strreset_event;
        if (!(reset.strreset_flags & SCTP_STREAM_RESET_INCOMING_SSN) ||
            reset.strreset_length < sizeof(sctp_stream_reset_event) ||
            reset.strreset_length > length) {
            return;
        }
        const std::size_t count =
            (reset.strreset_length - sizeof(sctp_stream_reset_event)) / sizeof(std::uint16_t);
        for (std::size_t i = 0; i < count && m_socket; ++i) {
            m_events.peerReset(reset.strreset_stream_list[i]);
        }
    }
}

std::optional<std::chrono::milliseconds> SctpTransport::roundTripTime() {
    const std::lock_guard lock(m_sendMutex);
    if (!m_socket || !m_up) {
        return std::nullopt;
    }
    sctp_status status{};
    socklen_t length = sizeof status;
    if (usrsctp_getsockopt(m_socket.get(), IPPROTO_SCTP, SCTP_STATUS, &status, &length) != 0) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(status.sstat_primary.spinfo_srtt);
}

long SctpTransport::trySend(const Outgoing& message) {
    sctp_sendv_spa spa{};
    spa.sendv_flags = SCTP_SEND_SNDINFO_VALID;
    spa.sendv_sndinfo.snd_sid = message.streamId;
    spa.sendv_sndinfo.snd_ppid = htonl(message.ppid);
    spa.sendv_sndinfo.snd_flags = SCTP_EOR;
    if (!message.control && message.channel) {
        const Reliability& reliability = message.channel->reliability;
        if (reliability.unordered) {
            spa.sendv_sndinfo.snd_flags |= SCTP_UNORDERED;
        }
        if (reliability.maxRetransmits) {
            spa.sendv_flags |= SCTP_SEND_PRINFO_VALID;
            spa.sendv_prinfo.pr_policy = SCTP_PR_SCTP_RTX;
            spa.sendv_prinfo.pr_value = *reliability.maxRetransmits;
        } else if (reliability.maxPacketLifeTime) {
            spa.sendv_flags |= SCTP_SEND_PRINFO_VALID;
            spa.sendv_prinfo.pr_policy = SCTP_PR_SCTP_TTL;
            spa.sendv_prinfo.pr_value = *reliability.maxPacketLifeTime;
        }
    }
    // An empty message goes as one zero byte under its "empty" PPID (RFC 8831).
    static const std::uint8_t zero = 0;
    const void* data = message.data.empty() ? static_cast<const void*>(&zero)
                                            : static_cast<const void*>(message.data.data());
    const std::size_t length = message.data.empty() ? 1 : message.data.size();
    return usrsctp_sendv(m_socket.get(), data, length, nullptr, 0, &spa, sizeof spa, SCTP_SENDV_SPA,
                         0);
}

bool SctpTransport::send(const std::shared_ptr<DataChannelState>& channel, std::uint16_t stream,
                         std::uint32_t ppid, const std::byte* data, std::size_t length,
                         bool control) {
    const std::lock_guard lock(m_sendMutex);
    if (!m_socket) {
        return false;
    }
    Outgoing message{channel, stream, ppid, control, {}};
    if (!control && length == 0) {
        message.ppid = ppid == kPpidString ? kPpidStringEmpty : kPpidBinaryEmpty;
    }
    message.data.assign(data, data + length);
    if (m_queue.empty()) {
        if (trySend(message) >= 0) {
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EAGAIN) {
            spdlog::debug("rtc: SCTP send failed (errno {})", errno);
            return false;
        }
    }
    if (channel) {
        channel->buffered += length;
    }
    m_queue.push_back(std::move(message));
    if (!m_writeScheduled.exchange(true)) {
        std::weak_ptr<SctpTransport> weak = weak_from_this();
        EventLoop::instance().post([weak] {
            if (auto transport = weak.lock()) {
                transport->flush();
            }
        });
    }
    return true; // queued: it goes as soon as the association takes it
}

void SctpTransport::flush() {
    m_writeScheduled = false;
    const std::lock_guard lock(m_sendMutex);
    while (!m_queue.empty() && m_socket) {
        Outgoing& message = m_queue.front();
        if (trySend(message) < 0 && (errno == EWOULDBLOCK || errno == EAGAIN)) {
            break;
        }
        if (message.channel) {
            message.channel->buffered -= message.data.size();
        }
        m_queue.pop_front();
    }
}

void SctpTransport::resetStream(std::uint16_t stream) {
    if (!m_socket) {
        return;
    }
    std::vector<std::uint8_t> buffer(sizeof(sctp_reset_streams) + sizeof(std::uint16_t));
    auto* request = reinterpret_cast<sctp_reset_streams*>(buffer.data());
    request->srs_flags = SCTP_STREAM_RESET_OUTGOING;
    request->srs_number_streams = 1;
    request->srs_stream_list[0] = stream;
    usrsctp_setsockopt(m_socket.get(), IPPROTO_SCTP, SCTP_RESET_STREAMS, request,
                       static_cast<socklen_t>(buffer.size()));
}

} // namespace rtc::detail
