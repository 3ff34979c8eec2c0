// DTLS over the ICE datagrams, with OpenSSL: the handshake, its timer, the peer's
// fingerprint, and the silence that means the peer is gone.

#include "rtc/peer_connection_state.h"

#include <spdlog/spdlog.h>

#include "rtc/certificate.h"
#include "rtc/peer_connection_internal.h"

namespace rtc {

using namespace detail;

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

} // namespace rtc
