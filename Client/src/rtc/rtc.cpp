#include "rtc/rtc.h"

#include <stdexcept>

#include "rtc/certificate.h"
#include "rtc/event_loop.h"
#include "rtc/peer_connection_state.h"
#include "rtc/sctp_transport.h"
#include "rtc/stack_constants.h"

namespace rtc {

namespace {

using detail::EventLoop;
using detail::kPpidBinary;
using detail::kPpidString;

bool splitHostPort(const std::string& text, std::string& host, std::uint16_t& port) {
    std::string hostPort = text.substr(0, text.find('?'));
    const auto at = hostPort.rfind('@');
    if (at != std::string::npos) {
        hostPort = hostPort.substr(at + 1);
    }
    const auto colon = hostPort.rfind(':');
    if (colon != std::string::npos && hostPort.find(']') == std::string::npos) {
        host = hostPort.substr(0, colon);
        try {
            port = static_cast<std::uint16_t>(std::stoi(hostPort.substr(colon + 1)));
        } catch (const std::exception&) {
            return false;
        }
    } else {
        host = hostPort;
    }
    return !host.empty();
}

} // namespace

IceServer::IceServer(const std::string& url) {
    const auto colon = url.find(':');
    const std::string scheme = url.substr(0, colon);
    const std::string rest = colon == std::string::npos ? std::string() : url.substr(colon + 1);
    if (scheme == "stun" || scheme == "stuns") {
        type = Type::Stun;
        port = 3478;
    } else if (scheme == "turn" || scheme == "turns") {
        type = Type::Turn;
        relayType = scheme == "turns"                                 ? RelayType::TurnTls
                    : rest.find("transport=tcp") != std::string::npos ? RelayType::TurnTcp
                                                                      : RelayType::TurnUdp;
        port = scheme == "turns" ? 5349 : 3478;
        const auto at = rest.rfind('@');
        if (at != std::string::npos) {
            const std::string credentials = rest.substr(0, at);
            const auto separator = credentials.find(':');
            username = credentials.substr(0, separator);
            if (separator != std::string::npos) {
                password = credentials.substr(separator + 1);
            }
        }
    } else {
        throw std::invalid_argument("rtc: unsupported ICE server URL: " + url);
    }
    if (!splitHostPort(rest, hostname, port)) {
        throw std::invalid_argument("rtc: ICE server URL without a host: " + url);
    }
}

IceServer::IceServer(std::string hostname_, std::uint16_t port_, std::string username_,
                     std::string password_, RelayType relayType_)
    : hostname(std::move(hostname_))
    , port(port_)
    , type(Type::Turn)
    , username(std::move(username_))
    , password(std::move(password_))
    , relayType(relayType_) {
}

Description::Description(std::string sdp, const std::string& typeString)
    : m_sdp(std::move(sdp))
    , m_type(typeString == "offer"    ? Type::Offer
             : typeString == "answer" ? Type::Answer
                                      : Type::Unspec) {
}

std::string Description::typeString() const {
    switch (m_type) {
    case Type::Offer:
        return "offer";
    case Type::Answer:
        return "answer";
    default:
        return "unspec";
    }
}

// ---------------------------------------------------------------- PeerConnection

PeerConnection::PeerConnection(Configuration config)
    : p(std::make_shared<PeerConnectionState>(std::move(config))) {
    detail::processCertificate();
    EventLoop::instance();
}

PeerConnection::~PeerConnection() {
    close();
}

void PeerConnection::close() {
    auto state = p;
    EventLoop::instance().sync([state] { state->closeAll(); });
}

std::shared_ptr<DataChannel> PeerConnection::createDataChannel(std::string label,
                                                               DataChannelInit init) {
    auto channel = std::make_shared<DataChannelState>();
    channel->connection = p;
    channel->label = std::move(label);
    channel->protocol = init.protocol;
    channel->reliability = init.reliability;
    auto state = p;
    EventLoop::instance().sync([state, channel] {
        if (state->closedForGood) {
            return;
        }
        if (state->sctp && state->sctp->isUp()) {
            state->openChannel(channel);
            return;
        }
        {
            const std::lock_guard lock(state->mutex);
            state->unassigned.push_back(channel);
        }
        if (!state->ice) {
            state->startIce(true);
            state->emitLocalDescription(Description::Type::Offer);
        }
    });
    return std::make_shared<DataChannel>(channel);
}

void PeerConnection::setRemoteDescription(Description description) {
    auto state = p;
    EventLoop::instance().sync([state, description] {
        if (!state->closedForGood) {
            state->applyRemote(description);
        }
    });
}

void PeerConnection::addRemoteCandidate(Candidate candidate) {
    auto state = p;
    EventLoop::instance().sync([state, candidate] {
        if (state->closedForGood) {
            return;
        }
        const std::string text = candidate.candidate();
        if (text.empty() || text.find("end-of-candidates") != std::string::npos) {
            state->remoteGatheringDone();
        } else {
            state->addRemoteCandidate(text);
        }
    });
}

std::optional<Description> PeerConnection::localDescription() const {
    const std::lock_guard lock(p->mutex);
    return p->localDescription;
}

PeerConnection::State PeerConnection::state() const {
    const std::lock_guard lock(p->mutex);
    return p->state;
}

std::optional<std::chrono::milliseconds> PeerConnection::rtt() const {
    return p->roundTripTime();
}

PeerConnection::GatheringState PeerConnection::gatheringState() const {
    const std::lock_guard lock(p->mutex);
    return p->gatheringState;
}

void PeerConnection::onLocalDescription(std::function<void(Description)> callback) {
    const std::lock_guard lock(p->mutex);
    p->onLocalDescription = std::move(callback);
}

void PeerConnection::onLocalCandidate(std::function<void(Candidate)> callback) {
    const std::lock_guard lock(p->mutex);
    p->onLocalCandidate = std::move(callback);
}

void PeerConnection::onStateChange(std::function<void(State)> callback) {
    const std::lock_guard lock(p->mutex);
    p->onStateChange = std::move(callback);
}

void PeerConnection::onGatheringStateChange(std::function<void(GatheringState)> callback) {
    const std::lock_guard lock(p->mutex);
    p->onGatheringStateChange = std::move(callback);
}

void PeerConnection::onDataChannel(std::function<void(std::shared_ptr<DataChannel>)> callback) {
    const std::lock_guard lock(p->mutex);
    p->onDataChannel = std::move(callback);
}

// ---------------------------------------------------------------- DataChannel

bool DataChannel::send(binary data) {
    auto connection = d->connection.lock();
    if (!connection || !isOpen()) {
        return false;
    }
    if (data.size() > d->maxMessageSize) {
        throw std::invalid_argument("rtc: message larger than the channel's maximum");
    }
    return connection->send(d, *d->streamId, kPpidBinary, data.data(), data.size(), false);
}

bool DataChannel::send(const std::string& text) {
    auto connection = d->connection.lock();
    if (!connection || !isOpen()) {
        return false;
    }
    if (text.size() > d->maxMessageSize) {
        throw std::invalid_argument("rtc: message larger than the channel's maximum");
    }
    return connection->send(d, *d->streamId, kPpidString,
                            reinterpret_cast<const std::byte*>(text.data()), text.size(), false);
}

bool DataChannel::isOpen() const {
    const std::lock_guard lock(d->mutex);
    return d->phase == DataChannelState::Phase::Open;
}

bool DataChannel::isClosed() const {
    const std::lock_guard lock(d->mutex);
    return d->phase == DataChannelState::Phase::Closed;
}

void DataChannel::close() {
    auto connection = d->connection.lock();
    auto channel = d;
    if (!connection) {
        return;
    }
    EventLoop::instance().sync([connection, channel] {
        std::optional<std::uint16_t> stream;
        {
            const std::lock_guard lock(channel->mutex);
            if (channel->phase == DataChannelState::Phase::Closed || channel->outgoingReset) {
                return;
            }
            channel->outgoingReset = true;
            stream = channel->streamId;
        }
        // "closed" fires on both sides once the peer has reset its side in answer.
        if (stream) {
            connection->resetStream(*stream);
        }
    });
}

std::string DataChannel::label() const {
    return d->label;
}

std::optional<std::uint16_t> DataChannel::id() const {
    return d->streamId;
}

Reliability DataChannel::reliability() const {
    return d->reliability;
}

std::size_t DataChannel::bufferedAmount() const {
    return d->buffered;
}

std::size_t DataChannel::maxMessageSize() const {
    return d->maxMessageSize;
}

void DataChannel::onOpen(std::function<void()> callback) {
    const std::lock_guard lock(d->mutex);
    d->onOpen = std::move(callback);
}

void DataChannel::onClosed(std::function<void()> callback) {
    const std::lock_guard lock(d->mutex);
    d->onClosed = std::move(callback);
}

void DataChannel::onMessage(std::function<void(message_variant)> callback) {
    const std::lock_guard lock(d->mutex);
    d->onMessage = std::move(callback);
}

void DataChannel::onMessage(std::function<void(binary)> binaryCallback,
                            std::function<void(std::string)> textCallback) {
    onMessage([binaryCallback, textCallback](message_variant message) {
        if (std::holds_alternative<binary>(message)) {
            if (binaryCallback) {
                binaryCallback(std::move(std::get<binary>(message)));
            }
        } else if (textCallback) {
            textCallback(std::move(std::get<std::string>(message)));
        }
    });
}

} // namespace rtc
