#include "network/transport_manager.h"

#include <spdlog/spdlog.h>

#include "common/main_thread.h"

namespace nimbral {

namespace {

bool p2pCompatible(quint32 natClass) {
    return natClass <= 3;
}

} // namespace

TransportManager::TransportManager(QObject* parent)
    : QObject(parent) {
    m_p2pTimer.setSingleShot(true);
    m_p2pTimer.setInterval(kP2PTimeoutMs);
    connect(&m_p2pTimer, &QTimer::timeout, this, &TransportManager::onP2PTimeout);
}

TransportManager::~TransportManager() {
    disconnect();
}

std::optional<RelayCandidate> TransportManager::pickRelay(const QList<RelayCandidate>& candidates) {
    if (candidates.isEmpty()) {
        return std::nullopt;
    }
    RelayCandidate pick = candidates.first();
    for (qsizetype i = 1; i < candidates.size(); ++i) {
        const RelayCandidate& next = candidates.at(i);
        if (next.metric >= 0 && (pick.metric < 0 || next.metric < pick.metric)) {
            pick = next;
        }
    }
    return pick;
}

void TransportManager::dropTransport(ITransport* transport) {
    if (transport == nullptr) {
        return;
    }
    QObject::disconnect(transport, nullptr, this, nullptr);
    // Stopped now, whatever its state: one still connecting or waiting to reconnect would go on
    // until its deletion, which a nested event loop (an error message box) can put off.
    transport->disconnect();
    // Never destroyed inside one of its own signals: disconnect() may be reached from there.
    transport->deleteLater();
}

void TransportManager::disconnect() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_p2pTimer.stop();
    m_active = nullptr;
    dropTransport(m_p2p);
    dropTransport(m_relay);
    m_p2p = nullptr;
    m_relay = nullptr;
    m_sessionId.clear();
    m_candidates.clear();
}

void TransportManager::establishConnection(const QString& sessionId, quint32 localNatClass,
                                           quint32 remoteNatClass,
                                           const QList<RelayCandidate>& candidates, bool offerer) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    disconnect();
    m_sessionId = sessionId;
    m_candidates = candidates;
    spdlog::info("TransportManager: establishing connection for session {}",
                 sessionId.toStdString());
    spdlog::info("TransportManager: local NAT={}, remote NAT={}, relay candidates={}",
                 localNatClass, remoteNatClass, candidates.size());
    if (!p2pCompatible(localNatClass) || !p2pCompatible(remoteNatClass)) {
        spdlog::info(
            "TransportManager: NAT type(s) incompatible with P2P, going directly to relay");
        startRelay();
        return;
    }
    spdlog::info("TransportManager: both NATs are P2P-compatible, trying P2P first");
    startP2P(offerer);
}

void TransportManager::startP2P(bool offerer) {
    dropTransport(m_p2p);
    m_p2p = new P2PTransport(m_p2pSettings, this);
    connect(m_p2p, &ITransport::connected, this, &TransportManager::onP2PConnected);
    connect(m_p2p, &ITransport::transportError, this, &TransportManager::onP2PError);
    connect(m_p2p, &P2PTransport::localDescriptionReady, this,
            &TransportManager::localDescriptionReady);
    connect(m_p2p, &P2PTransport::localCandidateReady, this,
            &TransportManager::localCandidateReady);
    m_p2pTimer.start();
    if (offerer) {
        m_p2p->startAsOfferer();
    } else {
        m_p2p->startAsAnswerer();
    }
}

void TransportManager::startRelay() {
    const auto candidate = pickRelay(m_candidates);
    if (!candidate) {
        spdlog::error("TransportManager: no relay candidates available");
        emit connectionFailed(QStringLiteral("No relay candidates available"));
        return;
    }
    spdlog::info("TransportManager: connecting to relay node '{}' at {}:{}",
                 candidate->nodeId.toStdString(), candidate->host.toStdString(), candidate->port);
    dropTransport(m_relay);
    m_relay = new RelayTransport(this);
    m_relay->setSessionId(m_sessionId);
    m_relay->setRelayToken(m_relayToken);
    m_relay->setTls(candidate->tls);
    connect(m_relay, &ITransport::connected, this, &TransportManager::onRelayConnected);
    connect(m_relay, &ITransport::transportError, this, &TransportManager::onRelayError);
    if (!m_relay->connect(candidate->host.toStdString(), candidate->port)) {
        spdlog::error("TransportManager: relay connect() returned false");
        emit connectionFailed(QStringLiteral("Failed to initiate relay connection"));
    }
}

void TransportManager::setRelayToken(const QString& token) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_relayToken = token;
    if (m_relay) {
        m_relay->setRelayToken(token);
    }
}

void TransportManager::setRemoteDescription(const std::string& sdp, const std::string& type) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (m_p2p) {
        m_p2p->setRemoteDescription(sdp, type);
    }
}

void TransportManager::addRemoteCandidate(const std::string& candidate, const std::string& mid) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (m_p2p) {
        m_p2p->addRemoteCandidate(candidate, mid);
    }
}

void TransportManager::onP2PConnected() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::info("TransportManager: P2P connection established");
    m_p2pTimer.stop();
    m_active = m_p2p;
    dropTransport(m_relay);
    m_relay = nullptr;
    emit connectionEstablished(QStringLiteral("p2p"));
}

void TransportManager::onP2PError(const QString& error) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::warn("TransportManager: P2P error: {}", error.toStdString());
}

void TransportManager::onP2PTimeout() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::warn("TransportManager: P2P connection timed out after {} ms, falling back to relay",
                 kP2PTimeoutMs);
    if (m_p2p) {
        m_p2p->disconnect();
    }
    startRelay();
}

void TransportManager::onRelayConnected() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::info("TransportManager: relay connection established");
    m_p2pTimer.stop();
    m_active = m_relay;
    if (m_p2p) {
        m_p2p->disconnect();
    }
    emit connectionEstablished(QStringLiteral("relay"));
}

void TransportManager::onRelayError(const QString& error) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::error("TransportManager: relay connection failed: {}", error.toStdString());
    // The failure is final for this session: no reconnect of the relay behind its back.
    if (m_relay) {
        m_relay->disconnect();
    }
    emit connectionFailed(QStringLiteral("All connection methods failed. Last error: ") + error);
}

} // namespace nimbral
