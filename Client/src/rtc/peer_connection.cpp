// A WebRTC peer connection: its state, its data channels, and closing it.

#include "rtc/peer_connection_state.h"

#include "rtc/peer_connection_internal.h"

namespace rtc {

using namespace detail;

// ---------------------------------------------------------------- data channel state

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

// ---------------------------------------------------------------- peer connection state

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

void PeerConnectionState::closeAll() {
    // Loop thread: nothing else touches the connection while it comes apart.
    if (closedForGood) {
        return;
    }
    closedForGood = true;
    silenceTimer.cancel();
    std::vector<std::shared_ptr<DataChannelState>> open;
    {
        const std::lock_guard lock(mutex);
        for (auto& [stream, channel] : channels) {
            open.push_back(channel);
        }
        for (auto& channel : unassigned) {
            open.push_back(channel);
        }
        channels.clear();
        unassigned.clear();
    }
    for (auto& channel : open) {
        channel->closed();
    }
    if (sctpSocket != nullptr) {
        // Senders on other threads use the socket under this lock: none may find it closed.
        const std::lock_guard lock(sendMutex);
        usrsctp_set_upcall(sctpSocket, nullptr, nullptr);
        usrsctp_close(sctpSocket); // SO_LINGER {1, 0}: the ABORT goes out now, through DTLS
        sctpSocket = nullptr;
        sendQueue.clear();
    }
    if (addressRegistered) {
        usrsctp_deregister_address(this);
        addressRegistered = false;
    }
    {
        const std::lock_guard lock(g_registryMutex);
        g_registry.erase(this);
    }
    {
        const std::lock_guard lock(sslMutex);
        dtlsTimer.cancel();
        if (ssl != nullptr) {
            if (dtlsDone) {
                SSL_shutdown(ssl);
            }
            SSL_free(ssl); // frees both BIOs
            ssl = nullptr;
            readBio = nullptr;
        }
        if (sslContext != nullptr) {
            SSL_CTX_free(sslContext);
            sslContext = nullptr;
        }
    }
    gatheringTimer.cancel();
    if (turnLookups != nullptr) {
        g_cancellable_cancel(turnLookups);
        g_object_unref(turnLookups);
        turnLookups = nullptr;
    }
    if (agent != nullptr) {
        nice_agent_attach_recv(agent, streamId, 1, EventLoop::instance().context(), nullptr,
                               nullptr);
        g_signal_handlers_disconnect_matched(agent, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                             this);
        if (relayAllocated) {
            // Release the allocations on the TURN server rather than leave them to expire; the
            // agent, no longer tied to us, goes once the server has answered.
            nice_agent_close_async(
                agent, +[](GObject* closed, GAsyncResult*, gpointer) { g_object_unref(closed); },
                nullptr);
        } else {
            g_object_unref(agent);
        }
        agent = nullptr;
    }
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
