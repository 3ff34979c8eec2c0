// SCTP on usrsctp over DTLS: the association, its notifications, data channel messages and
// their flow.

#include "rtc/peer_connection_state.h"

#include <algorithm>
#include <cstring>

#include <spdlog/spdlog.h>

#include "rtc/peer_connection_internal.h"

namespace rtc {

using namespace detail;

// ---------------------------------------------------------------- SCTP

void PeerConnectionState::startSctp() {
    sctpGlobalInit();
    {
        const std::lock_guard lock(g_registryMutex);
        g_registry[this] = weak_from_this();
    }
    usrsctp_register_address(this);
    addressRegistered = true;
    sctpSocket = usrsctp_socket(AF_CONN, SOCK_STREAM, IPPROTO_SCTP, nullptr, nullptr, 0, nullptr);
    if (sctpSocket == nullptr) {
        changeState(State::Failed);
        return;
    }
    usrsctp_set_non_blocking(sctpSocket, 1);
    usrsctp_set_upcall(
        sctpSocket,
        +[](struct socket* socket, void* self, int) {
            auto* pc = static_cast<PeerConnectionState*>(self);
            const int events = usrsctp_get_events(socket);
            if (events & SCTP_EVENT_READ) {
                pc->scheduleRead();
            }
            if (events & SCTP_EVENT_WRITE) {
                pc->scheduleFlush();
            }
        },
        this);
    linger abortOnClose{1, 0};
    usrsctp_setsockopt(sctpSocket, SOL_SOCKET, SO_LINGER, &abortOnClose, sizeof abortOnClose);
    sctp_assoc_value resets{};
    resets.assoc_id = SCTP_ALL_ASSOC;
    resets.assoc_value = SCTP_ENABLE_RESET_STREAM_REQ;
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_ENABLE_STREAM_RESET, &resets, sizeof resets);
    int on = 1;
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_RECVRCVINFO, &on, sizeof on);
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_NODELAY, &on, sizeof on);
    for (const std::uint16_t type :
         {SCTP_ASSOC_CHANGE, SCTP_STREAM_RESET_EVENT, SCTP_STREAM_CHANGE_EVENT}) {
        sctp_event event{};
        event.se_assoc_id = SCTP_ALL_ASSOC;
        event.se_type = type;
        event.se_on = 1;
        usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_EVENT, &event, sizeof event);
    }
    sctp_initmsg init{};
    init.sinit_num_ostreams = 1024;
    init.sinit_max_instreams = 1024;
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_INITMSG, &init, sizeof init);
    sctp_paddrparams path{};
    path.spp_flags = SPP_PMTUD_DISABLE;
    path.spp_pathmtu = kSctpMtu;
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_PEER_ADDR_PARAMS, &path, sizeof path);
    int bufferBytes = kSctpBufferBytes;
    usrsctp_setsockopt(sctpSocket, SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
    usrsctp_setsockopt(sctpSocket, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);

    sockaddr_conn address{};
    address.sconn_family = AF_CONN;
    address.sconn_port = htons(5000);
    address.sconn_addr = this;
    usrsctp_bind(sctpSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    address.sconn_port = htons(remote ? remote->sctpPort : 5000);
    usrsctp_connect(sctpSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

void PeerConnectionState::scheduleRead() {
    if (readScheduled.exchange(true)) {
        return;
    }
    std::weak_ptr<PeerConnectionState> weak = weak_from_this();
    EventLoop::instance().post([weak] {
        if (auto pc = weak.lock()) {
            pc->readSctp();
        }
    });
}

void PeerConnectionState::scheduleFlush() {
    {
        const std::lock_guard lock(sendMutex);
        if (sendQueue.empty()) {
            return;
        }
    }
    if (writeScheduled.exchange(true)) {
        return;
    }
    std::weak_ptr<PeerConnectionState> weak = weak_from_this();
    EventLoop::instance().post([weak] {
        if (auto pc = weak.lock()) {
            pc->flushSctp();
        }
    });
}

void PeerConnectionState::readSctp() {
    readScheduled = false;
    while (sctpSocket != nullptr) {
        sctp_rcvinfo info{};
        socklen_t infoLength = sizeof info;
        unsigned infoType = 0;
        int flags = 0;
        sockaddr_conn from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = usrsctp_recvv(sctpSocket, receiveBuffer.data(), receiveBuffer.size(),
                                        reinterpret_cast<sockaddr*>(&from), &fromLength, &info,
                                        &infoLength, &infoType, &flags);
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                // The association is gone (an ABORT). Its notification can sit behind a message
                // it cut short and never be read: the error itself must end the link, or the
                // rest of that message is awaited for ever.
                spdlog::info("rtc: SCTP association ended ({})", std::strerror(errno));
                changeState(State::Disconnected);
            }
            break;
        }
        if (flags & MSG_NOTIFICATION) {
            partialNotification.insert(partialNotification.end(), receiveBuffer.begin(),
                                       receiveBuffer.begin() + n);
            if (flags & MSG_EOR) {
                handleNotification(partialNotification.data(), partialNotification.size());
                partialNotification.clear();
            }
            continue;
        }
        const auto* bytes = reinterpret_cast<const std::byte*>(receiveBuffer.data());
        partialMessage.insert(partialMessage.end(), bytes, bytes + n);
        if (flags & MSG_EOR) {
            std::vector<std::byte> message;
            message.swap(partialMessage);
            handleMessage(info.rcv_sid, ntohl(info.rcv_ppid), std::move(message));
        }
    }
}

void PeerConnectionState::handleNotification(const std::uint8_t* data, std::size_t length) {
    const auto* notification = reinterpret_cast<const sctp_notification*>(data);
    if (length < sizeof(notification->sn_header)) {
        return;
    }
    if (notification->sn_header.sn_type == SCTP_ASSOC_CHANGE) {
        const auto& change = notification->sn_assoc_change;
        if (change.sac_state == SCTP_COMM_UP) {
            sctpUp = true;
            std::vector<std::shared_ptr<DataChannelState>> toOpen;
            {
                const std::lock_guard lock(mutex);
                toOpen.swap(unassigned);
            }
            changeState(State::Connected);
            for (const auto& channel : toOpen) {
                openChannel(channel);
            }
        } else if (change.sac_state == SCTP_COMM_LOST || change.sac_state == SCTP_SHUTDOWN_COMP ||
                   change.sac_state == SCTP_CANT_STR_ASSOC) {
            changeState(change.sac_state == SCTP_CANT_STR_ASSOC ? State::Failed
                                                                : State::Disconnected);
        }
    } else if (notification->sn_header.sn_type == SCTP_STREAM_RESET_EVENT) {
        const auto& reset = notification->sn_strreset_event;
        const std::size_t count =
            (reset.strreset_length - sizeof(sctp_stream_reset_event)) / sizeof(std::uint16_t);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint16_t stream = reset.strreset_stream_list[i];
            std::shared_ptr<DataChannelState> channel;
            {
                const std::lock_guard lock(mutex);
                const auto it = channels.find(stream);
                if (it != channels.end()) {
                    channel = it->second;
                }
            }
            if (!channel || !(reset.strreset_flags & SCTP_STREAM_RESET_INCOMING_SSN)) {
                continue;
            }
            // The peer closed its side: close ours too, and the channel is closed.
            bool resetOurs = false;
            {
                const std::lock_guard lock(channel->mutex);
                resetOurs = !channel->outgoingReset;
                channel->outgoingReset = true;
            }
            if (resetOurs) {
                resetStream(stream);
            }
            {
                const std::lock_guard lock(mutex);
                channels.erase(stream);
            }
            channel->closed();
        }
    }
}

void PeerConnectionState::handleMessage(std::uint16_t stream, std::uint32_t ppid,
                                        std::vector<std::byte>&& data) {
    std::shared_ptr<DataChannelState> channel;
    {
        const std::lock_guard lock(mutex);
        const auto it = channels.find(stream);
        if (it != channels.end()) {
            channel = it->second;
        }
    }
    if (ppid == kPpidControl) {
        if (data.empty()) {
            return;
        }
        const auto* d = reinterpret_cast<const std::uint8_t*>(data.data());
        if (const auto open = parseDcepOpen(d, data.size())) {
            // The peer opens the channels it wants; a peer that opens ever more of them is not
            // given ever more state.
            bool full = false;
            {
                const std::lock_guard lock(mutex);
                full = channels.size() >= kMaxChannels && channels.count(stream) == 0;
            }
            if (full) {
                if (!channelCapWarned.exchange(true)) {
                    spdlog::warn("rtc: peer opened more than {} data channels, ignoring the rest",
                                 kMaxChannels);
                }
                return;
            }
            auto incoming = std::make_shared<DataChannelState>();
            incoming->connection = weak_from_this();
            incoming->streamId = stream;
            incoming->label = open->label;
            incoming->protocol = open->protocol;
            const std::uint8_t type = open->channelType;
            incoming->reliability.unordered = (type & kChannelUnorderedBit) != 0;
            if ((type & 0x7f) == kChannelPartialRetransmit) {
                incoming->reliability.maxRetransmits = open->reliabilityParameter;
            } else if ((type & 0x7f) == kChannelPartialTimed) {
                incoming->reliability.maxPacketLifeTime = open->reliabilityParameter;
            }
            incoming->maxMessageSize =
                std::min(remote ? remote->maxMessageSize : 65536, localMaxMessageSize);
            if (incoming->maxMessageSize == 0) {
                incoming->maxMessageSize = localMaxMessageSize;
            }
            {
                const std::lock_guard lock(mutex);
                channels[stream] = incoming;
            }
            const std::byte ack{kDcepAck};
            send(nullptr, stream, kPpidControl, &ack, 1, true);
            std::function<void(std::shared_ptr<DataChannel>)> callback;
            {
                const std::lock_guard lock(mutex);
                callback = onDataChannel;
            }
            if (callback) {
                callback(std::make_shared<DataChannel>(incoming));
            }
            incoming->open();
        } else if (d[0] == kDcepAck && channel) {
            channel->open();
        }
        return;
    }
    if (!channel) {
        return;
    }
    channel->open(); // data before the ACK (unordered channel) means the peer has it open
    switch (ppid) {
    case kPpidString:
    case kPpidStringPartial:
        channel->deliver(std::string(reinterpret_cast<const char*>(data.data()), data.size()));
        break;
    case kPpidBinary:
    case kPpidBinaryPartial:
        channel->deliver(binary(std::move(data)));
        break;
    case kPpidStringEmpty:
        channel->deliver(std::string());
        break;
    case kPpidBinaryEmpty:
        channel->deliver(binary());
        break;
    default:
        break;
    }
}

std::optional<std::chrono::milliseconds> PeerConnectionState::roundTripTime() {
    const std::lock_guard lock(sendMutex);
    if (sctpSocket == nullptr || !sctpUp) {
        return std::nullopt;
    }
    sctp_status status{};
    socklen_t length = sizeof status;
    if (usrsctp_getsockopt(sctpSocket, IPPROTO_SCTP, SCTP_STATUS, &status, &length) != 0) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(status.sstat_primary.spinfo_srtt);
}

long PeerConnectionState::trySend(const Outgoing& message) {
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
    return usrsctp_sendv(sctpSocket, data, length, nullptr, 0, &spa, sizeof spa, SCTP_SENDV_SPA, 0);
}

bool PeerConnectionState::send(const std::shared_ptr<DataChannelState>& channel,
                               std::uint16_t stream, std::uint32_t ppid, const std::byte* data,
                               std::size_t length, bool control) {
    const std::lock_guard lock(sendMutex);
    if (sctpSocket == nullptr) {
        return false;
    }
    Outgoing message;
    message.channel = channel;
    message.streamId = stream;
    message.ppid = ppid;
    message.control = control;
    if (!control && length == 0) {
        message.ppid = ppid == kPpidString ? kPpidStringEmpty : kPpidBinaryEmpty;
    }
    message.data.assign(data, data + length);
    if (sendQueue.empty()) {
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
    sendQueue.push_back(std::move(message));
    if (!writeScheduled.exchange(true)) {
        std::weak_ptr<PeerConnectionState> weak = weak_from_this();
        EventLoop::instance().post([weak] {
            if (auto pc = weak.lock()) {
                pc->flushSctp();
            }
        });
    }
    return true; // queued: it goes as soon as the association takes it
}

void PeerConnectionState::flushSctp() {
    writeScheduled = false;
    const std::lock_guard lock(sendMutex);
    while (!sendQueue.empty() && sctpSocket != nullptr) {
        Outgoing& message = sendQueue.front();
        if (trySend(message) < 0 && (errno == EWOULDBLOCK || errno == EAGAIN)) {
            break;
        }
        if (message.channel) {
            message.channel->buffered -= message.data.size();
        }
        sendQueue.pop_front();
    }
}

void PeerConnectionState::openChannel(const std::shared_ptr<DataChannelState>& channel) {
    {
        const std::lock_guard lock(mutex);
        // The DTLS client takes even stream ids, the server odd ones (RFC 8832).
        std::uint16_t stream = dtlsClient ? 0 : 1;
        while (stream < 1024 && channels.count(stream) != 0) {
            stream += 2;
        }
        channel->streamId = stream;
        channel->maxMessageSize =
            std::min(remote ? remote->maxMessageSize : 65536, localMaxMessageSize);
        if (channel->maxMessageSize == 0) {
            channel->maxMessageSize = localMaxMessageSize;
        }
        channels[stream] = channel;
    }
    std::uint8_t type = kChannelReliable;
    std::uint32_t parameter = 0;
    if (channel->reliability.maxRetransmits) {
        type = kChannelPartialRetransmit;
        parameter = *channel->reliability.maxRetransmits;
    } else if (channel->reliability.maxPacketLifeTime) {
        type = kChannelPartialTimed;
        parameter = *channel->reliability.maxPacketLifeTime;
    }
    if (channel->reliability.unordered) {
        type |= kChannelUnorderedBit;
    }
    const std::vector<std::uint8_t> message =
        buildDcepOpen({type, parameter, channel->label, channel->protocol});
    std::vector<std::byte> open(message.size());
    std::memcpy(open.data(), message.data(), message.size());
    send(nullptr, *channel->streamId, kPpidControl, open.data(), open.size(), true);
}

void PeerConnectionState::resetStream(std::uint16_t stream) {
    if (sctpSocket == nullptr) {
        return;
    }
    std::vector<std::uint8_t> buffer(sizeof(sctp_reset_streams) + sizeof(std::uint16_t));
    auto* request = reinterpret_cast<sctp_reset_streams*>(buffer.data());
    request->srs_flags = SCTP_STREAM_RESET_OUTGOING;
    request->srs_number_streams = 1;
    request->srs_stream_list[0] = stream;
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_RESET_STREAMS, request,
                       static_cast<socklen_t>(buffer.size()));
}

} // namespace rtc
