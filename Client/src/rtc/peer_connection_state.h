#pragma once

// A peer connection coordinates its stack, built bottom up on the loop thread: ICE, DTLS on
// its datagrams once the remote description names the peer's certificate, and SCTP on DTLS
// once the handshake is done. It swaps the descriptions, keeps the data channels, and closes
// the stack top first.

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "rtc/data_channel_state.h"
#include "rtc/rtc.h"
#include "rtc/sdp.h"

namespace rtc {

namespace detail {
class IceTransport;
class DtlsTransport;
class SctpTransport;
} // namespace detail

// Touched on the loop thread except where a member says.
struct PeerConnectionState : std::enable_shared_from_this<PeerConnectionState> {
    using State = PeerConnection::State;
    using GatheringState = PeerConnection::GatheringState;

    explicit PeerConnectionState(Configuration configuration);
    ~PeerConnectionState();

    // Guards the callbacks, the states, the channel maps, the local description and `sctp`.
    mutable std::mutex mutex;
    std::function<void(Description)> onLocalDescription;
    std::function<void(Candidate)> onLocalCandidate;
    std::function<void(State)> onStateChange;
    std::function<void(GatheringState)> onGatheringStateChange;
    std::function<void(std::shared_ptr<DataChannel>)> onDataChannel;
    State state = State::New;
    GatheringState gatheringState = GatheringState::New;
    std::optional<Description> localDescription;

    const Configuration config;
    const std::size_t localMaxMessageSize;
    std::uint64_t sessionId = 0;
    bool closedForGood = false;

    // The descriptions.
    std::string mid = "0";
    std::optional<detail::SessionDescription> remote;
    std::vector<std::string> pendingRemoteCandidates;
    // The peer's ICE may connect, and its ClientHello arrive, before its answer does.
    std::vector<std::vector<char>> earlyDatagrams;
    bool dtlsClient = false;

    // The stack, bottom up.
    std::shared_ptr<detail::IceTransport> ice;
    std::shared_ptr<detail::DtlsTransport> dtls;
    std::shared_ptr<detail::SctpTransport> sctp;

    // Channels by stream, and those waiting for the association.
    std::atomic<bool> channelCapWarned{false};
    std::map<std::uint16_t, std::shared_ptr<DataChannelState>> channels;
    std::vector<std::shared_ptr<DataChannelState>> unassigned;

    void changeState(State next);
    void changeGathering(GatheringState next);

    // Descriptions and candidates.
    void startIce(bool controlling);
    void emitLocalDescription(Description::Type type);
    void applyRemote(const Description& description);
    void addRemoteCandidate(const std::string& candidate);
    void remoteGatheringDone();

    // The stages above ICE.
    void onIceDatagram(const char* data, std::size_t length);
    void startDtls();
    void startSctp();
    void onSctpConnected();

    // Channels.
    void openChannel(const std::shared_ptr<DataChannelState>& channel);
    void handleMessage(std::uint16_t stream, std::uint32_t ppid, std::vector<std::byte>&& data);
    void handleChannelOpen(std::uint16_t stream, const std::uint8_t* data, std::size_t length);
    void handlePeerReset(std::uint16_t stream);
    std::size_t channelMessageLimit() const;
    // Any thread. False when the message cannot go; see SctpTransport::send.
    bool send(const std::shared_ptr<DataChannelState>& channel, std::uint16_t stream,
              std::uint32_t ppid, const std::byte* data, std::size_t length, bool control);
    void resetStream(std::uint16_t stream);
    // Any thread.
    std::optional<std::chrono::milliseconds> roundTripTime();

    void closeAll();
};

} // namespace rtc
