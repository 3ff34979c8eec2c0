#include "rtc/ice_transport.h"

#include <spdlog/spdlog.h>

#include "rtc/stack_constants.h"

// C libraries last.
#include <gio/gio.h>
#include <glib.h>
#include <nice/agent.h>
#include <sys/socket.h>

namespace rtc::detail {

void AgentRelease::operator()(NiceAgent* agent) const {
    if (releaseRelays) {
        // Release the allocations on the TURN server rather than leave them to expire; the
        // agent, no longer tied to us, goes once the server has answered.
        nice_agent_close_async(
            agent, +[](GObject* closed, GAsyncResult*, gpointer) { g_object_unref(closed); },
            nullptr);
    } else {
        g_object_unref(agent);
    }
}

void CancelLookups::operator()(GCancellable* lookups) const {
    g_cancellable_cancel(lookups);
    g_object_unref(lookups);
}

IceTransport::IceTransport(const Configuration& config, bool controlling, Events events)
    : m_events(std::move(events)) {
    // No consent freshness from libnice: it fails the pair for good when a few of its checks go
    // unanswered, which a busy link's full buffers do to a live peer in the middle of a large
    // transfer (after which every send is refused and SCTP aborts). The silence watchdog
    // notices a vanished peer instead, from the traffic itself.
    m_agent.reset(nice_agent_new_full(EventLoop::instance().context(), NICE_COMPATIBILITY_RFC5245,
                                      NICE_AGENT_OPTION_ICE_TRICKLE));
    NiceAgent* agent = m_agent.get();
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
    connectSignals();
    m_streamId = nice_agent_add_stream(agent, 1);
    nice_agent_set_stream_name(agent, m_streamId, "application");
    nice_agent_attach_recv(
        agent, m_streamId, 1, EventLoop::instance().context(),
        +[](NiceAgent*, guint, guint, guint length, gchar* data, gpointer self) {
            static_cast<IceTransport*>(self)->onDatagram(data, length);
        },
        this);
    gchar* ufrag = nullptr;
    gchar* pwd = nullptr;
    nice_agent_get_local_credentials(agent, m_streamId, &ufrag, &pwd);
    m_localUfrag = ufrag;
    m_localPwd = pwd;
    g_free(ufrag);
    g_free(pwd);
}

std::shared_ptr<IceTransport> IceTransport::create(const Configuration& config, bool controlling,
                                                   Events events) {
    std::shared_ptr<IceTransport> transport(
        new IceTransport(config, controlling, std::move(events)));
    transport->addRelays(config);
    return transport;
}

void IceTransport::addRelays(const Configuration& config) {
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
}

IceTransport::~IceTransport() {
    close();
}

void IceTransport::close() {
    m_gatheringTimer.cancel();
    m_silenceTimer.cancel();
    m_turnLookups.reset();
    if (!m_agent) {
        return;
    }
    // Nothing of libnice may reach this object again.
    nice_agent_attach_recv(m_agent.get(), m_streamId, 1, EventLoop::instance().context(), nullptr,
                           nullptr);
    g_signal_handlers_disconnect_matched(m_agent.get(), G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                         this);
    const std::lock_guard lock(m_sendMutex);
    m_agent.reset();
    m_pending.clear();
}

void IceTransport::connectSignals() {
    g_signal_connect(m_agent.get(), "new-candidate-full",
                     G_CALLBACK(+[](NiceAgent* agent, NiceCandidate* candidate, gpointer self) {
                         // Handed on as its SDP line, without the "a=".
                         gchar* text = nice_agent_generate_local_candidate_sdp(agent, candidate);
                         std::string line = text;
                         g_free(text);
                         if (line.rfind("a=", 0) == 0) {
                             line = line.substr(2);
                         }
                         static_cast<IceTransport*>(self)->m_events.localCandidate(line);
                     }),
                     this);
    g_signal_connect(m_agent.get(), "candidate-gathering-done",
                     G_CALLBACK(+[](NiceAgent*, guint, gpointer self) {
                         auto* ice = static_cast<IceTransport*>(self);
                         ice->m_gatheringTimer.cancel();
                         ice->m_events.gatheringDone();
                     }),
                     this);
    g_signal_connect(m_agent.get(), "component-state-changed",
                     G_CALLBACK(+[](NiceAgent*, guint, guint, guint componentState, gpointer self) {
                         static_cast<IceTransport*>(self)->onComponentState(componentState);
                     }),
                     this);
}

void IceTransport::onComponentState(unsigned int componentState) {
    if (componentState == NICE_COMPONENT_STATE_CONNECTED ||
        componentState == NICE_COMPONENT_STATE_READY) {
        if (!m_connected) {
            onConnected();
        }
    } else if (componentState == NICE_COMPONENT_STATE_FAILED) {
        m_events.failed();
    } else if (componentState == NICE_COMPONENT_STATE_GATHERING ||
               componentState == NICE_COMPONENT_STATE_CONNECTING) {
        m_events.connecting();
    }
}

void IceTransport::onConnected() {
    {
        const std::lock_guard lock(m_sendMutex);
        if (!m_agent) {
            return;
        }
        m_ready = true;
        for (const auto& datagram : m_pending) {
            nice_agent_send(m_agent.get(), m_streamId, 1, static_cast<guint>(datagram.size()),
                            datagram.data());
        }
        m_pending.clear();
    }
    m_connected = true;
    watchForSilence();
    m_events.connected();
}

bool IceTransport::send(const char* data, std::size_t length) {
    const std::lock_guard lock(m_sendMutex);
    if (!m_agent) {
        return false;
    }
    if (!m_ready) {
        if (m_pending.size() < 64) {
            m_pending.emplace_back(data, data + length);
        }
        return true;
    }
    return nice_agent_send(m_agent.get(), m_streamId, 1, static_cast<guint>(length), data) >= 0;
}

void IceTransport::onDatagram(const char* data, std::size_t length) {
    m_lastHeardUs = g_get_monotonic_time();
    if (length > 0) {
        deliverUp(data, length);
    }
}

void IceTransport::watchForSilence() {
    m_lastHeardUs = g_get_monotonic_time();
    m_silenceTimer.start(1000, [this] {
        const gint64 silentMs = (g_get_monotonic_time() - m_lastHeardUs) / 1000;
        if (silentMs < kPeerSilenceLimitMs) {
            return true;
        }
        spdlog::warn("rtc: nothing heard from the peer for {} ms, the link is lost", silentMs);
        m_events.failed();
        return false;
    });
}

void IceTransport::addRelay(const IceServer& server, const std::string& address) {
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
    if (!nice_agent_set_relay_info(m_agent.get(), m_streamId, 1, address.c_str(), server.port,
                                   server.username.c_str(), server.password.c_str(), type)) {
        spdlog::warn("rtc: TURN server {}:{} not usable", address, server.port);
        return;
    }
    m_agent.get_deleter().releaseRelays = true;
}

namespace {

// Host candidates are IPv4 when bound to one; prefer an IPv4 relay to match.
std::string preferredAddress(GList* addresses) {
    GInetAddress* chosen = nullptr;
    for (GList* item = addresses; item != nullptr; item = item->next) {
        auto* address = G_INET_ADDRESS(item->data);
        if (chosen == nullptr || (g_inet_address_get_family(address) == G_SOCKET_FAMILY_IPV4 &&
                                  g_inet_address_get_family(chosen) != G_SOCKET_FAMILY_IPV4)) {
            chosen = address;
        }
    }
    gchar* text = g_inet_address_to_string(chosen);
    std::string numeric = text;
    g_free(text);
    return numeric;
}

} // namespace

// libnice wants a numeric TURN address. The name is looked up on the loop without holding
// anything back: host candidates go out at once, and the relay joins gathering when the
// answer comes (libnice adds relays to a stream that is already gathering).
void IceTransport::resolveRelay(const IceServer& server) {
    if (!m_turnLookups) {
        m_turnLookups.reset(g_cancellable_new());
    }
    struct Lookup {
        std::weak_ptr<IceTransport> transport;
        IceServer server;
    };
    GResolver* resolver = g_resolver_get_default();
    g_resolver_lookup_by_name_async(
        resolver, server.hostname.c_str(), m_turnLookups.get(),
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
            const std::string numeric = preferredAddress(addresses);
            g_resolver_free_addresses(addresses);
            if (auto ice = lookup->transport.lock(); ice && ice->m_agent) {
                ice->addRelay(lookup->server, numeric);
            }
        },
        new Lookup{weak_from_this(), server});
    g_object_unref(resolver);
}

void IceTransport::gather() {
    if (!m_agent) {
        return;
    }
    m_gatheringTimer.start(kGatheringTimeoutMs, [this] {
        m_events.gatheringDone();
        return false;
    });
    nice_agent_gather_candidates(m_agent.get(), m_streamId);
    GPtrArray* sockets = nice_agent_get_sockets(m_agent.get(), m_streamId, 1);
    for (guint i = 0; sockets != nullptr && i < sockets->len; ++i) {
        GSocket* socket = G_SOCKET(g_ptr_array_index(sockets, i));
        g_socket_set_option(socket, SOL_SOCKET, SO_RCVBUF, kUdpBufferBytes, nullptr);
        g_socket_set_option(socket, SOL_SOCKET, SO_SNDBUF, kUdpBufferBytes, nullptr);
    }
    if (sockets != nullptr) {
        g_ptr_array_unref(sockets);
    }
}

void IceTransport::setRemoteCredentials(const std::string& ufrag, const std::string& pwd) {
    if (!m_agent) {
        return;
    }
    nice_agent_set_remote_credentials(m_agent.get(), m_streamId, ufrag.c_str(), pwd.c_str());
}

void IceTransport::addRemoteCandidate(const std::string& candidate) {
    if (!m_agent) {
        return;
    }
    // libnice parses the attribute form only.
    const std::string line = candidate.rfind("a=", 0) == 0 ? candidate : "a=" + candidate;
    NiceCandidate* parsed =
        nice_agent_parse_remote_candidate_sdp(m_agent.get(), m_streamId, line.c_str());
    if (parsed == nullptr) {
        spdlog::debug("rtc: remote candidate not understood: {}", line);
        return;
    }
    GSList* list = g_slist_append(nullptr, parsed);
    nice_agent_set_remote_candidates(m_agent.get(), m_streamId, 1, list);
    g_slist_free_full(list, reinterpret_cast<GDestroyNotify>(&nice_candidate_free));
}

void IceTransport::remoteGatheringDone() {
    if (!m_agent) {
        return;
    }
    nice_agent_peer_candidate_gathering_done(m_agent.get(), m_streamId);
}

} // namespace rtc::detail
