#include "session/session_channel.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include "crypto/aes_gcm_cipher.h"
#include "crypto/ecdh_key_exchange.h"
#include "log_capture.h"
#include "network/api_client.h"
#include "network/p2p_transport.h"
#include "network/signaling_client.h"
#include "network/transport_manager.h"
#include "session/replay_window.h"
#include "session/session_manager.h"

namespace nimbral {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SessionChannel, ControlMessagesAreTheTagByteThenThePayload) {
    EXPECT_EQ(controlMessage(ControlTag::Chat, Bytes{0xAA, 0xBB}), (Bytes{0x06, 0xAA, 0xBB}));
    EXPECT_EQ(controlMessage(ControlTag::KeyFrameRequest, Bytes{}), (Bytes{0x02}));
    EXPECT_EQ(controlMessage(ControlTag::SessionCommand, switchMonitorCommand(12)),
              (Bytes{0x03, 's', 'w', 'i', 't', 'c', 'h', '_', 'm', 'o', 'n', 'i', 't', 'o', 'r',
                     ':', '1', '2'}));
    EXPECT_EQ(switchMonitorCommand(0).size(), 16u);
}

TEST(SessionChannel, MonitorNumbersAreReadAsStrtolReadsThem) {
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:2"), 2u);
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:-3"), 0u);
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:1x"), 1u);
    EXPECT_EQ(parseSwitchMonitor("switch_monitor: \t+7"), 7u);
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:007"), 7u);
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:2147483647"), 2147483647u);
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:-2147483648"), 0u);
    // Neither a switch nor a failure.
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:"), std::nullopt);
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:x1"), std::nullopt);
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:2147483648"), std::nullopt);
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:-2147483649"), std::nullopt);
    EXPECT_EQ(parseSwitchMonitor("switch_monitor:99999999999999999999999"), std::nullopt);
    EXPECT_EQ(parseSwitchMonitor("switch_monitr:1"), std::nullopt);
    // Counted bytes: a NUL inside ends the number as it would end strtol's string.
    EXPECT_EQ(parseSwitchMonitor(std::string_view("switch_monitor:5\0"
                                                  "9",
                                                  18)),
              5u);
}

std::string textOf(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(SessionChannel, TheTargetsMonitorListAndRefusalsAreTheirTextsExactly) {
    MonitorInfo left;
    left.name = "DP-1";
    left.width = 2560;
    left.height = 1440;
    left.isPrimary = true;
    MonitorInfo right = left;
    right.name = "HDMI \"2\"";
    right.width = 1920;
    right.height = 1080;
    right.isPrimary = false;
    EXPECT_EQ(textOf(monitorsCommand({left, right}, 1)),
              "monitors:[{\"height\":1440,\"name\":\"DP-1\",\"primary\":true,\"shared\":false,"
              "\"width\":2560},{\"height\":1080,\"name\":\"HDMI \\\"2\\\"\",\"primary\":false,"
              "\"shared\":true,\"width\":1920}]");
    EXPECT_EQ(textOf(switchFailedCommand(7)), "switch_monitor_failed:7");
    EXPECT_EQ(parseSwitchFailed("switch_monitor_failed:7"), 7u);
    EXPECT_EQ(parseSwitchFailed("switch_monitor:7"), std::nullopt);

    const auto back = parseMonitors(textOf(monitorsCommand({left, right}, 1)));
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->monitors.size(), 2u);
    EXPECT_EQ(back->shared, 1u);
    EXPECT_EQ(back->monitors[1].index, 1);
    EXPECT_EQ(back->monitors[1].name, "HDMI \"2\"");
    EXPECT_EQ(back->monitors[0].width, 2560);
    EXPECT_TRUE(back->monitors[0].isPrimary);

    // Long names are cut at a character boundary; more monitors than announced are dropped.
    MonitorInfo longName = left;
    longName.name = std::string(63, 'a') + "\xc3\xa9"; // 65 bytes, the last character 2 bytes
    std::vector<MonitorInfo> many(kMaxAnnouncedMonitors + 3, longName);
    const auto cut = parseMonitors(textOf(monitorsCommand(many, 0)));
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->monitors.size(), kMaxAnnouncedMonitors);
    EXPECT_EQ(cut->monitors[0].name, std::string(63, 'a'));
}

TEST(SessionChannel, AMonitorListFromThePartnerIsTakenOnlyWhenWellFormed) {
    const std::string one = R"({"name":"A","width":800,"height":600})";
    EXPECT_TRUE(parseMonitors("monitors:[" + one + "]").has_value());
    std::string seventeen = "monitors:[" + one;
    for (int i = 1; i < 17; ++i) {
        seventeen += "," + one;
    }
    const char* const refused[] = {
        "monitors:",
        "monitors:[]",
        "monitors:{}",
        "monitors:[1]",
        "monitors:[{\"name\":1,\"width\":800,\"height\":600}]",
        "monitors:[{\"name\":\"A\",\"width\":0,\"height\":600}]",
        "monitors:[{\"name\":\"A\",\"width\":800,\"height\":65536}]",
        "monitors:[{\"name\":\"A\",\"width\":800.5,\"height\":600}]",
        "monitors:[{\"name\":\"A\",\"height\":600}]",
        "monitors:[[[[[[[[[[[[[[[[[[[[",
        "monitor:[{\"name\":\"A\",\"width\":800,\"height\":600}]",
    };
    for (const char* text : refused) {
        EXPECT_EQ(parseMonitors(text), std::nullopt) << text;
    }
    EXPECT_EQ(parseMonitors(seventeen + "]"), std::nullopt);
}

TEST(ReplayWindow, AcceptsEachCounterOnceWithinTheWindowAndOnlyThePeersHalf) {
    ReplayWindow window(AesGcmCipher::kTargetInitialCounter, UINT64_MAX);
    const std::uint64_t base = AesGcmCipher::kTargetInitialCounter;
    EXPECT_FALSE(window.accept(5)) << "a counter of our own half";
    EXPECT_TRUE(window.accept(base));
    EXPECT_FALSE(window.accept(base));
    // Unordered arrival within the window.
    EXPECT_TRUE(window.accept(base + 10));
    EXPECT_TRUE(window.accept(base + 3));
    EXPECT_FALSE(window.accept(base + 3));
    EXPECT_TRUE(window.accept(base + 9));
    // The window slides: what falls out of it is refused, what stays is remembered.
    EXPECT_TRUE(window.accept(base + 10 + ReplayWindow::kWidth - 1));
    EXPECT_FALSE(window.accept(base + 9)) << "older than the window";
    EXPECT_FALSE(window.accept(base + 10)) << "still inside and already seen";
    EXPECT_TRUE(window.accept(base + 11)) << "still inside and new";
    // A jump beyond the window forgets everything before it.
    const std::uint64_t far = base + 100000;
    EXPECT_TRUE(window.accept(far));
    EXPECT_FALSE(window.accept(far - ReplayWindow::kWidth));
    EXPECT_TRUE(window.accept(far - ReplayWindow::kWidth + 1));
    EXPECT_TRUE(window.accept(UINT64_MAX));
    EXPECT_FALSE(window.accept(UINT64_MAX));

    ReplayWindow fromMaster(0, AesGcmCipher::kTargetInitialCounter - 1);
    EXPECT_TRUE(fromMaster.accept(0));
    EXPECT_FALSE(fromMaster.accept(AesGcmCipher::kTargetInitialCounter));
    // Slots reused after a slide of exactly one window width are free again.
    EXPECT_TRUE(fromMaster.accept(ReplayWindow::kWidth));
    EXPECT_FALSE(fromMaster.accept(0));
}

TEST(ReplayWindow, TheTopOfTheCounterSpaceIsReachedInSmallSteps) {
    ReplayWindow window(AesGcmCipher::kTargetInitialCounter, UINT64_MAX);
    EXPECT_TRUE(window.accept(UINT64_MAX - 2));
    EXPECT_TRUE(window.accept(UINT64_MAX - 1));
    EXPECT_TRUE(window.accept(UINT64_MAX));
    EXPECT_FALSE(window.accept(UINT64_MAX));
    EXPECT_FALSE(window.accept(UINT64_MAX - 1));
    EXPECT_TRUE(window.accept(UINT64_MAX - 3)) << "below the highest, inside, new";

    ReplayWindow fromMaster(0, AesGcmCipher::kTargetInitialCounter - 1);
    const std::uint64_t top = AesGcmCipher::kTargetInitialCounter - 1;
    EXPECT_TRUE(fromMaster.accept(top - 1));
    EXPECT_TRUE(fromMaster.accept(top));
    EXPECT_FALSE(fromMaster.accept(top + 1));
}

// The parts of the session manager that need no peer: an API client pointing at a closed port.
class SessionManagerAlone : public ::testing::Test {
protected:
    ApiClient api{QUrl("http://127.0.0.1:9")};
    SignalingClient signaling;
    SessionManager session{api, signaling};
};

TEST_F(SessionManagerAlone, SettingsAreClampedAndTheStateNamesAreTheLogs) {
    EXPECT_EQ(session.captureFrameRate(), 10);
    EXPECT_EQ(session.encoderQualityLevel(), 45);
    EXPECT_EQ(session.encoderPreset(), "13");
    session.setCaptureFrameRate(0);
    EXPECT_EQ(session.captureFrameRate(), 1);
    session.setCaptureFrameRate(100);
    EXPECT_EQ(session.captureFrameRate(), 60);
    session.setEncoderQuality(70, QString());
    EXPECT_EQ(session.encoderQualityLevel(), 51);
    EXPECT_EQ(session.encoderPreset(), "13");
    session.setEncoderQuality(-4, QStringLiteral("8"));
    EXPECT_EQ(session.encoderQualityLevel(), 0);
    EXPECT_EQ(session.encoderPreset(), "8");

    EXPECT_STREQ(sessionStateName(SessionState::Handshaking), "Handshaking");
    EXPECT_STREQ(sessionStateName(SessionState::Failed), "Failed");
    EXPECT_STREQ(sessionStateName(static_cast<SessionState>(7)), "Unknown");
}

TEST_F(SessionManagerAlone, EventsOutOfTurnChangeNothing) {
    QSignalSpy states(&session, &SessionManager::stateChanged);
    QSignalSpy errors(&session, &SessionManager::sessionError);
    test::LogCapture log;
    session.endSession(QStringLiteral("user_disconnect"));
    session.onHandshakeAck("s-1", "handshaking", "a-key");
    session.onSessionCreated({{"session_id", "s-1"}});
    session.onSessionUpdated({{"state", "connected"}});
    session.onTransportData(ChannelType::Control, QByteArray(40, 'x'));
    EXPECT_EQ(states.count(), 0);
    EXPECT_EQ(errors.count(), 0);
    EXPECT_TRUE(
        log.has(spdlog::level::warn, "Received transport data but cipher is not initialized"));
    EXPECT_FALSE(log.hasPrefix(spdlog::level::info, "Ending session"));
}

TEST_F(SessionManagerAlone, ASecondInitiateIsRefusedWhileTheFirstRuns) {
    QSignalSpy errors(&session, &SessionManager::sessionError);
    session.initiateSession(QStringLiteral("123456789"), QStringLiteral("pw"));
    EXPECT_EQ(session.state(), SessionState::Initiating);
    // An acknowledgement before the session ID exists is not for us yet.
    session.onHandshakeAck("s-1", "handshaking", "a-key");
    EXPECT_EQ(session.state(), SessionState::Initiating);
    session.initiateSession(QStringLiteral("987654321"), QStringLiteral("pw"));
    ASSERT_GE(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Cannot initiate session: not idle");
    EXPECT_EQ(session.peerClientId(), "123456789");
    // A reply without an ID fails the attempt.
    session.onSessionCreated({{"state", "pending"}});
    EXPECT_EQ(session.state(), SessionState::Failed);
    EXPECT_EQ(errors.last().at(0).toString(), "Server returned invalid session data");
}

TEST_F(SessionManagerAlone, AnAcknowledgementWithoutAUsableKeyFailsTheMaster) {
    QSignalSpy errors(&session, &SessionManager::sessionError);
    session.initiateSession(QStringLiteral("123456789"), QStringLiteral("pw"));
    session.onSessionCreated({{"session_id", "s-1"}});
    ASSERT_EQ(session.state(), SessionState::Handshaking);
    session.onHandshakeAck("s-1", "handshaking", QString());
    EXPECT_EQ(session.state(), SessionState::Failed);
    EXPECT_EQ(errors.last().at(0).toString(), "Missing target ECDH public key");

    session.initiateSession(QStringLiteral("123456789"), QStringLiteral("pw"));
    session.onSessionCreated({{"session_id", "s-2"}});
    session.onHandshakeAck("s-2", "handshaking", QStringLiteral("bm90IGEga2V5"));
    EXPECT_EQ(session.state(), SessionState::Failed);
    EXPECT_EQ(errors.last().at(0).toString(), "ECDH key derivation failed");
}

TEST_F(SessionManagerAlone, AnAcceptWithoutTheMastersKeyWaitsInHandshaking) {
    session.acceptSession(QStringLiteral("s-9"), QStringLiteral("111222333"), QString());
    EXPECT_EQ(session.state(), SessionState::Handshaking);
    EXPECT_EQ(session.role(), SessionRole::Target);
    // An update about another session is not about this one.
    session.onSessionUpdated({{"session_id", "s-8"}, {"state", "closed"}});
    EXPECT_EQ(session.state(), SessionState::Handshaking);
    // "connected" while Handshaking changes nothing; "failed" ends it.
    session.onSessionUpdated({{"session_id", "s-9"}, {"state", "connected"}});
    EXPECT_EQ(session.state(), SessionState::Handshaking);
    session.onSessionUpdated({{"session_id", "s-9"}, {"state", "failed"}});
    EXPECT_EQ(session.state(), SessionState::Failed);
    EXPECT_TRUE(session.sessionId().isEmpty());
}

TEST_F(SessionManagerAlone, AnAcknowledgementOvertakingTheCreateReplyIsKeptForItsSession) {
    const EcdhKeyExchange targetKeys;
    const QString targetKey = QString::fromStdString(targetKeys.publicKeyBase64());
    session.initiateSession(QStringLiteral("123456789"), QStringLiteral("pw"));
    // The Target was quick: its acknowledgement comes first, the create reply after it.
    session.onHandshakeAck("s-1", "handshaking", targetKey);
    EXPECT_EQ(session.state(), SessionState::Initiating);
    session.onSessionCreated({{"session_id", "s-1"}});
    EXPECT_EQ(session.state(), SessionState::Connecting);
    EXPECT_TRUE(session.transportManager() != nullptr);
    session.endSession(QStringLiteral("user_disconnect"));

    // One that names another session is not applied.
    session.initiateSession(QStringLiteral("123456789"), QStringLiteral("pw"));
    session.onHandshakeAck("s-7", "handshaking", targetKey);
    session.onSessionCreated({{"session_id", "s-2"}});
    EXPECT_EQ(session.state(), SessionState::Handshaking);
    session.onHandshakeAck("s-7", "handshaking", targetKey);
    EXPECT_EQ(session.state(), SessionState::Handshaking) << "not this session's";
    session.onHandshakeAck("s-2", "handshaking", targetKey);
    EXPECT_EQ(session.state(), SessionState::Connecting);
}

TEST_F(SessionManagerAlone, RefusedClosesAndCompletionsNeverEndASession) {
    QSignalSpy errors(&session, &SessionManager::sessionError);
    test::LogCapture log;
    session.initiateSession(QStringLiteral("123456789"), QStringLiteral("pw"));
    session.onSessionCreated({{"session_id", "s-1"}});
    ASSERT_EQ(session.state(), SessionState::Handshaking);
    // The 404 of a close the peer already made for the previous session, say.
    emit api.requestError("/sessions/.../close", 404, "Session not found");
    emit api.requestError("/sessions/.../complete", 409, "Invalid state");
    EXPECT_EQ(session.state(), SessionState::Handshaking);
    EXPECT_EQ(errors.count(), 0);
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "Server refused /sessions/.../close (404): Session not found"));
    // A refused set-up step still fails it.
    emit api.requestError("/sessions/.../handshake-ack", 404, "Session not found");
    EXPECT_EQ(session.state(), SessionState::Failed);
}

// The Master's offer can reach a Target that accepted without the Master's key before the
// server's reply brings the key; it must still be answered once the transport exists.
TEST(SessionManagerEarlyIce, OffersBeforeTheTransportExistsAreKeptAndApplied) {
    QTcpServer silentServer; // takes the REST calls and never answers
    ASSERT_TRUE(silentServer.listen(QHostAddress::LocalHost, 0));
    ApiClient api{QUrl(QString("http://127.0.0.1:%1").arg(silentServer.serverPort()))};
    SignalingClient signaling;
    SessionManager session{api, signaling};
    const EcdhKeyExchange masterKeys;
    P2PSettings loopback;
    loopback.stunUrls.clear();
    loopback.bindAddress = "127.0.0.1";
    P2PTransport master(loopback, nullptr);
    session.setTransportSetup([&](TransportManager& manager) {
        manager.setP2PSettings(loopback);
        manager.setP2PTimeout(60000);
    });
    session.acceptSession(QStringLiteral("s-3"), QStringLiteral("111222333"), QString());
    ASSERT_EQ(session.state(), SessionState::Handshaking);

    // The Master's offer and candidates arrive through signaling while the Target still waits.
    QSignalSpy offers(&master, &P2PTransport::localDescriptionReady);
    QSignalSpy masterCandidates(&master, &P2PTransport::localCandidateReady);
    QObject::connect(&master, &P2PTransport::localDescriptionReady, &signaling,
                     [&](const QString& sdp) { emit signaling.iceOffer("s-3", "111222333", sdp); });
    QObject::connect(&master, &P2PTransport::localCandidateReady, &signaling,
                     [&](const QString& candidate, const QString& mid) {
                         emit signaling.iceCandidate("s-3", "111222333", candidate, mid);
                     });
    master.startAsOfferer();
    ASSERT_TRUE(offers.wait(5000));
    ASSERT_TRUE(masterCandidates.count() > 0 || masterCandidates.wait(5000));
    emit signaling.iceOffer("s-other", "111222333", "v=0"); // not this session's: dropped
    EXPECT_TRUE(session.transportManager() == nullptr);

    session.onSessionUpdated({{"session_id", "s-3"},
                              {"state", "handshaking"},
                              {"master_ecdh_public_key", masterKeys.publicKeyBase64()}});
    ASSERT_EQ(session.state(), SessionState::Connecting);
    ASSERT_TRUE(session.transportManager() != nullptr);
    QSignalSpy answers(session.transportManager(), &TransportManager::localDescriptionReady);
    QObject::connect(session.transportManager(), &TransportManager::localCandidateReady, &master,
                     [&](const QString& candidate, const QString& mid) {
                         master.addRemoteCandidate(candidate.toStdString(), mid.toStdString());
                     });
    ASSERT_TRUE(answers.wait(5000));
    EXPECT_EQ(answers.at(0).at(1).toString(), "answer");
    // The answer completes the link the Master's offer began.
    QSignalSpy linked(&master, &ITransport::connected);
    master.setRemoteDescription(answers.at(0).at(0).toString().toStdString(), "answer");
    EXPECT_TRUE(linked.wait(10000));
    master.disconnect();
}

} // namespace
} // namespace nimbral
