#include "network/relay_transport.h"

#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "log_capture.h"
#include "server_harness.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using nlohmann::json;

QByteArray bytesOf(const QList<QVariant>& signal) {
    return signal.at(1).toByteArray();
}

bool sendBytes(ITransport& transport, ChannelType channel, const QByteArray& bytes) {
    return transport.send(channel, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size()));
}

TEST(RelayJoin, IsTheExactFrameTheRelayExpects) {
    const QByteArray frame = RelayTransport::joinFrame("abc");
    EXPECT_EQ(frame.left(5).toHex(), "0000000028");
    EXPECT_EQ(frame.mid(5), R"({"session_id":"abc","type":"relay_join"})");
    const QByteArray withToken = RelayTransport::joinFrame("abc", "tok");
    EXPECT_EQ(withToken.left(5).toHex(), "000000003c");
    EXPECT_EQ(withToken.mid(5), R"({"relay_token":"tok","session_id":"abc","type":"relay_join"})");
}

// A server with TLS: the relay transport speaks TLS to it, checked against the server's
// certificate, and joins with its party's token.
TEST(RelayTransportThroughRelay, OverTlsWithEachPartysToken) {
    QTemporaryDir folder;
    ASSERT_TRUE(test::makeCertificate(folder.path()));
    test::ServerProcess server(
        {"--tls-cert", folder.path() + "/cert.pem", "--tls-key", folder.path() + "/key.pem"});
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    const QSslConfiguration untouched = trusting;
    trusting.setCaCertificates(QSslCertificate::fromPath(folder.path() + "/cert.pem"));
    QSslConfiguration::setDefaultConfiguration(trusting);
    test::RestClient rest(server.baseUrl());
    rest.setSslConfiguration(trusting);
    test::Device master = test::registerDevice(rest, {}, {"relay_token"});
    test::Device target = test::registerDevice(rest, {}, {"relay_token"});
    ASSERT_TRUE(test::goOnline(master, server.baseUrl(), "Master-Pass1", "111111", trusting));
    ASSERT_TRUE(test::goOnline(target, server.baseUrl(), "T-pass1234", "222222", trusting));
    const test::HttpReply created =
        rest.post("/sessions/create",
                  json{{"master_client_id", master.clientId.toStdString()},
                       {"target_client_id", target.clientId.toStdString()},
                       {"session_password", "T-pass1234"},
                       {"capabilities", {"relay_token"}}},
                  master.token);
    ASSERT_EQ(created.status, 200) << created.raw.toStdString();
    const auto accept = target.signaling->next("SESSION_AUTO_ACCEPT");
    ASSERT_TRUE(accept);

    RelayTransport a;
    RelayTransport b;
    a.setSessionId(QString::fromStdString(created.body["session_id"]));
    b.setSessionId(QString::fromStdString(created.body["session_id"]));
    a.setRelayToken(QString::fromStdString(created.body["relay_token"]));
    b.setRelayToken(QString::fromStdString((*accept)["relay_token"]));
    a.setTls(true);
    b.setTls(true);
    QSignalSpy atB(&b, &ITransport::dataReceived);
    QSignalSpy aConnected(&a, &ITransport::connected);
    QSignalSpy bConnected(&b, &ITransport::connected);
    ASSERT_TRUE(a.connect("127.0.0.1", server.relayPort()));
    ASSERT_TRUE(b.connect("127.0.0.1", server.relayPort()));
    ASSERT_WAIT(aConnected.count() == 1 && bConnected.count() == 1, 10000);
    ASSERT_TRUE(sendBytes(a, ChannelType::Control, "sealed and in TLS"));
    ASSERT_WAIT(atB.count() == 1, 5000);
    EXPECT_EQ(bytesOf(atB.at(0)), "sealed and in TLS");

    // Without the certificate's trust the relay is not reached at all.
    QSslConfiguration::setDefaultConfiguration(untouched);
    RelayTransport stranger;
    stranger.setSessionId("any");
    stranger.setTls(true);
    QSignalSpy failed(&stranger, &ITransport::transportError);
    ASSERT_TRUE(stranger.connect("127.0.0.1", server.relayPort()));
    ASSERT_WAIT(failed.count() > 0, 10000);
    EXPECT_FALSE(stranger.isConnected());
}

// Two transports of one session through the real relay node.
TEST(RelayTransportThroughRelay, BothChannelsBothWaysByteForByte) {
    test::ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    test::RestClient rest(server.baseUrl());
    test::Device master = test::registerDevice(rest);
    test::Device target = test::registerDevice(rest);
    ASSERT_TRUE(test::goOnline(master, server.baseUrl(), "m", "111111"));
    ASSERT_TRUE(test::goOnline(target, server.baseUrl(), "t-pass", "222222"));
    const test::HttpReply created =
        rest.post("/sessions/create",
                  json{{"master_client_id", master.clientId.toStdString()},
                       {"target_client_id", target.clientId.toStdString()},
                       {"session_password", "t-pass"}},
                  master.token);
    ASSERT_EQ(created.status, 200);
    const QString sessionId = QString::fromStdString(created.body["session_id"]);

    RelayTransport a;
    RelayTransport b;
    a.setSessionId(sessionId);
    b.setSessionId(sessionId);
    QSignalSpy aConnected(&a, &ITransport::connected);
    QSignalSpy bConnected(&b, &ITransport::connected);
    QSignalSpy atA(&a, &ITransport::dataReceived);
    QSignalSpy atB(&b, &ITransport::dataReceived);
    ASSERT_TRUE(a.connect("127.0.0.1", server.relayPort()));
    ASSERT_TRUE(b.connect("127.0.0.1", server.relayPort()));
    ASSERT_WAIT(aConnected.count() == 1 && bConnected.count() == 1, 5000);

    QByteArray big(1024 * 1024, '\0');
    for (qsizetype i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 131);
    }
    ASSERT_TRUE(sendBytes(a, ChannelType::Control, "hello"));
    ASSERT_TRUE(sendBytes(a, ChannelType::Video, big));
    ASSERT_TRUE(sendBytes(a, ChannelType::Control, QByteArray()));
    ASSERT_TRUE(sendBytes(b, ChannelType::Video, "frame-from-b"));
    ASSERT_WAIT(atB.count() == 3 && atA.count() == 1, 10000);

    EXPECT_EQ(atB.at(0).at(0).value<ChannelType>(), ChannelType::Control);
    EXPECT_EQ(bytesOf(atB.at(0)), "hello");
    EXPECT_EQ(atB.at(1).at(0).value<ChannelType>(), ChannelType::Video);
    EXPECT_EQ(bytesOf(atB.at(1)), big);
    EXPECT_EQ(bytesOf(atB.at(2)), QByteArray());
    EXPECT_EQ(atA.at(0).at(0).value<ChannelType>(), ChannelType::Video);
    EXPECT_EQ(bytesOf(atA.at(0)), "frame-from-b");

    // The largest payload goes through whole; one byte more is refused before it leaves.
    const QByteArray largest(static_cast<qsizetype>(RelayTransport::kMaxPayload), 'L');
    test::LogCapture log;
    EXPECT_FALSE(sendBytes(a, ChannelType::Video, largest + "!"));
    EXPECT_TRUE(log.has(spdlog::level::err, "RelayTransport::send: payload too large (16777217 > "
                                            "16777216)"));
    ASSERT_TRUE(sendBytes(a, ChannelType::Video, largest));
    ASSERT_WAIT(atB.count() == 4, 20000);
    EXPECT_EQ(bytesOf(atB.at(3)).size(), largest.size());
    EXPECT_TRUE(bytesOf(atB.at(3)) == largest);
}

// A scripted relay for what a real one would never send.
class ScriptedRelayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        transport.setSessionId("abc");
        ASSERT_TRUE(transport.connect("127.0.0.1", server.serverPort()));
        ASSERT_TRUE(acceptPeer());
    }

    // Accepts the next connection and takes its join frame.
    bool acceptPeer() {
        if (!QTest::qWaitFor([this] { return server.hasPendingConnections(); }, 5000)) {
            return false;
        }
        peer.reset(server.nextPendingConnection());
        const QByteArray join = RelayTransport::joinFrame("abc");
        QByteArray received;
        const bool complete = QTest::qWaitFor(
            [&] {
                received += peer->readAll();
                return received.size() >= join.size();
            },
            5000);
        return complete && received == join;
    }

    void write(const QByteArray& bytes) {
        peer->write(bytes);
        peer->flush();
    }

    QTcpServer server;
    std::unique_ptr<QTcpSocket> peer;
    RelayTransport transport;
};

TEST_F(ScriptedRelayTest, FramesAreCutOutOfTheStreamWhateverTheReadsLookLike) {
    QSignalSpy received(&transport, &ITransport::dataReceived);
    const QByteArray payload(100, 'p');

    write(QByteArray::fromHex("0000000064")); // the header alone
    QTest::qWait(50);
    EXPECT_EQ(received.count(), 0);
    write(payload.left(40));
    QTest::qWait(50);
    EXPECT_EQ(received.count(), 0);
    write(payload.mid(40));
    ASSERT_WAIT(received.count() == 1, 5000);
    EXPECT_EQ(bytesOf(received.at(0)), payload);

    // Two frames in one write, then an empty one.
    write(QByteArray::fromHex("0100000002") + "v1" + QByteArray::fromHex("0000000002") + "c2" +
          QByteArray::fromHex("0100000000"));
    ASSERT_WAIT(received.count() == 4, 5000);
    EXPECT_EQ(received.at(1).at(0).value<ChannelType>(), ChannelType::Video);
    EXPECT_EQ(bytesOf(received.at(1)), "v1");
    EXPECT_EQ(received.at(2).at(0).value<ChannelType>(), ChannelType::Control);
    EXPECT_EQ(bytesOf(received.at(2)), "c2");
    EXPECT_EQ(bytesOf(received.at(3)), QByteArray());
}

TEST_F(ScriptedRelayTest, ABadHeaderEmptiesTheBufferAndReportsButKeepsTheLink) {
    QSignalSpy errors(&transport, &ITransport::transportError);
    QSignalSpy received(&transport, &ITransport::dataReceived);

    write(QByteArray::fromHex("0200000001") + "x");
    ASSERT_WAIT(errors.count() == 1, 5000);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Invalid channel type in frame header");

    write(QByteArray::fromHex("0001000001")); // 16 MiB + 1 announced, judged on the header alone
    ASSERT_WAIT(errors.count() == 2, 5000);
    EXPECT_EQ(errors.at(1).at(0).toString(), "Frame payload exceeds maximum size");

    EXPECT_TRUE(transport.isConnected());
    write(QByteArray::fromHex("0000000002") + "ok");
    ASSERT_WAIT(received.count() == 1, 5000);
    EXPECT_EQ(bytesOf(received.at(0)), "ok");
}

TEST_F(ScriptedRelayTest, ARemoteCloseIsFollowedByAReconnectionWithANewJoin) {
    QSignalSpy disconnected(&transport, &ITransport::disconnected);
    QSignalSpy connected(&transport, &ITransport::connected);
    peer->disconnectFromHost();
    ASSERT_WAIT(disconnected.count() == 1, 5000);
    EXPECT_TRUE(transport.reconnectPending());
    EXPECT_EQ(transport.reconnectDelayMs(), 1000);

    // The real timer, once: a second later the transport is back and joins again.
    ASSERT_TRUE(acceptPeer());
    ASSERT_WAIT(connected.count() == 1, 5000);
    EXPECT_TRUE(transport.isConnected());
}

TEST_F(ScriptedRelayTest, AnUnreachableRelayIsTriedAgainLaterEachTimeThenGivenUp) {
    QSignalSpy disconnected(&transport, &ITransport::disconnected);
    QSignalSpy errors(&transport, &ITransport::transportError);
    test::LogCapture log;
    server.close(); // the relay node is gone
    peer->disconnectFromHost();
    ASSERT_WAIT(disconnected.count() == 1, 5000);
    // The timer's delays double; each attempt is made here at once instead of waiting.
    for (const int delay : {1000, 2000, 4000}) {
        ASSERT_TRUE(transport.reconnectPending()) << "before the attempt after " << delay;
        EXPECT_EQ(transport.reconnectDelayMs(), delay);
        const qsizetype failures = errors.count();
        transport.attemptReconnect();
        ASSERT_WAIT(errors.count() == failures + 1, 5000);
    }
    EXPECT_FALSE(transport.reconnectPending());
    EXPECT_FALSE(transport.isConnected());
    EXPECT_EQ(disconnected.count(), 1) << "the link was lost once";
    EXPECT_TRUE(
        log.has(spdlog::level::warn, "RelayTransport: giving up after 3 reconnect attempts"));
}

TEST_F(ScriptedRelayTest, AfterDisconnectNothingReconnects) {
    QSignalSpy disconnected(&transport, &ITransport::disconnected);
    transport.disconnect();
    ASSERT_WAIT(disconnected.count() == 1, 5000);
    EXPECT_FALSE(transport.reconnectPending());
    EXPECT_FALSE(transport.isConnected());
    // Neither at once nor later: the close's own events leave no reconnection armed.
    QTest::qWait(100);
    EXPECT_FALSE(server.hasPendingConnections());
    EXPECT_FALSE(transport.reconnectPending());
}

TEST_F(ScriptedRelayTest, ConnectWhileConnectedOrConnectingIsRefused) {
    test::LogCapture log;
    EXPECT_FALSE(transport.connect("127.0.0.1", 1));
    EXPECT_TRUE(log.hasPrefix(spdlog::level::warn,
                              "RelayTransport::connect called while socket is in state"));

    RelayTransport fresh;
    ASSERT_TRUE(fresh.connect("127.0.0.1", server.serverPort()));
    EXPECT_FALSE(fresh.connect("127.0.0.1", server.serverPort())); // still connecting
}

TEST(RelayTransportAlone, SendBeforeConnectingFailsAndAFailedConnectIsFinal) {
    RelayTransport transport;
    test::LogCapture log;
    EXPECT_FALSE(sendBytes(transport, ChannelType::Control, "x"));
    EXPECT_TRUE(log.has(spdlog::level::warn, "RelayTransport::send: not connected"));

    QSignalSpy errors(&transport, &ITransport::transportError);
    ASSERT_TRUE(transport.connect("127.0.0.1", 1));
    ASSERT_WAIT(errors.count() == 1, 5000);
    EXPECT_FALSE(transport.reconnectPending());
}

} // namespace
} // namespace nimbral
