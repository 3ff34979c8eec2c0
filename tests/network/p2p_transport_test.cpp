#include "network/p2p_transport.h"
#include "network/transport_manager.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpSocket>

#include <QTcpServer>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "log_capture.h"
#include "wait_until.h"

namespace nimbral {
namespace {

P2PSettings loopback() {
    P2PSettings settings;
    settings.stunUrls.clear(); // never a public server from a test
    settings.bindAddress = "127.0.0.1";
    return settings;
}

bool sendBytes(ITransport& transport, ChannelType channel, const QByteArray& bytes) {
    return transport.send(channel, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size()));
}

// Two P2P transports with their signaling wired through Qt signals on this thread.
struct P2PPair {
    P2PPair()
        : offerer(loopback(), nullptr)
        , answerer(loopback(), nullptr) {
        QObject::connect(&offerer, &P2PTransport::localDescriptionReady,
                         [this](const QString& sdp, const QString& type) {
                             answerer.setRemoteDescription(sdp.toStdString(), type.toStdString());
                         });
        QObject::connect(&answerer, &P2PTransport::localDescriptionReady,
                         [this](const QString& sdp, const QString& type) {
                             offerer.setRemoteDescription(sdp.toStdString(), type.toStdString());
                         });
        QObject::connect(&offerer, &P2PTransport::localCandidateReady,
                         [this](const QString& c, const QString& mid) {
                             if (!dropCandidates) {
                                 answerer.addRemoteCandidate(c.toStdString(), mid.toStdString());
                             }
                         });
        QObject::connect(&answerer, &P2PTransport::localCandidateReady,
                         [this](const QString& c, const QString& mid) {
                             if (!dropCandidates) {
                                 offerer.addRemoteCandidate(c.toStdString(), mid.toStdString());
                             }
                         });
    }
    P2PTransport offerer;
    P2PTransport answerer;
    bool dropCandidates = false;
};

TEST(P2PTransport, BothChannelsCarryMessagesBothWaysAndConnectedComesOnce) {
    P2PPair pair;
    QSignalSpy offererConnected(&pair.offerer, &ITransport::connected);
    QSignalSpy answererConnected(&pair.answerer, &ITransport::connected);
    QSignalSpy atOfferer(&pair.offerer, &ITransport::dataReceived);
    QSignalSpy atAnswerer(&pair.answerer, &ITransport::dataReceived);
    test::LogCapture log;
    pair.answerer.startAsAnswerer();
    EXPECT_FALSE(sendBytes(pair.offerer, ChannelType::Video, "early")); // nothing open yet
    EXPECT_FALSE(log.hasPrefix(spdlog::level::warn, "P2PTransport::send"));
    ASSERT_TRUE(pair.offerer.connect("ignored", 0));
    ASSERT_WAIT(offererConnected.count() == 1 && answererConnected.count() == 1, 10000);
    EXPECT_TRUE(pair.offerer.isConnected());

    ASSERT_TRUE(sendBytes(pair.offerer, ChannelType::Control, "to the target"));
    ASSERT_TRUE(sendBytes(pair.offerer, ChannelType::Video, QByteArray(60000, 'v')));
    ASSERT_TRUE(sendBytes(pair.answerer, ChannelType::Control, "to the master"));
    ASSERT_WAIT(atAnswerer.count() == 2 && atOfferer.count() == 1, 5000);
    QList<QByteArray> control;
    QList<QByteArray> video;
    for (const auto& signal : atAnswerer) {
        (signal.at(0).value<ChannelType>() == ChannelType::Control ? control : video)
            << signal.at(1).toByteArray();
    }
    EXPECT_EQ(control, QList<QByteArray>{"to the target"});
    EXPECT_EQ(video, QList<QByteArray>{QByteArray(60000, 'v')});
    EXPECT_EQ(atOfferer.at(0).at(1).toByteArray(), "to the master");
    QTest::qWait(100);
    EXPECT_EQ(offererConnected.count(), 1);

    pair.offerer.disconnect();
    EXPECT_FALSE(pair.offerer.isConnected());
    EXPECT_FALSE(sendBytes(pair.offerer, ChannelType::Control, "after"));
}

TEST(P2PTransport, APeerThatVanishesIsReportedOnce) {
    P2PPair pair;
    QSignalSpy connected(&pair.offerer, &ITransport::connected);
    QSignalSpy disconnected(&pair.offerer, &ITransport::disconnected);
    pair.answerer.startAsAnswerer();
    pair.offerer.startAsOfferer();
    ASSERT_WAIT(connected.count() == 1, 10000);
    const auto lost = std::chrono::steady_clock::now();
    pair.answerer.disconnect(); // gone without a word
    ASSERT_WAIT(disconnected.count() == 1, 40000);
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - lost).count();
    std::printf("P2P peer loss noticed after %.1f s\n", seconds);
    EXPECT_FALSE(pair.offerer.isConnected());
    QTest::qWait(200);
    EXPECT_EQ(disconnected.count(), 1);
}

TEST(P2PTransport, RemoteInputBeforeStartIsRefused) {
    P2PTransport transport(loopback(), nullptr);
    test::LogCapture log;
    transport.addRemoteCandidate("candidate:1 1 UDP 1 127.0.0.1 9 typ host", "0");
    transport.setRemoteDescription("v=0", "offer");
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "P2PTransport: addRemoteCandidate called with no PeerConnection"));
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "P2PTransport: setRemoteDescription called with no PeerConnection"));
}

TEST(TransportManager, RelayPickPrefersTheSmallestKnownMetric) {
    const auto make = [](std::initializer_list<int> metrics) {
        QList<RelayCandidate> list;
        int n = 0;
        for (const int metric : metrics) {
            list.append({QString("node-%1").arg(n++), "127.0.0.1", 9000, metric});
        }
        return list;
    };
    EXPECT_EQ(TransportManager::pickRelay(make({-1, 30, 10, 10}))->nodeId, "node-2");
    EXPECT_EQ(TransportManager::pickRelay(make({-1, -1}))->nodeId, "node-0");
    EXPECT_EQ(TransportManager::pickRelay(make({5}))->nodeId, "node-0");
    EXPECT_FALSE(TransportManager::pickRelay({}).has_value());
}

// Two managers as the Master and the Target of one session, signaling wired directly.
struct ManagerPair {
    ManagerPair() {
        for (TransportManager* m : {&master, &target}) {
            m->setP2PSettings(loopback());
        }
        QObject::connect(&master, &TransportManager::localDescriptionReady,
                         [this](const QString& sdp, const QString& type) {
                             target.setRemoteDescription(sdp.toStdString(), type.toStdString());
                         });
        QObject::connect(&target, &TransportManager::localDescriptionReady,
                         [this](const QString& sdp, const QString& type) {
                             master.setRemoteDescription(sdp.toStdString(), type.toStdString());
                         });
        QObject::connect(&master, &TransportManager::localCandidateReady,
                         [this](const QString& c, const QString& mid) {
                             if (!blockP2P) {
                                 target.addRemoteCandidate(c.toStdString(), mid.toStdString());
                             }
                         });
        QObject::connect(&target, &TransportManager::localCandidateReady,
                         [this](const QString& c, const QString& mid) {
                             if (!blockP2P) {
                                 master.addRemoteCandidate(c.toStdString(), mid.toStdString());
                             }
                         });
    }
    TransportManager master;
    TransportManager target;
    bool blockP2P = false;
};

TEST(TransportManager, AP2PLinkThatConnectsWinsAndTheTimerNeverFires) {
    ManagerPair pair;
    QSignalSpy masterUp(&pair.master, &TransportManager::connectionEstablished);
    QSignalSpy targetUp(&pair.target, &TransportManager::connectionEstablished);
    QTcpServer relay;
    ASSERT_TRUE(relay.listen(QHostAddress::LocalHost, 0));
    const QList<RelayCandidate> candidates{{"local", "127.0.0.1", relay.serverPort(), 1}};
    pair.target.establishConnection("session-1", 0, 0, candidates, false);
    pair.master.establishConnection("session-1", 0, 0, candidates, true);
    ASSERT_WAIT(masterUp.count() == 1 && targetUp.count() == 1, 10000);
    EXPECT_EQ(masterUp.at(0).at(0).toString(), "p2p");
    EXPECT_EQ(pair.master.activeTransport(), pair.master.p2pTransport());
    // Disarmed by the link, not merely not yet due: nothing will try the relay later either.
    QCoreApplication::processEvents();
    EXPECT_FALSE(pair.master.p2pDeadlinePending());
    EXPECT_FALSE(pair.target.p2pDeadlinePending());
    EXPECT_FALSE(relay.hasPendingConnections());
    EXPECT_EQ(masterUp.count(), 1);
}

TEST(TransportManager, ABlockedP2PFallsBackToTheRelayAfterItsTime) {
    ManagerPair pair;
    pair.blockP2P = true;
    pair.master.setP2PTimeout(400); // the production 5 s, shortened for the test
    QTcpServer relay;
    ASSERT_TRUE(relay.listen(QHostAddress::LocalHost, 0));
    QSignalSpy up(&pair.master, &TransportManager::connectionEstablished);
    test::LogCapture log;
    pair.master.establishConnection(
        "session-2", 0, 0,
        {{"slow", "127.0.0.1", 1, 50}, {"fast", "127.0.0.1", relay.serverPort(), 10}}, true);
    ASSERT_WAIT(up.count() == 1, 5000);
    EXPECT_EQ(up.at(0).at(0).toString(), "relay");
    EXPECT_EQ(pair.master.activeTransport(), pair.master.relayTransport());
    EXPECT_TRUE(log.has(spdlog::level::info,
                        "TransportManager: connecting to relay node 'fast' at 127.0.0.1:" +
                            std::to_string(relay.serverPort())));
    EXPECT_TRUE(log.hasPrefix(spdlog::level::warn, "TransportManager: P2P connection timed out"));
    EXPECT_FALSE(pair.master.p2pTransport()->isConnected());
}

TEST(TransportManager, IncompatibleNatsGoStraightToTheRelayAndFailuresAreReported) {
    TransportManager manager;
    QTcpServer relay;
    ASSERT_TRUE(relay.listen(QHostAddress::LocalHost, 0));
    QSignalSpy up(&manager, &TransportManager::connectionEstablished);
    manager.establishConnection("s", 0, 4, {{"r", "127.0.0.1", relay.serverPort(), -1}}, true);
    ASSERT_WAIT(up.count() == 1, 5000);
    EXPECT_EQ(up.at(0).at(0).toString(), "relay");
    EXPECT_EQ(manager.p2pTransport(), nullptr);

    QSignalSpy failed(&manager, &TransportManager::connectionFailed);
    manager.establishConnection("s", 5, 0, {}, true);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).toString(), "No relay candidates available");

    manager.establishConnection("s", 5, 0, {{"dead", "127.0.0.1", 1, 0}}, true);
    ASSERT_WAIT(failed.count() == 2, 5000);
    EXPECT_TRUE(
        failed.at(1).at(0).toString().startsWith("All connection methods failed. Last error: "));

    manager.disconnect();
    EXPECT_EQ(manager.activeTransport(), nullptr);
}

// A message box over a failed session runs a nested event loop that puts the transports'
// deferred deletion off: they must be stopped at once, not merely left to die.
TEST(TransportManager, ARelayWaitingToReconnectIsStoppedAtOnce) {
    TransportManager manager;
    QTcpServer relay;
    ASSERT_TRUE(relay.listen(QHostAddress::LocalHost, 0));
    QSignalSpy up(&manager, &TransportManager::connectionEstablished);
    manager.establishConnection("s", 0, 4, {{"r", "127.0.0.1", relay.serverPort(), -1}}, true);
    ASSERT_WAIT(up.count() == 1 && relay.hasPendingConnections(), 5000);
    QPointer<RelayTransport> transport = manager.relayTransport();
    QSignalSpy lost(transport.data(), &ITransport::disconnected);
    std::unique_ptr<QTcpSocket> accepted(relay.nextPendingConnection());
    accepted->disconnectFromHost(); // the relay node closes the link
    ASSERT_WAIT(lost.count() == 1, 5000);
    ASSERT_TRUE(transport->reconnectPending());

    manager.disconnect();
    ASSERT_FALSE(transport.isNull()) << "still waiting for its deferred deletion";
    EXPECT_FALSE(transport->reconnectPending());
}

// A channel-open event the rtc thread queued before a time-out or disconnect belongs to the
// dead link and must not bring it back.
TEST(P2PTransport, OpenEventsQueuedBeforeADisconnectDoNotReviveTheLink) {
    test::LogCapture log;
    const auto count = [&log](const std::string& text) {
        const auto lines = log.lines();
        return std::count_if(lines.begin(), lines.end(),
                             [&](const test::LogCapture::Line& line) { return line.text == text; });
    };
    P2PPair pair;
    QSignalSpy offererConnected(&pair.offerer, &ITransport::connected);
    pair.answerer.startAsAnswerer();
    ASSERT_TRUE(pair.offerer.connect("ignored", 0));
    // The signaling between the two runs on this thread; once the answer and a candidate each
    // way have been handed over, the rest happens on the rtc thread alone.
    ASSERT_WAIT(count("P2PTransport: setting remote description (type=answer)") == 1 &&
                    count("P2PTransport: adding remote ICE candidate") >= 2,
                10000);
    // From here Qt events are not run: the offerer's open events stay queued.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (count("P2PTransport: 'video' data channel open") +
                   count("P2PTransport: 'control' data channel open") <
               2 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(offererConnected.count(), 0);
    pair.offerer.disconnect(); // a time-out, say
    QTest::qWait(200);         // now the queued events run
    EXPECT_EQ(offererConnected.count(), 0);
    EXPECT_FALSE(pair.offerer.isConnected());
}

TEST(TransportManager, CanBeDeletedFromInsideItsOwnFailureSignal) {
    auto* manager = new TransportManager;
    bool deleted = false;
    QObject::connect(manager, &TransportManager::connectionFailed, [&] {
        delete manager; // what a session cleanup may do
        deleted = true;
    });
    manager->establishConnection("s", 9, 9, {{"dead", "127.0.0.1", 1, 0}}, true);
    ASSERT_WAIT(deleted, 5000);
    QTest::qWait(50); // the transports' deferred deletion runs without the manager
}

} // namespace
} // namespace nimbral
