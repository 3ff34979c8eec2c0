// Two devices through the relay: their relay tokens on every path, and a relay link that breaks
// while connected.

#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

#include "session_pair.h"

namespace nimbral {
namespace {

using SessionRelay = test::SessionPairTest;

// The user-confirmed path: the Target learns its relay token only from the server's answer to its
// acknowledgement. Both devices know tokens, so the real relay pairs only their holders.
TEST_F(SessionRelay, ThePairingCodePathJoinsTheRelayWithTheTargetsToken) {
    makeDevices(300, /*blockP2P=*/true);
    confirmRequestsAtTheTarget();
    master->session.initiateSession(target->clientId(), target->auth.pairingCode());
    ASSERT_WAIT(master->session.state() == SessionState::Connected &&
                    target->session.state() == SessionState::Connected,
                15000);
    EXPECT_EQ(target->session.connectionMethod(), "relay");
    const QString sessionId = master->session.sessionId();
    barrier(QStringLiteral("paired by tokens"));
    EXPECT_FALSE(s_server->output().contains("session " + sessionId + " pairs on the relay by"))
        << "both devices know tokens: the relay must have required them";
}

// A relay in the test's hands: it pairs the first two connections, keeps their joins, and can
// break both streams with a frame header no relay sends.
class BreakableRelay : public QObject {
public:
    BreakableRelay() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                const int from = static_cast<int>(m_sockets.size());
                m_sockets.push_back(socket);
                QObject::connect(socket, &QTcpSocket::readyRead, this,
                                 [this, from] { pass(from); });
            }
            if (m_sockets.size() == 2) {
                pass(0);
                pass(1);
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    void breakStreams() {
        for (QTcpSocket* socket : m_sockets) {
            socket->write(QByteArray::fromHex("0700000001") + "x");
        }
    }

private:
    void pass(int from) {
        if (m_sockets.size() < 2 || from > 1) {
            return;
        }
        QByteArray& pending = m_pending[from];
        pending += m_sockets[static_cast<std::size_t>(from)]->readAll();
        if (!m_joined[from]) {
            if (pending.size() < 5) {
                return;
            }
            const int join = 5 + static_cast<int>(qFromBigEndian<quint32>(pending.constData() + 1));
            if (pending.size() < join) {
                return;
            }
            pending.remove(0, join);
            m_joined[from] = true;
        }
        m_sockets[static_cast<std::size_t>(1 - from)]->write(pending);
        pending.clear();
    }

    QTcpServer m_server;
    std::vector<QTcpSocket*> m_sockets;
    bool m_joined[2] = {false, false};
    QByteArray m_pending[2];
};

// A relay stream that breaks while connected fails the session at both ends, and they say so to
// the server, which would otherwise keep the session until it is found abandoned.
TEST_F(SessionRelay, ABrokenRelayLinkClosesTheSessionOnTheServer) {
    BreakableRelay relay;
    makeDevicesBehindRelay(relay.port());
    connectPair();
    ASSERT_EQ(master->session.connectionMethod(), "relay");
    const QString sessionId = master->session.sessionId();
    relay.breakStreams();
    ASSERT_WAIT(master->session.state() == SessionState::Failed &&
                    target->session.state() == SessionState::Failed,
                5000);
    ASSERT_WAIT(s_server->output().contains("session " + sessionId + " closed by"), 5000);
    EXPECT_TRUE(s_server->output().contains("(transport_failed)"));
}

} // namespace
} // namespace nimbral
