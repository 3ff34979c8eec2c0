#pragma once

// The bottom of a peer connection: ICE on libnice, one stream with one component. It gathers
// and trickles candidates, connects, watches for a peer gone silent, and carries datagrams.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "rtc/event_loop.h"
#include "rtc/rtc.h"
#include "rtc/transport.h"

typedef struct _NiceAgent NiceAgent;
typedef struct _GCancellable GCancellable;

namespace rtc::detail {

// Lets an agent go; one that was handed a TURN server first releases its allocations.
struct AgentRelease {
    bool releaseRelays = false;
    void operator()(NiceAgent* agent) const;
};

struct CancelLookups {
    void operator()(GCancellable* lookups) const;
};

class IceTransport final : public Transport, public std::enable_shared_from_this<IceTransport> {
public:
    // Loop thread, while the transport lives.
    struct Events {
        std::function<void(const std::string& candidate)> localCandidate; // without "a="
        std::function<void()> gatheringDone;
        std::function<void()> connecting;
        std::function<void()> connected;
        // ICE failed, or a connected peer went silent.
        std::function<void()> failed;
    };

    // Loop thread, as is everything here but send().
    static std::shared_ptr<IceTransport> create(const Configuration& config, bool controlling,
                                                Events events);
    ~IceTransport() override;

    // Loop thread: stops every callback and lets the agent go (releasing TURN allocations).
    // Called from inside one of the events, the transport does nothing more once it returns.
    void close();

    const std::string& localUfrag() const { return m_localUfrag; }
    const std::string& localPwd() const { return m_localPwd; }
    bool isConnected() const { return m_connected; }

    // Starts gathering; gathering counts as done after a while even when libnice never says so.
    void gather();
    void setRemoteCredentials(const std::string& ufrag, const std::string& pwd);
    void addRemoteCandidate(const std::string& candidate);
    void remoteGatheringDone();

    // Datagrams sent before a pair is selected wait for it (libnice would drop them).
    bool send(const char* data, std::size_t length) override;

private:
    IceTransport(const Configuration& config, bool controlling, Events events);
    // TURN servers named by host are resolved first: the transport must be shared by then.
    void addRelays(const Configuration& config);
    void connectSignals();
    void onComponentState(unsigned int componentState);
    void onDatagram(const char* data, std::size_t length);
    void onConnected();
    void addRelay(const IceServer& server, const std::string& address);
    void resolveRelay(const IceServer& server);
    void watchForSilence();

    Events m_events;
    std::unique_ptr<NiceAgent, AgentRelease> m_agent;
    // Cancels TURN host name look-ups still running when the transport goes.
    std::unique_ptr<GCancellable, CancelLookups> m_turnLookups;
    unsigned m_streamId = 0;
    std::string m_localUfrag;
    std::string m_localPwd;
    bool m_connected = false;
    // The time of the peer's last datagram, checked once a second after ICE connected.
    std::int64_t m_lastHeardUs = 0;

    // Guards what send() shares with the loop thread.
    std::mutex m_sendMutex;
    bool m_ready = false;
    std::vector<std::vector<char>> m_pending;

    // Last, so they stop before the handles go.
    LoopTimer m_gatheringTimer;
    LoopTimer m_silenceTimer;
};

} // namespace rtc::detail
