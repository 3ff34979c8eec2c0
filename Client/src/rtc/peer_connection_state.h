#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "rtc/event_loop.h"
#include "rtc/rtc.h"
#include "rtc/sdp.h"

typedef struct _NiceAgent NiceAgent;
typedef struct _NiceCandidate NiceCandidate;
typedef struct _GCancellable GCancellable;
typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;
typedef struct bio_st BIO;
typedef struct x509_store_ctx_st X509_STORE_CTX;
struct socket;

namespace rtc {

// One data channel's shared state; the public DataChannel is a handle to it.
struct DataChannelState : std::enable_shared_from_this<DataChannelState> {
    enum class Phase { Connecting, Open, Closed };

    std::weak_ptr<PeerConnectionState> connection;
    std::string label;
    std::string protocol;
    Reliability reliability;
    std::optional<std::uint16_t> streamId;

    mutable std::mutex mutex;
    Phase phase = Phase::Connecting;
    bool outgoingReset = false;
    std::function<void()> onOpen;
    std::function<void()> onClosed;
    std::function<void(message_variant)> onMessage;
    std::atomic<std::size_t> buffered{0};
    std::size_t maxMessageSize = 65536;

    void open();
    void closed();
    void deliver(message_variant&& message);
};

// Everything of one peer connection; touched on the loop thread except where a member says.
struct PeerConnectionState : std::enable_shared_from_this<PeerConnectionState> {
    using State = PeerConnection::State;
    using GatheringState = PeerConnection::GatheringState;

    explicit PeerConnectionState(Configuration configuration);
    ~PeerConnectionState();

    // Guards the callbacks, the states, the channel maps and the local description.
    mutable std::mutex mutex;
    std::function<void(Description)> onLocalDescription;
    std::function<void(Candidate)> onLocalCandidate;
    std::function<void(State)> onStateChange;
    std::function<void(GatheringState)> onGatheringStateChange;
    std::function<void(std::shared_ptr<DataChannel>)> onDataChannel;
    State state = State::New;
    GatheringState gatheringState = GatheringState::New;
    std::optional<Description> localDescription;

    Configuration config;
    std::size_t localMaxMessageSize;
    std::uint64_t sessionId = 0;
    bool closedForGood = false;

    // ICE
    NiceAgent* agent = nullptr;
    unsigned streamId = 0;
    std::string localUfrag;
    std::string localPwd;
    std::string mid = "0";
    bool haveRemote = false;
    bool iceConnected = false;
    std::optional<detail::SessionDescription> remote;
    std::vector<std::string> pendingRemoteCandidates;
    detail::LoopTimer gatheringTimer;
    // Whether the peer is still there: the time of its last datagram (loop thread), checked
    // once a second after ICE connected.
    std::int64_t lastHeardUs = 0;
    detail::LoopTimer silenceTimer;
    // Cancels TURN host name look-ups still running when the connection closes.
    GCancellable* turnLookups = nullptr;
    bool relayAllocated = false; // a TURN server was handed to the agent

    // DTLS; `sslMutex` guards ssl, the pending datagrams and the ready flag (SCTP output comes
    // from usrsctp's callbacks on the loop thread, sends from callers' threads).
    std::mutex sslMutex;
    SSL_CTX* sslContext = nullptr;
    SSL* ssl = nullptr;
    BIO* readBio = nullptr;
    bool dtlsClient = false;
    std::atomic<bool> dtlsDone{false};
    bool dtlsFailed = false;
    detail::LoopTimer dtlsTimer;
    std::vector<std::vector<char>> earlyDatagrams;
    std::vector<std::vector<char>> pendingDatagrams;
    std::atomic<bool> iceReady{false};
    std::vector<unsigned char> readBuffer = std::vector<unsigned char>(65536);

    // SCTP
    struct Outgoing {
        std::shared_ptr<DataChannelState> channel; // none for DCEP
        std::uint16_t streamId = 0;
        std::uint32_t ppid = 0;
        bool control = false;
        std::vector<std::byte> data;
    };
    struct socket* sctpSocket = nullptr;
    bool addressRegistered = false;
    std::atomic<bool> sctpUp{false};
    std::mutex sendMutex;
    std::deque<Outgoing> sendQueue;
    // Channels by stream; the peer may open at most kMaxChannels of them.
    static constexpr std::size_t kMaxChannels = 64;
    std::atomic<bool> channelCapWarned{false};
    std::map<std::uint16_t, std::shared_ptr<DataChannelState>> channels;
    std::vector<std::shared_ptr<DataChannelState>> unassigned;
    std::atomic<bool> readScheduled{false};
    std::atomic<bool> writeScheduled{false};
    std::vector<std::uint8_t> receiveBuffer = std::vector<std::uint8_t>(1 << 18);
    std::vector<std::byte> partialMessage;
    std::vector<std::uint8_t> partialNotification;

    void changeState(State next);
    void changeGathering(GatheringState next);

    void initIce(bool controlling);
    // libnice's report of the stream's one component, on the event loop's thread.
    void onComponentState(unsigned int componentState);
    void addRemoteCandidateNow(const std::string& candidate);
    void remoteGatheringDone();
    void emitLocalDescription(Description::Type type);
    void applyRemote(const Description& description);

    void initDtls();
    void startDtlsIfReady();
    void armDtlsTimer();
    // The SCTP association's smoothed round-trip time; any thread.
    std::optional<std::chrono::milliseconds> roundTripTime();
    void addRelay(const IceServer& server, const std::string& address);
    void resolveRelay(const IceServer& server);
    void onDatagram(const char* data, std::size_t length);
    void watchForSilence();
    bool dtlsSend(const void* data, std::size_t length);
    bool writeDatagram(const char* data, int length); // from the DTLS write BIO
    static int verifyPeer(int ok, X509_STORE_CTX* store);

    void startSctp();
    void scheduleRead();
    void scheduleFlush();
    void readSctp();
    void flushSctp();
    void handleNotification(const std::uint8_t* data, std::size_t length);
    void handleMessage(std::uint16_t stream, std::uint32_t ppid, std::vector<std::byte>&& data);
    // Any thread. False when the message waits in the queue or the association is gone.
    bool send(const std::shared_ptr<DataChannelState>& channel, std::uint16_t stream,
              std::uint32_t ppid, const std::byte* data, std::size_t length, bool control);
    long trySend(const Outgoing& message);
    void openChannel(const std::shared_ptr<DataChannelState>& channel);
    void resetStream(std::uint16_t stream);

    void closeAll();
};

} // namespace rtc
