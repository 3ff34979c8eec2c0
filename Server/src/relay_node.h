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

// The relay: two TCP connections that open with the same relay_join are paired and from then on
// every byte one sends reaches the other unchanged. The frames are end to end; after the join
// only the frame headers are followed (so that a peer that leaves and rejoins is paired again on a
// frame boundary, never in the middle of one). Memory stays bounded: each socket buffers at most kReadBufferBytes, and a
// side whose outgoing data passes kMaxPendingWriteBytes stops the other side being read (TCP
// pushes back on the sender) until it drains.
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

    RelayNode(SessionRegistry& sessions, ConnectionLimiter& limiter, QObject* parent = nullptr);
    ~RelayNode() override;

    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

    void setUnpairedTimeout(int milliseconds) { m_unpairedTimeoutMs = milliseconds; }

    int connectionCount() const { return static_cast<int>(m_peers.size()); }
    bool hasConnection(const QString& sessionId) const { return m_bySession.contains(sessionId); }
    qint64 relayedBytes() const { return m_relayedBytes; }

    // The session a join frame's payload names, or empty when it is not a relay_join.
    static std::optional<QString> joinedSession(const QByteArray& payload);

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

    SessionRegistry& m_sessions;
    GuardedTcpServer m_server;
    QHash<QTcpSocket*, Peer*> m_peers;
    QHash<QString, QList<Peer*>> m_bySession;
    int m_unpairedTimeoutMs = kUnpairedTimeoutMs;
    qint64 m_relayedBytes = 0;
};

} // namespace nimbral::server
