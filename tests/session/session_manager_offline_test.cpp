// The session manager without a server to reach.
#include "session/session_manager.h"

#include <thread>

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "common/main_thread.h"
#include "log_capture.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "session/chat_service.h"

namespace nimbral {
namespace {

TEST(SessionManagerOffline, StoresTheMonitorToShareAndFailsWithTheServersDetail) {
    ApiClient api(QUrl("http://127.0.0.1:9"));
    SignalingClient signaling;
    SessionManager session(api, signaling);
    EXPECT_EQ(session.monitorIndex(), 0u);
    session.setMonitorIndex(2);
    EXPECT_EQ(session.monitorIndex(), 2u);
    session.setMonitorIndex(-3);
    EXPECT_EQ(session.monitorIndex(), 0u);

    // Nothing listens on port 9: the attempt fails with the REST client's own detail.
    QSignalSpy errors(&session, &SessionManager::sessionError);
    session.initiateSession(QStringLiteral("123456789"), QStringLiteral("pw"));
    EXPECT_EQ(session.state(), SessionState::Initiating);
    ASSERT_TRUE(errors.wait(10000));
    EXPECT_EQ(session.state(), SessionState::Failed);
    EXPECT_FALSE(errors.at(0).at(0).toString().isEmpty());
}

TEST(SessionManagerOffline, AServerUpdateCannotMoveARestingSession) {
    ApiClient api(QUrl("http://127.0.0.1:9"));
    SignalingClient signaling;
    SessionManager session(api, signaling);
    test::LogCapture log;
    session.onSessionUpdated({{"state", "failed"}});
    EXPECT_EQ(session.state(), SessionState::Idle);
    EXPECT_TRUE(log.has(spdlog::level::warn, "Session state: Idle -> Failed refused"));

    QSignalSpy errors(&session, &SessionManager::sessionError);
    session.initiateSession(QStringLiteral("123456789"), QStringLiteral("pw"));
    ASSERT_TRUE(errors.wait(10000));
    ASSERT_EQ(session.state(), SessionState::Failed);
    session.onSessionUpdated({{"state", "closed"}});
    EXPECT_EQ(session.state(), SessionState::Failed) << "the user still sees why it failed";
}

TEST(SessionManagerOffline, ATargetWaitingForTheMastersKeyHoldsAtMost64IceMessages) {
    ApiClient api(QUrl("http://127.0.0.1:9"));
    SignalingClient signaling;
    SessionManager session(api, signaling);
    test::LogCapture log;
    // Accepted without the Master's key: it comes with the server's reply, which cannot come here.
    session.acceptSession(QStringLiteral("s1"), QStringLiteral("111222333"), QString());
    ASSERT_EQ(session.state(), SessionState::Handshaking);
    const auto dropped = [&log] {
        int count = 0;
        for (const auto& line : log.lines()) {
            count += line.text == "Too many ICE messages before the transport exists; dropped one";
        }
        return count;
    };
    for (int i = 0; i < 70; ++i) {
        emit signaling.iceCandidate(
            QStringLiteral("s1"), QStringLiteral("111222333"),
            QStringLiteral("candidate:%1 1 udp 1 127.0.0.1 9 typ host").arg(i),
            QStringLiteral("0"));
    }
    EXPECT_EQ(dropped(), 70 - 64);
    // Another session's messages are not even held.
    emit signaling.iceOffer(QStringLiteral("s2"), QStringLiteral("111222333"),
                            QStringLiteral("v=0"));
    EXPECT_EQ(dropped(), 70 - 64);
}

TEST(SessionStateTransitions, OnlyANewSessionLeavesARestingStateAndClosingEndsIdle) {
    using S = SessionState;
    const S all[] = {S::Idle,      S::Initiating, S::Handshaking, S::Connecting,
                     S::Connected, S::Closing,    S::Failed};
    int allowed = 0;
    for (const S from : all) {
        for (const S to : all) {
            allowed += sessionStateMayFollow(from, to) ? 1 : 0;
        }
    }
    // Idle and Failed: 2 each; Initiating, Handshaking, Connecting: 4 each; Connected 3;
    // Closing 1.
    EXPECT_EQ(allowed, 20);
    EXPECT_TRUE(sessionStateMayFollow(S::Failed, S::Initiating));
    EXPECT_TRUE(sessionStateMayFollow(S::Idle, S::Handshaking));
    EXPECT_FALSE(sessionStateMayFollow(S::Idle, S::Connected));
    EXPECT_FALSE(sessionStateMayFollow(S::Initiating, S::Connected)) << "no session without keys";
    EXPECT_FALSE(sessionStateMayFollow(S::Handshaking, S::Connected)) << "nor without a link";
    EXPECT_TRUE(sessionStateMayFollow(S::Connecting, S::Connected));
    EXPECT_FALSE(sessionStateMayFollow(S::Closing, S::Connected));
    EXPECT_FALSE(sessionStateMayFollow(S::Connected, S::Connecting));
}

#ifdef NIMBRAL_THREAD_CHECKS
TEST(MainThreadChecks, AMainThreadOnlyClassCalledFromAnotherThreadStopsAndSaysWhere) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ChatService chat([](const std::vector<std::uint8_t>&) {});
    EXPECT_TRUE(onMainThread());
    chat.sendMessage(QStringLiteral("on the main thread: fine"));
    EXPECT_DEATH(std::thread([&chat] { chat.sendMessage(QStringLiteral("x")); }).join(),
                 "ChatService::sendMessage.*called off the main thread");
}
#endif

} // namespace
} // namespace nimbral
