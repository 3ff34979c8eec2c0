// ICE on libnice: candidates, gathering, TURN relays, and the descriptions both sides swap.

#include "rtc/peer_connection_state.h"

#include <stdexcept>

#include <spdlog/spdlog.h>

#include "rtc/certificate.h"
#include "rtc/peer_connection_internal.h"

namespace rtc {

using namespace detail;

// ---------------------------------------------------------------- ICE

namespace {

// libnice found a local candidate: handed on as its SDP line, without the "a=".
void onNewCandidate(NiceAgent* agent, NiceCandidate* candidate, gpointer self) {
    auto* pc = static_cast<PeerConnectionState*>(self);
    gchar* text = nice_agent_generate_local_candidate_sdp(agent, candidate);
    std::string line = text;
    g_free(text);
    if (line.rfind("a=", 0) == 0) {
        line = line.substr(2);
    }
    std::function<void(Candidate)> callback;
    {
        const std::lock_guard lock(pc->mutex);
        callback = pc->onLocalCandidate;
    }
    if (callback) {
        callback(Candidate(line, pc->mid));
    }
}

} // namespace

void PeerConnectionState::initIce(bool controlling) {
    // No consent freshness from libnice: it fails the pair for good when a few of its checks go
    // unanswered, which a busy link's full buffers do to a live peer in the middle of a large
    // transfer (after which every send is refused and SCTP aborts). The silence watchdog below
    // notices a vanished peer instead, from the traffic itself.
    agent = nice_agent_new_full(EventLoop::instance().context(), NICE_COMPATIBILITY_RFC5245,
                                NICE_AGENT_OPTION_ICE_TRICKLE);
    g_object_set(agent, "controlling-mode", controlling, "ice-tcp", FALSE, "upnp", FALSE,
                 "stun-max-retransmissions", 3, "stun-initial-timeout", 500, nullptr);
    // libnice takes one STUN server per agent; its name is resolved without blocking us.
    for (const IceServer& server : config.iceServers) {
        if (server.type == IceServer::Type::Stun) {
            g_object_set(agent, "stun-server", server.hostname.c_str(), "stun-server-port",
                         static_cast<guint>(server.port), nullptr);
            break;
        }
    }
    if (config.bindAddress) {
        NiceAddress address;
        nice_address_init(&address);
        if (nice_address_set_from_string(&address, config.bindAddress->c_str())) {
            nice_agent_add_local_address(agent, &address);
        }
    }
    g_signal_connect(agent, "new-candidate-full", G_CALLBACK(&onNewCandidate), this);
    g_signal_connect(agent, "candidate-gathering-done",
                     G_CALLBACK(+[](NiceAgent*, guint, gpointer self) {
                         auto* pc = static_cast<PeerConnectionState*>(self);
                         pc->gatheringTimer.cancel();
                         pc->changeGathering(GatheringState::Complete);
                     }),
                     this);
    g_signal_connect(agent, "component-state-changed",
                     G_CALLBACK(+[](NiceAgent*, guint, guint, guint componentState, gpointer self) {
                         static_cast<PeerConnectionState*>(self)->onComponentState(componentState);
                     }),
                     this);
    streamId = nice_agent_add_stream(agent, 1);
    nice_agent_set_stream_name(agent, streamId, "application");
    for (const IceServer& server : config.iceServers) {
        if (server.type != IceServer::Type::Turn) {
            continue;
        }
        if (g_hostname_is_ip_address(server.hostname.c_str())) {
            addRelay(server, server.hostname);
        } else {
            resolveRelay(server);
        }
    }
    nice_agent_attach_recv(
        agent, streamId, 1, EventLoop::instance().context(),
        +[](NiceAgent*, guint, guint, guint length, gchar* data, gpointer self) {
            static_cast<PeerConnectionState*>(self)->onDatagram(data, length);
        },
        this);
    gchar* ufrag = nullptr;
    gchar* pwd = nullptr;
    nice_agent_get_local_credentials(agent, streamId, &ufrag, &pwd);
    localUfrag = ufrag;
    localPwd = pwd;
    g_free(ufrag);
    g_free(pwd);
}

void PeerConnectionState::onComponentState(unsigned int componentState) {
    if (componentState == NICE_COMPONENT_STATE_CONNECTED ||
        componentState == NICE_COMPONENT_STATE_READY) {
        if (iceConnected) {
            return;
        }
        {
            // libnice drops what is sent before it selected a pair.
            const std::lock_guard lock(sslMutex);
            iceReady = true;
            for (const auto& datagram : pendingDatagrams) {
                nice_agent_send(agent, streamId, 1, static_cast<guint>(datagram.size()),
                                datagram.data());
            }
            pendingDatagrams.clear();
        }
        iceConnected = true;
        watchForSilence();
        startDtlsIfReady();
    } else if (componentState == NICE_COMPONENT_STATE_FAILED) {
        changeState(State::Failed);
    } else if (componentState == NICE_COMPONENT_STATE_GATHERING ||
               componentState == NICE_COMPONENT_STATE_CONNECTING) {
        if (state == State::New) {
            changeState(State::Connecting);
        }
    }
}

void PeerConnectionState::addRelay(const IceServer& server, const std::string& address) {
    if (server.relayType == IceServer::RelayType::TurnTls) {
        // libnice's "TLS" relay type is TURN over plain TCP outside its Google/MSN modes; the
        // data is DTLS-protected end to end either way, but a server insisting on TLS refuses.
        spdlog::warn("rtc: TURN server {}:{} is reached over TCP without TLS", address,
                     server.port);
    }
    const NiceRelayType type =
        server.relayType == IceServer::RelayType::TurnTls   ? NICE_RELAY_TYPE_TURN_TLS
        : server.relayType == IceServer::RelayType::TurnTcp ? NICE_RELAY_TYPE_TURN_TCP
                                                            : NICE_RELAY_TYPE_TURN_UDP;
    if (!nice_agent_set_relay_info(agent, streamId, 1, address.c_str(), server.port,
                                   server.username.c_str(), server.password.c_str(), type)) {
        spdlog::warn("rtc: TURN server {}:{} not usable", address, server.port);
        return;
    }
    relayAllocated = true;
}

// libnice wants a numeric TURN address. The name is looked up on the loop without holding
// anything back: host candidates go out at once, and the relay joins gathering when the
// answer comes (libnice adds relays to a stream that is already gathering).
void PeerConnectionState::resolveRelay(const IceServer& server) {
    if (turnLookups == nullptr) {
        turnLookups = g_cancellable_new();
    }
    struct Lookup {
        std::weak_ptr<PeerConnectionState> connection;
        IceServer server;
    };
    GResolver* resolver = g_resolver_get_default();
    g_resolver_lookup_by_name_async(
        resolver, server.hostname.c_str(), turnLookups,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            const std::unique_ptr<Lookup> lookup(static_cast<Lookup*>(data));
            GError* error = nullptr;
            GList* addresses = g_resolver_lookup_by_name_finish(G_RESOLVER(source), result, &error);
            if (addresses == nullptr) {
                if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
                    spdlog::warn("rtc: TURN server {} not resolved: {}", lookup->server.hostname,
                                 error != nullptr ? error->message : "no address");
                }
                g_clear_error(&error);
                return;
            }
            // Host candidates are IPv4 when bound to one; prefer an IPv4 relay to match.
            GInetAddress* chosen = nullptr;
            for (GList* item = addresses; item != nullptr; item = item->next) {
                auto* address = G_INET_ADDRESS(item->data);
                if (chosen == nullptr ||
                    (g_inet_address_get_family(address) == G_SOCKET_FAMILY_IPV4 &&
                     g_inet_address_get_family(chosen) != G_SOCKET_FAMILY_IPV4)) {
                    chosen = address;
                }
            }
            gchar* text = g_inet_address_to_string(chosen);
            const std::string numeric = text;
            g_free(text);
            g_resolver_free_addresses(addresses);
            auto pc = lookup->connection.lock();
            if (pc && pc->agent != nullptr) {
                pc->addRelay(lookup->server, numeric);
            }
        },
        new Lookup{weak_from_this(), server});
    g_object_unref(resolver);
}

void PeerConnectionState::addRemoteCandidateNow(const std::string& candidate) {
    // libnice parses the attribute form only.
    const std::string line = candidate.rfind("a=", 0) == 0 ? candidate : "a=" + candidate;
    NiceCandidate* parsed = nice_agent_parse_remote_candidate_sdp(agent, streamId, line.c_str());
    if (parsed == nullptr) {
        spdlog::debug("rtc: remote candidate not understood: {}", line);
        return;
    }
    GSList* list = g_slist_append(nullptr, parsed);
    nice_agent_set_remote_candidates(agent, streamId, 1, list);
    g_slist_free_full(list, reinterpret_cast<GDestroyNotify>(&nice_candidate_free));
}

void PeerConnectionState::remoteGatheringDone() {
    nice_agent_peer_candidate_gathering_done(agent, streamId);
}

void PeerConnectionState::emitLocalDescription(Description::Type type) {
    detail::SessionDescription local;
    local.mid = mid;
    local.iceUfrag = localUfrag;
    local.icePwd = localPwd;
    local.fingerprint = detail::processCertificate().fingerprint;
    local.setup =
        type == Description::Type::Offer ? "actpass" : (dtlsClient ? "active" : "passive");
    local.maxMessageSize = localMaxMessageSize;
    const Description description(detail::buildSdp(sessionId, local), type);
    std::function<void(Description)> callback;
    {
        const std::lock_guard lock(mutex);
        localDescription = description;
        callback = onLocalDescription;
    }
    if (callback) {
        callback(description);
    }
    // Trickle: gather after the description went out. libnice never reports the end when a
    // STUN name fails or hangs, so gathering is declared complete after a while regardless;
    // host candidates trickle at once, so the connection does not wait for it.
    changeGathering(GatheringState::InProgress);
    std::weak_ptr<PeerConnectionState> weak = weak_from_this();
    gatheringTimer.start(kGatheringTimeoutMs, [weak] {
        if (auto pc = weak.lock()) {
            pc->changeGathering(GatheringState::Complete);
        }
        return false;
    });
    nice_agent_gather_candidates(agent, streamId);
    GPtrArray* sockets = nice_agent_get_sockets(agent, streamId, 1);
    for (guint i = 0; sockets != nullptr && i < sockets->len; ++i) {
        GSocket* socket = G_SOCKET(g_ptr_array_index(sockets, i));
        g_socket_set_option(socket, SOL_SOCKET, SO_RCVBUF, kUdpBufferBytes, nullptr);
        g_socket_set_option(socket, SOL_SOCKET, SO_SNDBUF, kUdpBufferBytes, nullptr);
    }
    if (sockets != nullptr) {
        g_ptr_array_unref(sockets);
    }
}

void PeerConnectionState::applyRemote(const Description& description) {
    const bool isOffer = description.type() == Description::Type::Offer;
    if (isOffer && agent != nullptr) {
        throw std::logic_error("rtc: renegotiation is not supported");
    }
    if (!isOffer && agent == nullptr) {
        throw std::logic_error("rtc: an answer without a local offer");
    }
    remote = detail::parseSdp(std::string(description));
    if (!remote) {
        throw std::invalid_argument("rtc: remote description lacks ICE credentials or fingerprint");
    }
    mid = remote->mid;
    if (isOffer) {
        initIce(false);
        dtlsClient = remote->setup != "active"; // actpass or passive: we lead the handshake
    } else {
        dtlsClient = remote->setup == "passive";
    }
    haveRemote = true;
    nice_agent_set_remote_credentials(agent, streamId, remote->iceUfrag.c_str(),
                                      remote->icePwd.c_str());
    initDtls();
    auto early = std::move(earlyDatagrams);
    for (const auto& datagram : early) {
        onDatagram(datagram.data(), datagram.size());
    }
    for (const std::string& candidate : remote->candidates) {
        addRemoteCandidateNow(candidate);
    }
    for (const std::string& candidate : pendingRemoteCandidates) {
        addRemoteCandidateNow(candidate);
    }
    pendingRemoteCandidates.clear();
    if (remote->endOfCandidates) {
        nice_agent_peer_candidate_gathering_done(agent, streamId);
    }
    if (isOffer) {
        emitLocalDescription(Description::Type::Answer);
    }
    startDtlsIfReady();
}

} // namespace rtc
