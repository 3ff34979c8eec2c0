#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "network/transport.h"

namespace rtc {
class DataChannel;
class PeerConnection;
} // namespace rtc

namespace nimbral {

// Where a P2P attempt looks for its addresses. The defaults are public STUN servers and no TURN
// (its password is empty); tests bind to 127.0.0.1 and use no servers at all.
struct P2PSettings {
    std::vector<std::string> stunUrls = {"stun:stun.l.google.com:19302",
                                         "stun:stun1.l.google.com:19302"};
    std::string turnHost = "turn.nimbral.net";
    quint16 turnPort = 5349;
    std::string turnUser = "nimbral";
    std::string turnPassword; // empty: no TURN server is configured
    std::optional<std::string> bindAddress;
};

// The preferred link: two WebRTC data channels, "control" (reliable, ordered) and "video"
// (unordered, never retransmitted). The offerer (Master) creates them, the answerer (Target)
// receives them; connected once both are open. Offer, answer and candidates leave through
// localDescriptionReady / localCandidateReady and come back through setRemoteDescription /
// addRemoteCandidate. The WebRTC callbacks run on the rtc thread and only log and post here;
// everything else happens on this object's (main) thread. Never emits transportError: a
// failed attempt shows as the absence of connected.
class P2PTransport : public ITransport {
    Q_OBJECT

public:
    explicit P2PTransport(QObject* parent = nullptr);
    P2PTransport(P2PSettings settings, QObject* parent);
    ~P2PTransport() override;

    void startAsOfferer();
    void startAsAnswerer();
    void setRemoteDescription(const std::string& sdp, const std::string& type);
    void addRemoteCandidate(const std::string& candidate, const std::string& mid);

    bool connect(const std::string& host, quint16 port) override;
    void disconnect() override;
    bool isConnected() const override;
    bool send(ChannelType channel, const std::uint8_t* data, std::size_t length) override;
    // The channel's buffered amount: queued in the SCTP stack, not yet on the wire.
    std::size_t pendingBytes(ChannelType channel) const override;
    // The SCTP association's estimate: the whole path to the peer.
    std::optional<double> roundTripMs() const override;

signals:
    void localDescriptionReady(const QString& sdp, const QString& type);
    void localCandidateReady(const QString& candidate, const QString& mid);

private:
    void createPeerConnection();
    void attachChannel(const std::shared_ptr<rtc::DataChannel>& channel, ChannelType type,
                       const char* role, std::uint64_t link);
    void onChannelOpen(ChannelType type, std::uint64_t link);
    void onLinkLost(std::uint64_t link);
    std::uint64_t currentLink() const;
    bool shuttingDown() const;

    P2PSettings m_settings;
    mutable std::mutex m_mutex;
    std::shared_ptr<rtc::PeerConnection> m_peer;
    std::shared_ptr<rtc::DataChannel> m_control;
    std::shared_ptr<rtc::DataChannel> m_video;
    bool m_offerer = false;
    bool m_connected = false;
    bool m_controlOpen = false;
    bool m_videoOpen = false;
    bool m_shuttingDown = false;
    // Which peer connection the rtc thread's posted events are about: each new connection and
    // each disconnect() starts a new one, so an event queued for an earlier link is ignored.
    std::uint64_t m_link = 0;
};

} // namespace nimbral
