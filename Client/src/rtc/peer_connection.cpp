// A WebRTC peer connection: its states, its stack of transports, and the descriptions.

#include "rtc/peer_connection_state.h"

#include <stdexcept>

#include "rtc/certificate.h"
#include "rtc/dtls_transport.h"
#include "rtc/event_loop.h"
#include "rtc/ice_transport.h"
#include "rtc/sctp_transport.h"
#include "rtc/stack_constants.h"

#include <openssl/rand.h>

namespace rtc {

using namespace detail;

PeerConnectionState::PeerConnectionState(Configuration configuration)
    : config(std::move(configuration))
    , localMaxMessageSize(config.maxMessageSize.value_or(kDefaultMaxMessageSize)) {
    RAND_bytes(reinterpret_cast<unsigned char*>(&sessionId), sizeof sessionId);
    sessionId &= 0x7fffffffffffffffULL;
}

PeerConnectionState::~PeerConnectionState() = default;

void PeerConnectionState::changeState(State next) {
    std::function<void(State)> callback;
    {
        const std::lock_guard lock(mutex);
        if (state == next) {
            return;
        }
        state = next;
        callback = onStateChange;
    }
    if (callback) {
        callback(next);
    }
}

void PeerConnectionState::changeGathering(GatheringState next) {
    std::function<void(GatheringState)> callback;
    {
        const std::lock_guard lock(mutex);
        if (gatheringState == next) {
            return;
        }
        gatheringState = next;
        callback = onGatheringStateChange;
    }
    if (callback) {
        callback(next);
    }
}

// ---------------------------------------------------------------- the stack

void PeerConnectionState::startIce(bool controlling) {
    IceTransport::Events events;
    events.localCandidate = [this](const std::string& line) {
        std::function<void(Candidate)> callback;
        {
            const std::lock_guard lock(mutex);
            callback = onLocalCandidate;
        }
        if (callback) {
            callback(Candidate(line, mid));
        }
    };
    events.gatheringDone = [this] {
        changeGathering(GatheringState::Complete);
    };
    events.connecting = [this] {
        if (state == State::New) {
            changeState(State::Connecting);
        }
    };
    events.connected = [this] {
        if (dtls) {
            dtls->start();
        }
    };
    events.failed = [this] {
        changeState(State::Failed);
    };
    ice = IceTransport::create(config, controlling, std::move(events));
    ice->setReceiver([this](const char* data, std::size_t length) { onIceDatagram(data, length); });
}

void PeerConnectionState::onIceDatagram(const char* data, std::size_t length) {
    if (dtls) {
        dtls->incoming(data, length);
    } else if (earlyDatagrams.size() < 32) {
        earlyDatagrams.emplace_back(data, data + length);
    }
}

void PeerConnectionState::startDtls() {
    DtlsTransport::Events events;
    events.connected = [this] {
        startSctp();
    };
    events.failed = [this] {
        changeState(State::Failed);
    };
    dtls = std::make_shared<DtlsTransport>(
        *ice, dtlsClient,
        DtlsTransport::PeerFingerprint{remote->fingerprintAlgorithm, remote->fingerprint},
        std::move(events));
    dtls->setReceiver([this](const char* data, std::size_t length) {
        if (sctp) {
            sctp->incoming(data, length);
        }
    });
    const auto early = std::move(earlyDatagrams);
    for (const auto& datagram : early) {
        if (closedForGood) {
            return;
        }
        dtls->incoming(datagram.data(), datagram.size());
    }
}

void PeerConnectionState::startSctp() {
    SctpTransport::Events events;
    events.connected = [this] {
        onSctpConnected();
    };
    events.ended = [this](bool failed) {
        changeState(failed ? State::Failed : State::Disconnected);
    };
    events.message = [this](std::uint16_t stream, std::uint32_t ppid,
                            std::vector<std::byte>&& data) {
        handleMessage(stream, ppid, std::move(data));
    };
    events.peerReset = [this](std::uint16_t stream) {
        handlePeerReset(stream);
    };
    auto association = std::make_shared<SctpTransport>(*dtls, remote->sctpPort, std::move(events));
    {
        const std::lock_guard lock(mutex);
        sctp = association;
    }
    association->start();
}

void PeerConnectionState::onSctpConnected() {
    std::vector<std::shared_ptr<DataChannelState>> toOpen;
    {
        const std::lock_guard lock(mutex);
        toOpen.swap(unassigned);
    }
    changeState(State::Connected);
    for (const auto& channel : toOpen) {
        if (closedForGood) {
            return;
        }
        openChannel(channel);
    }
}

// ---------------------------------------------------------------- descriptions

void PeerConnectionState::emitLocalDescription(Description::Type type) {
    SessionDescription local;
    local.mid = mid;
    local.iceUfrag = ice->localUfrag();
    local.icePwd = ice->localPwd();
    local.fingerprint = processCertificate().fingerprint;
    local.setup =
        type == Description::Type::Offer ? "actpass" : (dtlsClient ? "active" : "passive");
    local.maxMessageSize = localMaxMessageSize;
    const Description description(buildSdp(sessionId, local), type);
    std::function<void(Description)> callback;
    {
        const std::lock_guard lock(mutex);
        localDescription = description;
        callback = onLocalDescription;
    }
    if (callback) {
        callback(description);
    }
    if (closedForGood) {
        return;
    }
    // Trickle: gather after the description went out. Host candidates trickle at once, so the
    // connection does not wait for the end of gathering.
    changeGathering(GatheringState::InProgress);
    ice->gather();
}

void PeerConnectionState::applyRemote(const Description& description) {
    const bool isOffer = description.type() == Description::Type::Offer;
    if (remote || (isOffer && ice)) {
        throw std::logic_error("rtc: renegotiation is not supported");
    }
    if (!isOffer && !ice) {
        throw std::logic_error("rtc: an answer without a local offer");
    }
    remote = parseSdp(std::string(description));
    if (!remote) {
        throw std::invalid_argument("rtc: remote description lacks ICE credentials or fingerprint");
    }
    mid = remote->mid;
    if (isOffer) {
        startIce(false);
        dtlsClient = remote->setup != "active"; // actpass or passive: we lead the handshake
    } else {
        dtlsClient = remote->setup == "passive";
    }
    ice->setRemoteCredentials(remote->iceUfrag, remote->icePwd);
    startDtls();
    for (const std::string& candidate : remote->candidates) {
        ice->addRemoteCandidate(candidate);
    }
    for (const std::string& candidate : pendingRemoteCandidates) {
        ice->addRemoteCandidate(candidate);
    }
    pendingRemoteCandidates.clear();
    if (remote->endOfCandidates) {
        ice->remoteGatheringDone();
    }
    if (isOffer) {
        emitLocalDescription(Description::Type::Answer);
    }
    if (!closedForGood && ice->isConnected()) {
        dtls->start();
    }
}

void PeerConnectionState::addRemoteCandidate(const std::string& candidate) {
    if (!remote) {
        pendingRemoteCandidates.push_back(candidate);
    } else {
        ice->addRemoteCandidate(candidate);
    }
}

void PeerConnectionState::remoteGatheringDone() {
    if (ice && remote) {
        ice->remoteGatheringDone();
    }
}

// ---------------------------------------------------------------- closing

void PeerConnectionState::closeAll() {
    // Loop thread: nothing else touches the connection while it comes apart.
    if (closedForGood) {
        return;
    }
    closedForGood = true;
    std::vector<std::shared_ptr<DataChannelState>> open;
    std::shared_ptr<SctpTransport> association;
    {
        const std::lock_guard lock(mutex);
        for (auto& [stream, channel] : channels) {
            open.push_back(channel);
        }
        open.insert(open.end(), unassigned.begin(), unassigned.end());
        channels.clear();
        unassigned.clear();
        association = std::move(sctp);
    }
    for (auto& channel : open) {
        channel->closed();
    }
    // Top first: each stage's last words (SCTP's ABORT, DTLS's close_notify) go down through
    // the stages still open below it.
    if (association) {
        association->close();
    }
    if (dtls) {
        dtls->close();
    }
    if (ice) {
        ice->close();
    }
    // A stage may be on the stack below this call (an event whose handler closed the
    // connection): the closed objects go once it has unwound.
    EventLoop::instance().post([association, lower = std::move(dtls), bottom = std::move(ice)] {});
    changeState(State::Closed);
    // No callback may run after close() returns.
    const std::lock_guard lock(mutex);
    onLocalDescription = nullptr;
    onLocalCandidate = nullptr;
    onStateChange = nullptr;
    onGatheringStateChange = nullptr;
    onDataChannel = nullptr;
}

} // namespace rtc
