#include "rtc/dtls_transport.h"

#include <spdlog/spdlog.h>

#include "rtc/certificate.h"
#include "rtc/stack_constants.h"

// C libraries last.
#include <glib.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

namespace rtc::detail {

namespace {

int sessionOwnerIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

} // namespace

void DtlsTransport::ContextFree::operator()(SSL_CTX* context) const {
    SSL_CTX_free(context);
}

void DtlsTransport::SessionFree::operator()(SSL* session) const {
    SSL_free(session);
}

// The write side of the session: each DTLS datagram goes straight down to ICE.
BIO_METHOD* DtlsTransport::datagramBioMethod() {
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
            auto* transport = static_cast<DtlsTransport*>(BIO_get_data(bio));
            if (transport != nullptr) {
                transport->m_lower.send(data, static_cast<std::size_t>(length));
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

int DtlsTransport::verifyPeer(int, X509_STORE_CTX* store) {
    SSL* session =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    const auto* transport =
        static_cast<const DtlsTransport*>(SSL_get_ex_data(session, sessionOwnerIndex()));
    if (X509_STORE_CTX_get_error_depth(store) != 0) {
        return 1; // self-signed: only the leaf and its fingerprint matter
    }
    if (transport == nullptr) {
        return 0;
    }
    const std::string presented =
        fingerprintOf(X509_STORE_CTX_get0_cert(store), transport->m_peer.algorithm);
    const bool matches =
        !presented.empty() &&
        g_ascii_strcasecmp(presented.c_str(), transport->m_peer.value.c_str()) == 0;
    if (!matches) {
        spdlog::warn(
            "rtc: DTLS peer certificate does not match the fingerprint of its description");
    }
    return matches ? 1 : 0;
}

DtlsTransport::DtlsTransport(Transport& lower, bool client, PeerFingerprint peer, Events events)
    : m_lower(lower)
    , m_client(client)
    , m_peer(std::move(peer))
    , m_events(std::move(events)) {
    const std::lock_guard lock(m_mutex);
    m_context.reset(SSL_CTX_new(DTLS_method()));
    SSL_CTX* context = m_context.get();
    SSL_CTX_set_min_proto_version(context, DTLS1_2_VERSION);
    SSL_CTX_use_certificate(context, processCertificate().certificate);
    SSL_CTX_use_PrivateKey(context, processCertificate().key);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT,
                       &DtlsTransport::verifyPeer);
    SSL_CTX_set_cipher_list(context, "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-ECDSA-CHACHA20-POLY1305:"
                                     "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES128-GCM-SHA256:"
                                     "ECDHE-RSA-CHACHA20-POLY1305:ECDHE-RSA-AES256-GCM-SHA384");
    SSL_CTX_set1_groups_list(context, "X25519:P-256:P-384");
    SSL_CTX_set_read_ahead(context, 1);
    m_session.reset(SSL_new(context));
    SSL* session = m_session.get();
    SSL_set_ex_data(session, sessionOwnerIndex(), this);
    SSL_set_options(session, SSL_OP_NO_QUERY_MTU);
    SSL_set_mtu(session, kDtlsMtu);
    m_readBio = BIO_new(BIO_s_mem());
    BIO_set_mem_eof_return(m_readBio, -1);
    BIO* writeBio = BIO_new(datagramBioMethod());
    BIO_set_data(writeBio, this);
    SSL_set_bio(session, m_readBio, writeBio);
    if (m_client) {
        SSL_set_connect_state(session);
    } else {
        SSL_set_accept_state(session);
    }
}

DtlsTransport::~DtlsTransport() {
    close();
}

void DtlsTransport::close() {
    const std::lock_guard lock(m_mutex);
    m_timer.cancel();
    if (m_session && m_done) {
        SSL_shutdown(m_session.get()); // the close_notify goes down while ICE still carries it
    }
    m_session.reset();
    m_readBio = nullptr;
    m_context.reset();
}

void DtlsTransport::armTimer() {
    m_timer.cancel();
    timeval timeout{};
    if (!m_session || m_done || !DTLSv1_get_timeout(m_session.get(), &timeout)) {
        return;
    }
    const auto ms = static_cast<unsigned>(timeout.tv_sec * 1000 + timeout.tv_usec / 1000) + 1;
    std::weak_ptr<DtlsTransport> weak = weak_from_this();
    m_timer.start(ms, [this, weak] {
        const std::lock_guard lock(m_mutex);
        if (m_session && !m_done) {
            DTLSv1_handle_timeout(m_session.get());
            // Re-armed from outside the timer's own callback.
            EventLoop::instance().post([weak] {
                if (auto again = weak.lock()) {
                    const std::lock_guard relock(again->m_mutex);
                    again->armTimer();
                }
            });
        }
        return false;
    });
}

void DtlsTransport::start() {
    if (!m_client) {
        return;
    }
    const std::lock_guard lock(m_mutex);
    if (m_session) {
        SSL_do_handshake(m_session.get());
        armTimer();
    }
}

bool DtlsTransport::send(const char* data, std::size_t length) {
    const std::lock_guard lock(m_mutex);
    if (!m_session || !m_done) {
        return false;
    }
    return SSL_write(m_session.get(), data, static_cast<int>(length)) == static_cast<int>(length);
}

DtlsTransport::Step DtlsTransport::handshakeStep() {
    const int result = SSL_do_handshake(m_session.get());
    if (result == 1) {
        m_done = true;
        m_timer.cancel();
        return Step::Connected;
    }
    const int error = SSL_get_error(m_session.get(), result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        armTimer();
        return Step::Waiting;
    }
    m_failed = true;
    m_timer.cancel();
    spdlog::warn("rtc: DTLS handshake failed: {}", ERR_error_string(ERR_get_error(), nullptr));
    return Step::Failed;
}

void DtlsTransport::incoming(const char* data, std::size_t length) {
    if (length == 0 || static_cast<std::uint8_t>(data[0]) < 20 ||
        static_cast<std::uint8_t>(data[0]) > 63) {
        return; // RFC 7983: only DTLS is ours to read
    }
    Step step = Step::Waiting;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_session || m_failed) {
            return;
        }
        BIO_write(m_readBio, data, static_cast<int>(length));
        if (!m_done) {
            step = handshakeStep();
        }
    }
    // The events run without the lock: the connection may close the stack in answer.
    if (step == Step::Failed) {
        m_events.failed();
        return;
    }
    if (step == Step::Connected) {
        m_events.connected();
    }
    if (m_done) {
        readRecords();
    }
}

void DtlsTransport::readRecords() {
    for (;;) {
        int read = 0;
        {
            const std::lock_guard lock(m_mutex);
            if (!m_session) {
                return;
            }
            read = SSL_read(m_session.get(), m_readBuffer.data(),
                            static_cast<int>(m_readBuffer.size()));
            if (read <= 0) {
                return;
            }
        }
        // Without the lock: SCTP may answer at once, down through send().
        deliverUp(reinterpret_cast<const char*>(m_readBuffer.data()),
                  static_cast<std::size_t>(read));
    }
}

} // namespace rtc::detail
