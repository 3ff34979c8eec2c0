// The session manager without a server to reach.
#include "session/session_manager.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "network/api_client.h"
#include "network/signaling_client.h"

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

} // namespace
} // namespace nimbral
