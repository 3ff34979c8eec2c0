#pragma once

// WebRTC data channels for the P2P transport: the subset of libdatachannel's API it uses, with
// libdatachannel's semantics, built on libnice (ICE), OpenSSL (DTLS) and usrsctp (SCTP).
// Every callback runs on the layer's own thread; callers post to their own thread from there.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace rtc {

using binary = std::vector<std::byte>;
using message_variant = std::variant<binary, std::string>;

struct IceServer {
    enum class Type { Stun, Turn };
    enum class RelayType { TurnUdp, TurnTcp, TurnTls };

    // "stun:host:port"; "turn:user:pass@host:port", "turns:..." for relays. Host names are
    // resolved without delaying host candidates. TurnTls reaches the server over TCP without
    // TLS (libnice's relay socket), so it only works with servers that accept plain TCP.
    explicit IceServer(const std::string& url);
    IceServer(std::string hostname, std::uint16_t port, std::string username, std::string password,
              RelayType relayType = RelayType::TurnUdp);

    std::string hostname;
    std::uint16_t port = 3478;
    Type type = Type::Stun;
    std::string username;
    std::string password;
    RelayType relayType = RelayType::TurnUdp;
};

struct Configuration {
    std::vector<IceServer> iceServers;
    // Restricts host candidates to this address (tests: "127.0.0.1", which libnice skips
    // otherwise).
    std::optional<std::string> bindAddress;
    // The a=max-message-size we advertise; 16 MiB + 64 KiB when unset.
    std::optional<std::size_t> maxMessageSize;
};

class Description {
public:
    enum class Type { Unspec, Offer, Answer };
    Description(std::string sdp, Type type)
        : m_sdp(std::move(sdp))
        , m_type(type) {}
    Description(std::string sdp, const std::string& typeString);
    Type type() const { return m_type; }
    std::string typeString() const;
    operator std::string() const { return m_sdp; }

private:
    std::string m_sdp;
    Type m_type;
};

class Candidate {
public:
    Candidate(std::string candidate, std::string mid = "")
        : m_candidate(std::move(candidate))
        , m_mid(std::move(mid)) {}
    std::string candidate() const { return m_candidate; }
    std::string mid() const { return m_mid; }
    operator std::string() const { return m_candidate; }

private:
    std::string m_candidate;
    std::string m_mid;
};

struct Reliability {
    bool unordered = false;
    std::optional<unsigned> maxPacketLifeTime; // ms
    std::optional<unsigned> maxRetransmits;
};

struct DataChannelInit {
    Reliability reliability;
    std::string protocol;
};

struct DataChannelState;
struct PeerConnectionState;

class DataChannel {
public:
    explicit DataChannel(std::shared_ptr<DataChannelState> state)
        : d(std::move(state)) {}

    // False when the channel is not open; throws std::invalid_argument above the negotiated
    // maximum message size, as libdatachannel does.
    bool send(binary data);
    bool send(const std::string& text);
    bool isOpen() const;
    bool isClosed() const;
    // Resets the stream; closed fires on both sides once the peer has reset its side too.
    void close();
    std::string label() const;
    std::optional<std::uint16_t> id() const;
    Reliability reliability() const;
    std::size_t bufferedAmount() const;
    std::size_t maxMessageSize() const;

    void onOpen(std::function<void()> callback);
    void onClosed(std::function<void()> callback);
    void onMessage(std::function<void(message_variant)> callback);
    void onMessage(std::function<void(binary)> binaryCallback,
                   std::function<void(std::string)> textCallback);

private:
    std::shared_ptr<DataChannelState> d;
};

class PeerConnection {
public:
    enum class State { New = 0, Connecting, Connected, Disconnected, Failed, Closed };
    enum class GatheringState { New = 0, InProgress, Complete };

    explicit PeerConnection(Configuration config = {});
    ~PeerConnection();
    PeerConnection(const PeerConnection&) = delete;
    PeerConnection& operator=(const PeerConnection&) = delete;

    // Frees every ICE, DTLS and SCTP object and stops every callback before it returns.
    void close();

    // The first channel on a fresh connection produces the offer.
    std::shared_ptr<DataChannel> createDataChannel(std::string label, DataChannelInit init = {});
    // A remote offer produces the answer.
    void setRemoteDescription(Description description);
    // Candidates that arrive before the remote description are kept until it does.
    void addRemoteCandidate(Candidate candidate);

    std::optional<Description> localDescription() const;
    State state() const;
    GatheringState gatheringState() const;
    // The smoothed round-trip time of the link, once it carries data channels.
    std::optional<std::chrono::milliseconds> rtt() const;

    void onLocalDescription(std::function<void(Description)> callback);
    void onLocalCandidate(std::function<void(Candidate)> callback);
    void onStateChange(std::function<void(State)> callback);
    void onGatheringStateChange(std::function<void(GatheringState)> callback);
    void onDataChannel(std::function<void(std::shared_ptr<DataChannel>)> callback);

private:
    std::shared_ptr<PeerConnectionState> p;
};

} // namespace rtc
