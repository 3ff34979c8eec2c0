#pragma once

#include <optional>

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include "connection_guard.h"
#include "relay_frame_cursor.h"

class QTcpSocket;

namespace nimbral::server {

class SessionRegistry;

// The relay: two TCP connections that open with a relay_join for the same session are paired and
// from then on every byte one sends reaches the other unchanged. A join carries the party's own
// relay token, which the session handed to that party alone; when both parties know tokens only
// their holders are paired, one per party, so knowing a session's ID is not enough to take a
// party's place. The frames are end to end; after the join only the frame headers are followed
// (so that a peer that leaves and rejoins is paired again on a frame boundary, never in the
// middle of one).
// Memory stays bounded: each socket buffers at most kReadBufferBytes, and a sender is not read
// while its receiver has kMaxPendingWriteBytes waiting, while the receiver's source (an address
// or an IPv6 /64) has the per-source budget waiting over all its connections, or while the relay
// as a whole has its total budget waiting; TCP then pushes back on the sender until it drains.
// Main thread only.
class RelayNode : public QObject {
    Q_OBJECT

public:
    static constexpr int kHeaderBytes = RelayFrameCursor::kHeaderBytes;
    static constexpr quint32 kMaxFramePayload = RelayFrameCursor::kMaxPayload;
    static constexpr quint32 kMaxJoinPayload = 4096;
    static constexpr qint64 kReadBufferBytes = 256 * 1024;
    static constexpr qint64 kMaxPendingWriteBytes = 8 * 1024 * 1024;
    static constexpr int kJoinTimeoutMs = 10000;
    static constexpr int kUnpairedTimeoutMs = 30000;
    static constexpr qint64 kMaxWaitingPerSourceBytes = 32 * 1024 * 1024;
    static constexpr qint64 kMaxWaitingTotalBytes = 512 * 1024 * 1024;

    struct Join {
        QString sessionId;
        QString relayToken; // empty from a party that knows none
    };

    RelayNode(SessionRegistry& sessions, ConnectionLimiter& limiter, QObject* parent = nullptr);
    ~RelayNode() override;

    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

    void setUnpairedTimeout(int milliseconds) { m_unpairedTimeoutMs = milliseconds; }
    // Speaks TLS on the relay port (the server's own certificate).
    void setTls(const QSslConfiguration& configuration) { m_server.setTls(configuration); }
    // Overrides the per-source and total budgets of data waiting for receivers (tests).
    void setWaitingBudgets(qint64 perSourceBytes, qint64 totalBytes) {
        m_maxWaitingPerSource = perSourceBytes;
        m_maxWaitingTotal = totalBytes;
    }
    qint64 waitingBytes() const { return m_waitingTotal; }

    int connectionCount() const { return static_cast<int>(m_peers.size()); }
    bool hasConnection(const QString& sessionId) const { return m_bySession.contains(sessionId); }
    qint64 relayedBytes() const { return m_relayedBytes; }

    // The session and token a join frame's payload names; nothing when it is not a relay_join.
    static std::optional<Join> parseJoin(const QByteArray& payload);

    // Ends both connections of a session (it was closed or failed).
    void closeSession(const QString& sessionId);

private:
    struct Peer;

    void onNewConnection();
    void readJoin(Peer* peer);
    void pump(Peer* from);
    void startUnpairedTimer(Peer* peer);
    void drop(Peer* peer);
    void closePeer(Peer* peer);
    void refuseStream(Peer* from);
    // What may still be queued for `to` under the per-source and total budgets.
    qint64 budgetFor(const Peer* to) const;
    void noteWritten(Peer* peer);
    void wakeStarved();

    SessionRegistry& m_sessions;
    GuardedTcpServer m_server;
    QHash<QTcpSocket*, Peer*> m_peers;
    QHash<QString, QList<Peer*>> m_bySession;
    int m_unpairedTimeoutMs = kUnpairedTimeoutMs;
    qint64 m_relayedBytes = 0;
    qint64 m_maxWaitingPerSource = kMaxWaitingPerSourceBytes;
    qint64 m_maxWaitingTotal = kMaxWaitingTotalBytes;
    qint64 m_waitingTotal = 0;
    QHash<QString, qint64> m_waitingBySource;
    // Senders held back by a budget rather than by their own receiver: any drain may free them.
    QList<QTcpSocket*> m_starved;
    bool m_wakeQueued = false;
};

} // namespace nimbral::server
