#include "relay_node.h"

#include <QTcpSocket>
#include <QTimer>

#include <spdlog/spdlog.h>

#include "common/relay_frame.h"
#include "json_text.h"
#include "relay_frame_cursor.h"
#include "session_registry.h"
#include "source_address.h"

namespace nimbral::server {

struct RelayNode::Peer {
    QTcpSocket* socket = nullptr;
    QString sessionId; // empty until the join was accepted
    Peer* partner = nullptr;
    QTimer timer; // join deadline, then the unpaired deadline
    QString address;
    QString source;     // what the waiting budget is counted under
    QString party;      // the client ID whose relay token it joined with; empty without one
    qint64 waiting = 0; // bytes queued for this peer, as last counted into the budgets
    // This peer's stream as passed on so far, and what was read from it but not yet passed on
    // (kept across a partner's leaving, for the next one).
    RelayFrameCursor sent;
    QByteArray held;
    // A receiver left in the middle of one of this peer's frames: the rest of that frame goes
    // nowhere, so the next partner starts on a frame boundary.
    bool discarding = false;
};

RelayNode::RelayNode(SessionRegistry& sessions, ConnectionLimiter& limiter, QObject* parent)
    : QObject(parent)
    , m_sessions(sessions)
    , m_server(limiter, QStringLiteral("RelayNode")) {
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, &RelayNode::onNewConnection);
}

RelayNode::~RelayNode() {
    const auto peers = m_peers.values();
    for (Peer* peer : peers) {
        peer->socket->disconnect(this);
        peer->socket->abort();
        delete peer->socket;
        delete peer;
    }
}

bool RelayNode::listen(const QHostAddress& address, quint16 port) {
    return m_server.listen(address, port);
}

void RelayNode::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto* peer = new Peer;
        peer->socket = socket;
        peer->address =
            socket->peerAddress().toString() + ":" + QString::number(socket->peerPort());
        peer->source = sourceOf(socket->peerAddress());
        socket->setParent(nullptr);
        socket->setReadBufferSize(kReadBufferBytes);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_peers.insert(socket, peer);

        connect(socket, &QTcpSocket::readyRead, this, [this, peer] {
            if (peer->sessionId.isEmpty()) {
                readJoin(peer);
            } else if (peer->partner != nullptr) {
                pump(peer);
            }
        });
        // The receiving side draining is what lets a held-back sender be read again.
        connect(socket, &QTcpSocket::bytesWritten, this, [this, peer] {
            noteWritten(peer);
            if (peer->partner != nullptr) {
                pump(peer->partner);
            }
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, peer] { drop(peer); });

        peer->timer.setSingleShot(true);
        connect(&peer->timer, &QTimer::timeout, this, [this, peer] {
            spdlog::info("RelayNode: {} {}, closing", peer->address.toStdString(),
                         peer->sessionId.isEmpty() ? "sent no join in time"
                                                   : "was not paired in time");
            closePeer(peer);
        });
        peer->timer.start(kJoinTimeoutMs);
    }
}

std::optional<RelayNode::Join> RelayNode::parseJoin(const QByteArray& payload) {
    const auto join = parseJson(std::string_view(payload.constData(), payload.size()));
    if (!join || !join->is_object()) {
        return std::nullopt;
    }
    const auto type = join->find("type");
    const auto session = join->find("session_id");
    const auto token = join->find("relay_token");
    if (type == join->end() || !type->is_string() || *type != "relay_join" ||
        session == join->end() || !session->is_string() ||
        (token != join->end() && !token->is_string())) {
        return std::nullopt;
    }
    return Join{QString::fromStdString(session->get<std::string>()),
                token == join->end() ? QString()
                                     : QString::fromStdString(token->get<std::string>())};
}

void RelayNode::readJoin(Peer* peer) {
    QTcpSocket* socket = peer->socket;
    if (socket->bytesAvailable() < kHeaderBytes) {
        return;
    }
    char header[kHeaderBytes];
    socket->peek(header, kHeaderBytes);
    const quint8 channel = relay_frame::channelOf(header);
    const quint32 length = relay_frame::lengthOf(header);
    const auto refuse = [&](const char* why) {
        spdlog::warn("RelayNode: {} refused: {}", peer->address.toStdString(), why);
        closePeer(peer);
    };
    if (channel > relay_frame::kMaxChannel) {
        return refuse("invalid channel byte");
    }
    if (length > kMaxFramePayload) {
        return refuse("frame longer than 16 MiB");
    }
    if (channel != 0 || length > kMaxJoinPayload) {
        return refuse("first frame is not a join");
    }
    if (socket->bytesAvailable() < kHeaderBytes + length) {
        return;
    }
    socket->skip(kHeaderBytes);
    const QByteArray payload = socket->read(length);
    const std::optional<Join> join = parseJoin(payload);
    if (!join) {
        return refuse("first frame is not a relay_join");
    }
    const QString sessionId = join->sessionId;
    const Session* session = m_sessions.find(sessionId);
    if (session == nullptr || !m_sessions.isJoinable(sessionId)) {
        return refuse("unknown or ended session");
    }
    QString party;
    if (!join->relayToken.isEmpty()) {
        party = session->relayTokenHolder(join->relayToken);
        if (party.isEmpty()) {
            return refuse("wrong relay token for the session");
        }
    } else if (session->relayTokensRequired) {
        return refuse("no relay token, and both parties of the session hold one");
    }
    const QList<Peer*> joined = m_bySession.value(sessionId);
    if (joined.size() >= 2) {
        return refuse("session already has two peers");
    }
    if (!party.isEmpty() && !joined.isEmpty() && joined.first()->party == party) {
        return refuse("that party of the session is already joined");
    }

    peer->sessionId = sessionId;
    peer->party = party;
    QList<Peer*>& members = m_bySession[sessionId];
    members.append(peer);
    if (members.size() == 2) {
        Peer* other = members.first();
        peer->partner = other;
        other->partner = peer;
        peer->timer.stop();
        other->timer.stop();
        spdlog::info("RelayNode: session {} paired ({} <-> {})", sessionId.toStdString(),
                     other->address.toStdString(), peer->address.toStdString());
        // Whatever either side sent while waiting goes out now. Passing data on can end a
        // connection, so the second peer is looked up again rather than trusted.
        QTcpSocket* socket = peer->socket;
        pump(other);
        if (Peer* still = m_peers.value(socket)) {
            pump(still);
        }
    } else {
        spdlog::info("RelayNode: {} joined session {}, waiting for its partner",
                     peer->address.toStdString(), sessionId.toStdString());
        startUnpairedTimer(peer);
    }
}

void RelayNode::pump(Peer* from) {
    // The partner is looked up on every turn: writing to it can end it (and unpair `from`).
    while (Peer* to = from->partner) {
        if (from->held.isEmpty()) {
            const qint64 available = from->socket->bytesAvailable();
            if (available <= 0) {
                return;
            }
            from->held = from->socket->read(qMin(available, kReadBufferBytes));
            if (from->held.isEmpty()) {
                return;
            }
        }
        if (from->discarding) {
            const qint64 skipped =
                from->sent.advance(from->held.constData(), from->held.size(), true);
            if (skipped < 0) {
                return refuseStream(from);
            }
            from->held.remove(0, skipped);
            from->discarding = !from->sent.atBoundary();
            continue;
        }
        const qint64 room = kMaxPendingWriteBytes - to->socket->bytesToWrite();
        if (room <= 0) {
            return; // resumed by the receiver's bytesWritten
        }
        const qint64 budget = budgetFor(to);
        if (budget <= 0) {
            // Resumed when anything counted against that budget drains.
            if (!m_starved.contains(from->socket)) {
                m_starved.append(from->socket);
            }
            return;
        }
        const qint64 size = qMin<qint64>(qMin(room, budget), from->held.size());
        if (from->sent.advance(from->held.constData(), size) < 0) {
            return refuseStream(from);
        }
        to->socket->write(from->held.constData(), size);
        from->held.remove(0, size);
        m_relayedBytes += size;
        // Hand the bytes to the kernel now rather than on the next loop turn: one loop turn
        // less of delay for every relayed input event.
        to->socket->flush();
        // Writing may have ended the receiver; it is counted only while it is still there.
        if (from->partner == to) {
            noteWritten(to);
        }
    }
}

qint64 RelayNode::budgetFor(const Peer* to) const {
    return qMin(m_maxWaitingPerSource - m_waitingBySource.value(to->source),
                m_maxWaitingTotal - m_waitingTotal);
}

void RelayNode::noteWritten(Peer* peer) {
    const qint64 now = peer->socket->bytesToWrite();
    const qint64 change = now - peer->waiting;
    if (change == 0) {
        return;
    }
    peer->waiting = now;
    m_waitingTotal += change;
    qint64& bySource = m_waitingBySource[peer->source];
    bySource += change;
    if (bySource <= 0) {
        m_waitingBySource.remove(peer->source);
    }
    if (change < 0) {
        wakeStarved();
    }
}

void RelayNode::wakeStarved() {
    if (m_starved.isEmpty() || m_wakeQueued) {
        return;
    }
    // Later: this runs inside a write's bookkeeping, and pumping may end connections.
    m_wakeQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_wakeQueued = false;
            const QList<QTcpSocket*> starved = std::exchange(m_starved, {});
            for (QTcpSocket* socket : starved) {
                // Looked up by socket: pumping one peer may end another.
                if (Peer* peer = m_peers.value(socket)) {
                    pump(peer);
                }
            }
        },
        Qt::QueuedConnection);
}

void RelayNode::refuseStream(Peer* from) {
    // Its partner may hold the start of the broken header: neither stream can go on.
    spdlog::warn("RelayNode: {} sent an invalid frame header in session {}, closing both peers",
                 from->address.toStdString(), from->sessionId.toStdString());
    if (Peer* partner = from->partner) {
        QMetaObject::invokeMethod(partner->socket, &QTcpSocket::abort, Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(from->socket, &QTcpSocket::abort, Qt::QueuedConnection);
    from->partner = nullptr;
}

void RelayNode::startUnpairedTimer(Peer* peer) {
    peer->timer.start(m_unpairedTimeoutMs);
}

void RelayNode::drop(Peer* peer) {
    if (m_peers.remove(peer->socket) == 0) {
        return;
    }
    if (!peer->sessionId.isEmpty()) {
        auto it = m_bySession.find(peer->sessionId);
        if (it != m_bySession.end()) {
            it->removeAll(peer);
            if (it->isEmpty()) {
                m_bySession.erase(it);
            }
        }
        if (Peer* partner = peer->partner) {
            partner->partner = nullptr;
            if (!peer->sent.atBoundary()) {
                // The partner holds the start of a frame whose end will never come; no new
                // partner can continue it, so the partner goes too (its device reconnects).
                spdlog::info("RelayNode: {} left session {} in the middle of a frame, closing "
                             "its partner",
                             peer->address.toStdString(), peer->sessionId.toStdString());
                const auto members = m_bySession.find(peer->sessionId);
                if (members != m_bySession.end()) {
                    members->removeAll(partner);
                    if (members->isEmpty()) {
                        m_bySession.erase(members);
                    }
                }
                // Later: this may run inside a pump of the partner.
                QMetaObject::invokeMethod(partner->socket, &QTcpSocket::abort,
                                          Qt::QueuedConnection);
            } else {
                partner->discarding = !partner->sent.atBoundary();
                spdlog::info("RelayNode: {} left session {}, partner waits to be paired again",
                             peer->address.toStdString(), peer->sessionId.toStdString());
                startUnpairedTimer(partner);
            }
        }
    }
    m_starved.removeAll(peer->socket);
    if (peer->waiting != 0) {
        m_waitingTotal -= peer->waiting;
        qint64& bySource = m_waitingBySource[peer->source];
        bySource -= peer->waiting;
        if (bySource <= 0) {
            m_waitingBySource.remove(peer->source);
        }
        peer->waiting = 0;
        wakeStarved();
    }
    peer->timer.stop();
    peer->socket->disconnect(this);
    peer->socket->deleteLater();
    delete peer;
}

void RelayNode::closePeer(Peer* peer) {
    // Forget the peer first: aborting emits disconnected, which must not reach drop() again.
    QTcpSocket* socket = peer->socket;
    drop(peer);
    socket->abort();
}

void RelayNode::closeSession(const QString& sessionId) {
    const QList<Peer*> members = m_bySession.value(sessionId);
    for (Peer* peer : members) {
        closePeer(peer);
    }
}

} // namespace nimbral::server
