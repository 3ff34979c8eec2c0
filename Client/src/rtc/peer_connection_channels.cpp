// The data channels of a peer connection: opening them (DCEP, RFC 8832), their messages on
// the SCTP streams, and closing them by resetting both sides of a stream.

#include "rtc/peer_connection_state.h"

#include <algorithm>
#include <cstring>

#include <spdlog/spdlog.h>

#include "rtc/dcep.h"
#include "rtc/sctp_transport.h"
#include "rtc/stack_constants.h"

namespace rtc {

using namespace detail;

void DataChannelState::open() {
    std::function<void()> callback;
    {
        const std::lock_guard lock(mutex);
        if (phase != Phase::Connecting) {
            return;
        }
        phase = Phase::Open;
        callback = onOpen;
    }
    if (callback) {
        callback();
    }
}

void DataChannelState::closed() {
    std::function<void()> callback;
    {
        const std::lock_guard lock(mutex);
        if (phase == Phase::Closed) {
            return;
        }
        phase = Phase::Closed;
        callback = onClosed;
    }
    if (callback) {
        callback();
    }
}

void DataChannelState::deliver(message_variant&& message) {
    std::function<void(message_variant)> callback;
    {
        const std::lock_guard lock(mutex);
        callback = onMessage;
    }
    if (callback) {
        callback(std::move(message));
    }
}

std::size_t PeerConnectionState::channelMessageLimit() const {
    const std::size_t limit =
        std::min(remote ? remote->maxMessageSize : 65536, localMaxMessageSize);
    return limit == 0 ? localMaxMessageSize : limit;
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
        channel->maxMessageSize = channelMessageLimit();
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
    send(nullptr, *channel->streamId, kPpidControl,
         reinterpret_cast<const std::byte*>(message.data()), message.size(), true);
}

void PeerConnectionState::handleChannelOpen(std::uint16_t stream, const std::uint8_t* data,
                                            std::size_t length) {
    const auto open = parseDcepOpen(data, length);
    if (!open) {
        return;
    }
    // The peer opens the channels it wants; a peer that opens ever more of them is not given
    // ever more state.
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
    incoming->maxMessageSize = channelMessageLimit();
    std::function<void(std::shared_ptr<DataChannel>)> callback;
    {
        const std::lock_guard lock(mutex);
        channels[stream] = incoming;
        callback = onDataChannel;
    }
    const std::byte ack{kDcepAck};
    send(nullptr, stream, kPpidControl, &ack, 1, true);
    if (callback) {
        callback(std::make_shared<DataChannel>(incoming));
    }
    incoming->open();
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
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
        if (!data.empty() && bytes[0] == kDcepOpen) {
            handleChannelOpen(stream, bytes, data.size());
        } else if (!data.empty() && bytes[0] == kDcepAck && channel) {
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

void PeerConnectionState::handlePeerReset(std::uint16_t stream) {
    std::shared_ptr<DataChannelState> channel;
    {
        const std::lock_guard lock(mutex);
        const auto it = channels.find(stream);
        if (it == channels.end()) {
            return;
        }
        channel = it->second;
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

bool PeerConnectionState::send(const std::shared_ptr<DataChannelState>& channel,
                               std::uint16_t stream, std::uint32_t ppid, const std::byte* data,
                               std::size_t length, bool control) {
    std::shared_ptr<SctpTransport> association;
    {
        const std::lock_guard lock(mutex);
        association = sctp;
    }
    return association && association->send(channel, stream, ppid, data, length, control);
}

void PeerConnectionState::resetStream(std::uint16_t stream) {
    if (sctp) {
        sctp->resetStream(stream);
    }
}

std::optional<std::chrono::milliseconds> PeerConnectionState::roundTripTime() {
    std::shared_ptr<SctpTransport> association;
    {
        const std::lock_guard lock(mutex);
        association = sctp;
    }
    return association ? association->roundTripTime() : std::nullopt;
}

} // namespace rtc
