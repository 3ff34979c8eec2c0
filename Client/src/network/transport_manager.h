#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "network/p2p_transport.h"
#include "network/relay_transport.h"

namespace nimbral {

// Chooses the link of one session: WebRTC first when both NAT classes allow it (0..3), the
// relay when P2P has not connected within 5 s (or straight away for other NAT classes). Carries
// the P2P offer/answer/candidates between the transport and the session manager. Transports are
// destroyed with deleteLater, so disconnect() may run inside one of their own signals. Main
// thread only.
class TransportManager : public QObject {
    Q_OBJECT

public:
    static constexpr int kP2PTimeoutMs = 5000;

    explicit TransportManager(QObject* parent = nullptr);
    ~TransportManager() override;

    void establishConnection(const QString& sessionId, quint32 localNatClass,
                             quint32 remoteNatClass, const QList<RelayCandidate>& candidates,
                             bool offerer);
    void disconnect();
    // This party's key to the session's relay; may arrive after establishConnection (the
    // Target's comes with the server's answer to its acknowledgement).
    void setRelayToken(const QString& token);
    ITransport* activeTransport() const { return m_active; }
    void setRemoteDescription(const std::string& sdp, const std::string& type);
    void addRemoteCandidate(const std::string& candidate, const std::string& mid);

    // The candidate a relay attempt uses: the smallest non-negative metric, the earliest among
    // equals, or the first entry when no metric is known. Empty list: nullopt.
    static std::optional<RelayCandidate> pickRelay(const QList<RelayCandidate>& candidates);

    // Deployment and test hooks: how P2P transports are configured, and the P2P time-out.
    void setP2PSettings(P2PSettings settings) { m_p2pSettings = std::move(settings); }
    void setP2PTimeout(int milliseconds) { m_p2pTimer.setInterval(milliseconds); }
    // Whether the fallback to the relay is still armed.
    bool p2pDeadlinePending() const { return m_p2pTimer.isActive(); }
    P2PTransport* p2pTransport() const { return m_p2p; }
    RelayTransport* relayTransport() const { return m_relay; }

signals:
    void connectionEstablished(const QString& method);
    void connectionFailed(const QString& reason);
    void localDescriptionReady(const QString& sdp, const QString& type);
    void localCandidateReady(const QString& candidate, const QString& mid);

public slots:
    void onP2PConnected();
    void onP2PError(const QString& error);
    void onP2PTimeout();
    void onRelayConnected();
    void onRelayError(const QString& error);

private:
    void startP2P(bool offerer);
    void startRelay();
    void dropTransport(ITransport* transport);

    QPointer<P2PTransport> m_p2p;
    QPointer<RelayTransport> m_relay;
    ITransport* m_active = nullptr;
    QTimer m_p2pTimer;
    QString m_sessionId;
    QString m_relayToken;
    QList<RelayCandidate> m_candidates;
    P2PSettings m_p2pSettings;
};

} // namespace nimbral
