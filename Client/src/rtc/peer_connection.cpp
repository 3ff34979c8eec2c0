#include "rtc/peer_connection_state.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

#include <spdlog/spdlog.h>

#include "rtc/certificate.h"
#include "rtc/dcep.h"

// C libraries last.
#include <arpa/inet.h>
#include <gio/gio.h>
#include <glib.h>
#include <nice/agent.h>
#include <openssl/err.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <usrsctp.h>

namespace rtc {

namespace {

using detail::EventLoop;
using detail::kDcepAck;
using detail::kDcepOpen;
using detail::buildDcepOpen;
using detail::parseDcepOpen;

constexpr std::size_t kDefaultMaxMessageSize = 16 * 1024 * 1024 + 64 * 1024;
// The SCTP buffers hold a whole largest message, so it is sent and received in one piece.
constexpr int kSctpBufferBytes = 20 * 1024 * 1024;
// Bursts on the unordered video channel are lost in the kernel with the default UDP buffers.
constexpr int kUdpBufferBytes = 4 * 1024 * 1024;
constexpr int kGatheringTimeoutMs = 3000;
// A live peer is heard at least every SCTP heartbeat interval, even on an idle link (its
// heartbeats and its acknowledgements of ours); this much silence means it is gone.
constexpr unsigned kHeartbeatIntervalMs = 2000;
constexpr gint64 kPeerSilenceLimitMs = 8000;
constexpr int kDtlsMtu = 1200;
constexpr std::uint32_t kSctpMtu = 1188;

enum : std::uint32_t {
    kPpidControl = 50,
    kPpidString = 51,
    kPpidBinaryPartial = 52,
    kPpidBinary = 53,
    kPpidStringPartial = 54,
    kPpidStringEmpty = 56,
    kPpidBinaryEmpty = 57,
};
enum : std::uint8_t {
    kChannelReliable = 0x00,
    kChannelPartialRetransmit = 0x01,
    kChannelPartialTimed = 0x02,
    kChannelUnorderedBit = 0x80,
};

int sslStateIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// usrsctp hands outgoing packets to a C callback with the address we registered: find the
// connection behind it, if it still exists.
std::mutex g_registryMutex;
std::unordered_map<void*, std::weak_ptr<PeerConnectionState>> g_registry;

int sctpOutput(void* address, void* buffer, std::size_t length, std::uint8_t, std::uint8_t) {
    std::shared_ptr<PeerConnectionState> connection;
    {
        const std::lock_guard lock(g_registryMutex);
        const auto it = g_registry.find(address);
        if (it != g_registry.end()) {
            connection = it->second.lock();
        }
    }
    if (!connection) {
        return -1;
    }
    return connection->dtlsSend(buffer, length) ? 0 : -1;
}

void sctpGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] {
        // No usrsctp threads: its timers run on our loop, so every SCTP callback comes from
        // one thread.
        usrsctp_init_nothreads(0, &sctpOutput, nullptr);
        usrsctp_sysctl_set_sctp_ecn_enable(0);
        usrsctp_sysctl_set_sctp_init_rtx_max_default(5);
        usrsctp_sysctl_set_sctp_path_rtx_max_default(5);
        usrsctp_sysctl_set_sctp_assoc_rtx_max_default(5);
        usrsctp_sysctl_set_sctp_rto_min_default(200);
        usrsctp_sysctl_set_sctp_rto_max_default(10000);
        usrsctp_sysctl_set_sctp_rto_initial_default(1000);
        usrsctp_sysctl_set_sctp_init_rto_max_default(10000);
        usrsctp_sysctl_set_sctp_heartbeat_interval_default(kHeartbeatIntervalMs);
        usrsctp_sysctl_set_sctp_max_chunks_on_queue(64 * 1024);
        usrsctp_sysctl_set_sctp_delayed_sack_time_default(20);
        usrsctp_sysctl_set_sctp_sendspace(kSctpBufferBytes);
        usrsctp_sysctl_set_sctp_recvspace(kSctpBufferBytes);
        EventLoop::instance().post([] {
            static detail::LoopTimer timers;
            static gint64 last = g_get_monotonic_time();
            timers.start(10, [] {
                const gint64 now = g_get_monotonic_time();
                usrsctp_handle_timers(static_cast<std::uint32_t>((now - last) / 1000));
                last = now;
                return true;
            });
        });
    });
}

BIO_METHOD* datagramBioMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "ice-datagram");
        BIO_meth_set_create(m, [](BIO* bio) {
            BIO_set_init(bio, 1);
            BIO_set_data(bio, nullptr);
            BIO_set_shutdown(bio, 0);
            return 1;
        });
        BIO_meth_set_destroy(m, [](BIO* bio) {
            BIO_set_init(bio, 0);
            return 1;
        });
        BIO_meth_set_write(m, [](BIO* bio, const char* data, int length) {
            auto* connection = static_cast<PeerConnectionState*>(BIO_get_data(bio));
            if (connection != nullptr) {
                connection->writeDatagram(data, length);
            }
            return length; // a lost datagram is not a DTLS error
        });
        BIO_meth_set_ctrl(m, [](BIO*, int command, long, void*) -> long {
            switch (command) {
            case BIO_CTRL_FLUSH:
                return 1;
            case BIO_CTRL_DGRAM_QUERY_MTU:
                return kDtlsMtu;
            default:
                return 0;
            }
        });
        return m;
    }();
    return method;
}

} // namespace

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

// ---------------------------------------------------------------- ICE

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
    g_signal_connect(agent, "new-candidate-full",
                     G_CALLBACK(+[](NiceAgent* a, NiceCandidate* candidate, gpointer self) {
                         auto* pc = static_cast<PeerConnectionState*>(self);
                         gchar* text = nice_agent_generate_local_candidate_sdp(a, candidate);
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
                     }),
                     this);
    g_signal_connect(agent, "candidate-gathering-done",
                     G_CALLBACK(+[](NiceAgent*, guint, gpointer self) {
                         auto* pc = static_cast<PeerConnectionState*>(self);
                         pc->gatheringTimer.cancel();
                         pc->changeGathering(GatheringState::Complete);
                     }),
                     this);
    g_signal_connect(agent, "component-state-changed",
                     G_CALLBACK(+[](NiceAgent*, guint, guint, guint componentState, gpointer self) {
                         auto* pc = static_cast<PeerConnectionState*>(self);
                         if (componentState == NICE_COMPONENT_STATE_CONNECTED ||
                             componentState == NICE_COMPONENT_STATE_READY) {
                             if (!pc->iceConnected) {
                                 {
                                     // libnice drops what is sent before it selected a pair.
                                     const std::lock_guard lock(pc->sslMutex);
                                     pc->iceReady = true;
                                     for (const auto& datagram : pc->pendingDatagrams) {
                                         nice_agent_send(pc->agent, pc->streamId, 1,
                                                         static_cast<guint>(datagram.size()),
                                                         datagram.data());
                                     }
                                     pc->pendingDatagrams.clear();
                                 }
                                 pc->iceConnected = true;
                                 pc->watchForSilence();
                                 pc->startDtlsIfReady();
                             }
                         } else if (componentState == NICE_COMPONENT_STATE_FAILED) {
                             pc->changeState(State::Failed);
                         } else if (componentState == NICE_COMPONENT_STATE_GATHERING ||
                                    componentState == NICE_COMPONENT_STATE_CONNECTING) {
                             if (pc->state == State::New) {
                                 pc->changeState(State::Connecting);
                             }
                         }
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

// ---------------------------------------------------------------- DTLS

int PeerConnectionState::verifyPeer(int, X509_STORE_CTX* store) {
    SSL* session =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* pc = static_cast<PeerConnectionState*>(SSL_get_ex_data(session, sslStateIndex()));
    if (X509_STORE_CTX_get_error_depth(store) != 0) {
        return 1; // self-signed: only the leaf and its fingerprint matter
    }
    if (pc == nullptr || !pc->remote) {
        return 0;
    }
    const std::string presented =
        detail::fingerprintOf(X509_STORE_CTX_get0_cert(store), pc->remote->fingerprintAlgorithm);
    const bool matches =
        !presented.empty() &&
        g_ascii_strcasecmp(presented.c_str(), pc->remote->fingerprint.c_str()) == 0;
    if (!matches) {
        spdlog::warn(
            "rtc: DTLS peer certificate does not match the fingerprint of its description");
    }
    return matches ? 1 : 0;
}

void PeerConnectionState::initDtls() {
    const std::lock_guard lock(sslMutex);
    sslContext = SSL_CTX_new(DTLS_method());
    SSL_CTX_set_min_proto_version(sslContext, DTLS1_2_VERSION);
    SSL_CTX_use_certificate(sslContext, detail::processCertificate().certificate);
    SSL_CTX_use_PrivateKey(sslContext, detail::processCertificate().key);
    SSL_CTX_set_verify(sslContext, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT,
                       &PeerConnectionState::verifyPeer);
    SSL_CTX_set_cipher_list(sslContext,
                            "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-ECDSA-CHACHA20-POLY1305:"
                            "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES128-GCM-SHA256:"
                            "ECDHE-RSA-CHACHA20-POLY1305:ECDHE-RSA-AES256-GCM-SHA384");
    SSL_CTX_set1_groups_list(sslContext, "X25519:P-256:P-384");
    SSL_CTX_set_read_ahead(sslContext, 1);
    ssl = SSL_new(sslContext);
    SSL_set_ex_data(ssl, sslStateIndex(), this);
    SSL_set_options(ssl, SSL_OP_NO_QUERY_MTU);
    SSL_set_mtu(ssl, kDtlsMtu);
    readBio = BIO_new(BIO_s_mem());
    BIO_set_mem_eof_return(readBio, -1);
    BIO* writeBio = BIO_new(datagramBioMethod());
    BIO_set_data(writeBio, this);
    SSL_set_bio(ssl, readBio, writeBio);
    if (dtlsClient) {
        SSL_set_connect_state(ssl);
    } else {
        SSL_set_accept_state(ssl);
    }
}

bool PeerConnectionState::writeDatagram(const char* data, int length) {
    // Called with sslMutex held (from inside SSL calls).
    if (!iceReady) {
        if (pendingDatagrams.size() < 64) {
            pendingDatagrams.emplace_back(data, data + length);
        }
        return true;
    }
    return agent != nullptr &&
           nice_agent_send(agent, streamId, 1, static_cast<guint>(length), data) >= 0;
}

void PeerConnectionState::armDtlsTimer() {
    // sslMutex held, loop thread.
    dtlsTimer.cancel();
    timeval timeout{};
    if (ssl == nullptr || dtlsDone || !DTLSv1_get_timeout(ssl, &timeout)) {
        return;
    }
    const auto ms = static_cast<unsigned>(timeout.tv_sec * 1000 + timeout.tv_usec / 1000) + 1;
    std::weak_ptr<PeerConnectionState> weak = weak_from_this();
    dtlsTimer.start(ms, [weak] {
        if (auto pc = weak.lock()) {
            const std::lock_guard lock(pc->sslMutex);
            if (pc->ssl != nullptr && !pc->dtlsDone) {
                DTLSv1_handle_timeout(pc->ssl);
                EventLoop::instance().post([weak] {
                    if (auto again = weak.lock()) {
                        const std::lock_guard relock(again->sslMutex);
                        again->armDtlsTimer();
                    }
                });
            }
        }
        return false;
    });
}

void PeerConnectionState::startDtlsIfReady() {
    if (!iceConnected || !dtlsClient) {
        return;
    }
    const std::lock_guard lock(sslMutex);
    if (ssl == nullptr) {
        return;
    }
    SSL_do_handshake(ssl);
    armDtlsTimer();
}

bool PeerConnectionState::dtlsSend(const void* data, std::size_t length) {
    const std::lock_guard lock(sslMutex);
    if (ssl == nullptr || !dtlsDone) {
        return false;
    }
    return SSL_write(ssl, data, static_cast<int>(length)) == static_cast<int>(length);
}

void PeerConnectionState::watchForSilence() {
    lastHeardUs = g_get_monotonic_time();
    std::weak_ptr<PeerConnectionState> weak = weak_from_this();
    silenceTimer.start(1000, [weak] {
        auto pc = weak.lock();
        if (!pc || pc->closedForGood) {
            return false;
        }
        const gint64 silentMs = (g_get_monotonic_time() - pc->lastHeardUs) / 1000;
        if (silentMs < kPeerSilenceLimitMs) {
            return true;
        }
        spdlog::warn("rtc: nothing heard from the peer for {} ms, the link is lost", silentMs);
        pc->changeState(State::Failed);
        return false;
    });
}

void PeerConnectionState::onDatagram(const char* data, std::size_t length) {
    lastHeardUs = g_get_monotonic_time();
    if (length == 0) {
        return;
    }
    const auto first = static_cast<std::uint8_t>(data[0]);
    if (first < 20 || first > 63) {
        return; // RFC 7983: only DTLS is ours to read
    }
    bool justConnected = false;
    bool failed = false;
    {
        const std::lock_guard lock(sslMutex);
        if (dtlsFailed) {
            return;
        }
        if (ssl == nullptr) {
            // The peer's ICE may finish, and its ClientHello arrive, before its answer does.
            if (earlyDatagrams.size() < 32) {
                earlyDatagrams.emplace_back(data, data + length);
            }
            return;
        }
        BIO_write(readBio, data, static_cast<int>(length));
        if (!dtlsDone) {
            const int result = SSL_do_handshake(ssl);
            if (result == 1) {
                dtlsDone = true;
                justConnected = true;
                dtlsTimer.cancel();
            } else {
                const int error = SSL_get_error(ssl, result);
                if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
                    failed = true;
                    dtlsFailed = true;
                    dtlsTimer.cancel();
                    spdlog::warn("rtc: DTLS handshake failed: {}",
                                 ERR_error_string(ERR_get_error(), nullptr));
                } else {
                    armDtlsTimer();
                }
            }
        }
    }
    if (failed) {
        changeState(State::Failed);
        return;
    }
    if (justConnected) {
        startSctp();
    }
    if (!dtlsDone) {
        return;
    }
    for (;;) {
        int read = 0;
        {
            const std::lock_guard lock(sslMutex);
            if (ssl == nullptr) {
                return;
            }
            read = SSL_read(ssl, readBuffer.data(), static_cast<int>(readBuffer.size()));
            if (read <= 0) {
                break;
            }
        }
        // Without the lock: usrsctp may answer at once through sctpOutput.
        if (sctpSocket != nullptr) {
            usrsctp_conninput(this, readBuffer.data(), static_cast<std::size_t>(read), 0);
        }
    }
}

// ---------------------------------------------------------------- SCTP

void PeerConnectionState::startSctp() {
    sctpGlobalInit();
    {
        const std::lock_guard lock(g_registryMutex);
        g_registry[this] = weak_from_this();
    }
    usrsctp_register_address(this);
    addressRegistered = true;
    sctpSocket = usrsctp_socket(AF_CONN, SOCK_STREAM, IPPROTO_SCTP, nullptr, nullptr, 0, nullptr);
    if (sctpSocket == nullptr) {
        changeState(State::Failed);
        return;
    }
    usrsctp_set_non_blocking(sctpSocket, 1);
    usrsctp_set_upcall(
        sctpSocket,
        +[](struct socket* socket, void* self, int) {
            auto* pc = static_cast<PeerConnectionState*>(self);
            const int events = usrsctp_get_events(socket);
            if (events & SCTP_EVENT_READ) {
                pc->scheduleRead();
            }
            if (events & SCTP_EVENT_WRITE) {
                pc->scheduleFlush();
            }
        },
        this);
    linger abortOnClose{1, 0};
    usrsctp_setsockopt(sctpSocket, SOL_SOCKET, SO_LINGER, &abortOnClose, sizeof abortOnClose);
    sctp_assoc_value resets{};
    resets.assoc_id = SCTP_ALL_ASSOC;
    resets.assoc_value = SCTP_ENABLE_RESET_STREAM_REQ;
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_ENABLE_STREAM_RESET, &resets, sizeof resets);
    int on = 1;
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_RECVRCVINFO, &on, sizeof on);
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_NODELAY, &on, sizeof on);
    for (const std::uint16_t type :
         {SCTP_ASSOC_CHANGE, SCTP_STREAM_RESET_EVENT, SCTP_STREAM_CHANGE_EVENT}) {
        sctp_event event{};
        event.se_assoc_id = SCTP_ALL_ASSOC;
        event.se_type = type;
        event.se_on = 1;
        usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_EVENT, &event, sizeof event);
    }
    sctp_initmsg init{};
    init.sinit_num_ostreams = 1024;
    init.sinit_max_instreams = 1024;
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_INITMSG, &init, sizeof init);
    sctp_paddrparams path{};
    path.spp_flags = SPP_PMTUD_DISABLE;
    path.spp_pathmtu = kSctpMtu;
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_PEER_ADDR_PARAMS, &path, sizeof path);
    int bufferBytes = kSctpBufferBytes;
    usrsctp_setsockopt(sctpSocket, SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
    usrsctp_setsockopt(sctpSocket, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);

    sockaddr_conn address{};
    address.sconn_family = AF_CONN;
    address.sconn_port = htons(5000);
    address.sconn_addr = this;
    usrsctp_bind(sctpSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    address.sconn_port = htons(remote ? remote->sctpPort : 5000);
    usrsctp_connect(sctpSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

void PeerConnectionState::scheduleRead() {
    if (readScheduled.exchange(true)) {
        return;
    }
    std::weak_ptr<PeerConnectionState> weak = weak_from_this();
    EventLoop::instance().post([weak] {
        if (auto pc = weak.lock()) {
            pc->readSctp();
        }
    });
}

void PeerConnectionState::scheduleFlush() {
    {
        const std::lock_guard lock(sendMutex);
        if (sendQueue.empty()) {
            return;
        }
    }
    if (writeScheduled.exchange(true)) {
        return;
    }
    std::weak_ptr<PeerConnectionState> weak = weak_from_this();
    EventLoop::instance().post([weak] {
        if (auto pc = weak.lock()) {
            pc->flushSctp();
        }
    });
}

void PeerConnectionState::readSctp() {
    readScheduled = false;
    while (sctpSocket != nullptr) {
        sctp_rcvinfo info{};
        socklen_t infoLength = sizeof info;
        unsigned infoType = 0;
        int flags = 0;
        sockaddr_conn from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = usrsctp_recvv(sctpSocket, receiveBuffer.data(), receiveBuffer.size(),
                                        reinterpret_cast<sockaddr*>(&from), &fromLength, &info,
                                        &infoLength, &infoType, &flags);
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                // The association is gone (an ABORT). Its notification can sit behind a message
                // it cut short and never be read: the error itself must end the link, or the
                // rest of that message is awaited for ever.
                spdlog::info("rtc: SCTP association ended ({})", std::strerror(errno));
                changeState(State::Disconnected);
            }
            break;
        }
        if (flags & MSG_NOTIFICATION) {
            partialNotification.insert(partialNotification.end(), receiveBuffer.begin(),
                                       receiveBuffer.begin() + n);
            if (flags & MSG_EOR) {
                handleNotification(partialNotification.data(), partialNotification.size());
                partialNotification.clear();
            }
            continue;
        }
        const auto* bytes = reinterpret_cast<const std::byte*>(receiveBuffer.data());
        partialMessage.insert(partialMessage.end(), bytes, bytes + n);
        if (flags & MSG_EOR) {
            std::vector<std::byte> message;
            message.swap(partialMessage);
            handleMessage(info.rcv_sid, ntohl(info.rcv_ppid), std::move(message));
        }
    }
}

void PeerConnectionState::handleNotification(const std::uint8_t* data, std::size_t length) {
    const auto* notification = reinterpret_cast<const sctp_notification*>(data);
    if (length < sizeof(notification->sn_header)) {
        return;
    }
    if (notification->sn_header.sn_type == SCTP_ASSOC_CHANGE) {
        const auto& change = notification->sn_assoc_change;
        if (change.sac_state == SCTP_COMM_UP) {
            sctpUp = true;
            std::vector<std::shared_ptr<DataChannelState>> toOpen;
            {
                const std::lock_guard lock(mutex);
                toOpen.swap(unassigned);
            }
            changeState(State::Connected);
            for (const auto& channel : toOpen) {
                openChannel(channel);
            }
        } else if (change.sac_state == SCTP_COMM_LOST || change.sac_state == SCTP_SHUTDOWN_COMP ||
                   change.sac_state == SCTP_CANT_STR_ASSOC) {
            changeState(change.sac_state == SCTP_CANT_STR_ASSOC ? State::Failed
                                                                : State::Disconnected);
        }
    } else if (notification->sn_header.sn_type == SCTP_STREAM_RESET_EVENT) {
        const auto& reset = notification->sn_strreset_event;
        const std::size_t count =
            (reset.strreset_length - sizeof(sctp_stream_reset_event)) / sizeof(std::uint16_t);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint16_t stream = reset.strreset_stream_list[i];
            std::shared_ptr<DataChannelState> channel;
            {
                const std::lock_guard lock(mutex);
                const auto it = channels.find(stream);
                if (it != channels.end()) {
                    channel = it->second;
                }
            }
            if (!channel || !(reset.strreset_flags & SCTP_STREAM_RESET_INCOMING_SSN)) {
                continue;
            }
            // The peer closed its side: close ours too, and the channel is closed.
            bool resetOurs = false;
            {
                const std::lock_guard lock(channel->mutex);
                resetOurs = !channel->outgoingReset;
                channel->outgoingReset = true;
            }
            if (resetOurs) {
                resetStream(stream);
            }
            {
                const std::lock_guard lock(mutex);
                channels.erase(stream);
            }
            channel->closed();
        }
    }
}

void PeerConnectionState::handleMessage(std::uint16_t stream, std::uint32_t ppid,
                                        std::vector<std::byte>&& data) {
    std::shared_ptr<DataChannelState> channel;
    {
        const std::lock_guard lock(mutex);
        const auto it = channels.find(stream);
        if (it != channels.end()) {
            channel = it->second;
        }
    }
    if (ppid == kPpidControl) {
        if (data.empty()) {
            return;
        }
        const auto* d = reinterpret_cast<const std::uint8_t*>(data.data());
        if (const auto open = parseDcepOpen(d, data.size())) {
            // The peer opens the channels it wants; a peer that opens ever more of them is not
            // given ever more state.
            bool full = false;
            {
                const std::lock_guard lock(mutex);
                full = channels.size() >= kMaxChannels && channels.count(stream) == 0;
            }
            if (full) {
                if (!channelCapWarned.exchange(true)) {
                    spdlog::warn("rtc: peer opened more than {} data channels, ignoring the rest",
                                 kMaxChannels);
                }
                return;
            }
            auto incoming = std::make_shared<DataChannelState>();
            incoming->connection = weak_from_this();
            incoming->streamId = stream;
            incoming->label = open->label;
            incoming->protocol = open->protocol;
            const std::uint8_t type = open->channelType;
            incoming->reliability.unordered = (type & kChannelUnorderedBit) != 0;
            if ((type & 0x7f) == kChannelPartialRetransmit) {
                incoming->reliability.maxRetransmits = open->reliabilityParameter;
            } else if ((type & 0x7f) == kChannelPartialTimed) {
                incoming->reliability.maxPacketLifeTime = open->reliabilityParameter;
            }
            incoming->maxMessageSize =
                std::min(remote ? remote->maxMessageSize : 65536, localMaxMessageSize);
            if (incoming->maxMessageSize == 0) {
                incoming->maxMessageSize = localMaxMessageSize;
            }
            {
                const std::lock_guard lock(mutex);
                channels[stream] = incoming;
            }
            const std::byte ack{kDcepAck};
            send(nullptr, stream, kPpidControl, &ack, 1, true);
            std::function<void(std::shared_ptr<DataChannel>)> callback;
            {
                const std::lock_guard lock(mutex);
                callback = onDataChannel;
            }
            if (callback) {
                callback(std::make_shared<DataChannel>(incoming));
            }
            incoming->open();
        } else if (d[0] == kDcepAck && channel) {
            channel->open();
        }
        return;
    }
    if (!channel) {
        return;
    }
    channel->open(); // data before the ACK (unordered channel) means the peer has it open
    switch (ppid) {
    case kPpidString:
    case kPpidStringPartial:
        channel->deliver(std::string(reinterpret_cast<const char*>(data.data()), data.size()));
        break;
    case kPpidBinary:
    case kPpidBinaryPartial:
        channel->deliver(binary(std::move(data)));
        break;
    case kPpidStringEmpty:
        channel->deliver(std::string());
        break;
    case kPpidBinaryEmpty:
        channel->deliver(binary());
        break;
    default:
        break;
    }
}

std::optional<std::chrono::milliseconds> PeerConnectionState::roundTripTime() {
    const std::lock_guard lock(sendMutex);
    if (sctpSocket == nullptr || !sctpUp) {
        return std::nullopt;
    }
    sctp_status status{};
    socklen_t length = sizeof status;
    if (usrsctp_getsockopt(sctpSocket, IPPROTO_SCTP, SCTP_STATUS, &status, &length) != 0) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(status.sstat_primary.spinfo_srtt);
}

long PeerConnectionState::trySend(const Outgoing& message) {
    sctp_sendv_spa spa{};
    spa.sendv_flags = SCTP_SEND_SNDINFO_VALID;
    spa.sendv_sndinfo.snd_sid = message.streamId;
    spa.sendv_sndinfo.snd_ppid = htonl(message.ppid);
    spa.sendv_sndinfo.snd_flags = SCTP_EOR;
    if (!message.control && message.channel) {
        const Reliability& reliability = message.channel->reliability;
        if (reliability.unordered) {
            spa.sendv_sndinfo.snd_flags |= SCTP_UNORDERED;
        }
        if (reliability.maxRetransmits) {
            spa.sendv_flags |= SCTP_SEND_PRINFO_VALID;
            spa.sendv_prinfo.pr_policy = SCTP_PR_SCTP_RTX;
            spa.sendv_prinfo.pr_value = *reliability.maxRetransmits;
        } else if (reliability.maxPacketLifeTime) {
            spa.sendv_flags |= SCTP_SEND_PRINFO_VALID;
            spa.sendv_prinfo.pr_policy = SCTP_PR_SCTP_TTL;
            spa.sendv_prinfo.pr_value = *reliability.maxPacketLifeTime;
        }
    }
    // An empty message goes as one zero byte under its "empty" PPID (RFC 8831).
    static const std::uint8_t zero = 0;
    const void* data = message.data.empty() ? static_cast<const void*>(&zero)
                                            : static_cast<const void*>(message.data.data());
    const std::size_t length = message.data.empty() ? 1 : message.data.size();
    return usrsctp_sendv(sctpSocket, data, length, nullptr, 0, &spa, sizeof spa, SCTP_SENDV_SPA, 0);
}

bool PeerConnectionState::send(const std::shared_ptr<DataChannelState>& channel,
                               std::uint16_t stream, std::uint32_t ppid, const std::byte* data,
                               std::size_t length, bool control) {
    const std::lock_guard lock(sendMutex);
    if (sctpSocket == nullptr) {
        return false;
    }
    Outgoing message;
    message.channel = channel;
    message.streamId = stream;
    message.ppid = ppid;
    message.control = control;
    if (!control && length == 0) {
        message.ppid = ppid == kPpidString ? kPpidStringEmpty : kPpidBinaryEmpty;
    }
    message.data.assign(data, data + length);
    if (sendQueue.empty()) {
        if (trySend(message) >= 0) {
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EAGAIN) {
            spdlog::debug("rtc: SCTP send failed (errno {})", errno);
            return false;
        }
    }
    if (channel) {
        channel->buffered += length;
    }
    sendQueue.push_back(std::move(message));
    if (!writeScheduled.exchange(true)) {
        std::weak_ptr<PeerConnectionState> weak = weak_from_this();
        EventLoop::instance().post([weak] {
            if (auto pc = weak.lock()) {
                pc->flushSctp();
            }
        });
    }
    return true; // queued: it goes as soon as the association takes it
}

void PeerConnectionState::flushSctp() {
    writeScheduled = false;
    const std::lock_guard lock(sendMutex);
    while (!sendQueue.empty() && sctpSocket != nullptr) {
        Outgoing& message = sendQueue.front();
        if (trySend(message) < 0 && (errno == EWOULDBLOCK || errno == EAGAIN)) {
            break;
        }
        if (message.channel) {
            message.channel->buffered -= message.data.size();
        }
        sendQueue.pop_front();
    }
}

void PeerConnectionState::openChannel(const std::shared_ptr<DataChannelState>& channel) {
    {
        const std::lock_guard lock(mutex);
        // The DTLS client takes even stream ids, the server odd ones (RFC 8832).
        std::uint16_t stream = dtlsClient ? 0 : 1;
        while (stream < 1024 && channels.count(stream) != 0) {
            stream += 2;
        }
        channel->streamId = stream;
        channel->maxMessageSize =
            std::min(remote ? remote->maxMessageSize : 65536, localMaxMessageSize);
        if (channel->maxMessageSize == 0) {
            channel->maxMessageSize = localMaxMessageSize;
        }
        channels[stream] = channel;
    }
    std::uint8_t type = kChannelReliable;
    std::uint32_t parameter = 0;
    if (channel->reliability.maxRetransmits) {
        type = kChannelPartialRetransmit;
        parameter = *channel->reliability.maxRetransmits;
    } else if (channel->reliability.maxPacketLifeTime) {
        type = kChannelPartialTimed;
        parameter = *channel->reliability.maxPacketLifeTime;
    }
    if (channel->reliability.unordered) {
        type |= kChannelUnorderedBit;
    }
    const std::vector<std::uint8_t> message =
        buildDcepOpen({type, parameter, channel->label, channel->protocol});
    std::vector<std::byte> open(message.size());
    std::memcpy(open.data(), message.data(), message.size());
    send(nullptr, *channel->streamId, kPpidControl, open.data(), open.size(), true);
}

void PeerConnectionState::resetStream(std::uint16_t stream) {
    if (sctpSocket == nullptr) {
        return;
    }
    std::vector<std::uint8_t> buffer(sizeof(sctp_reset_streams) + sizeof(std::uint16_t));
    auto* request = reinterpret_cast<sctp_reset_streams*>(buffer.data());
    request->srs_flags = SCTP_STREAM_RESET_OUTGOING;
    request->srs_number_streams = 1;
    request->srs_stream_list[0] = stream;
    usrsctp_setsockopt(sctpSocket, IPPROTO_SCTP, SCTP_RESET_STREAMS, request,
                       static_cast<socklen_t>(buffer.size()));
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
