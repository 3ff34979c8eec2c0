// How a connected session ends, as both ends learn it, and what the Master's reconnector makes
// of it: a lost link comes back, an ended session stays ended, a failure that stays stops the
// attempts, an absent partner uses them up.

#include <QSignalSpy>

#include "session/session_channel.h"
#include "session/session_reconnector.h"
#include "session_pair.h"

namespace nimbral {
namespace {

using SessionEnding = test::SessionPairTest;
using test::kPassword;

// The arguments of the last sessionEnded a spy saw.
struct Ending {
    QString partner;
    SessionRole role = SessionRole::None;
    SessionEnd how = SessionEnd::ByThisSide;
};
Ending lastEnding(const QSignalSpy& spy) {
    const QList<QVariant>& last = spy.constLast();
    return {last.at(1).toString(), last.at(2).value<SessionRole>(), last.at(3).value<SessionEnd>()};
}

class Reconnecting : public test::SessionPairTest {
protected:
    void SetUp() override {
        makeDevices();
        reconnector = std::make_unique<SessionReconnector>(master->session, master->signaling);
        reconnector->setFirstDelay(100);
        reconnector->setAutomatic(true, 2);
        reconnector->remember(target->clientId(), kPassword);
        master->session.setPartnerTimeout(2000);
    }
    // The Target's link goes down without a word to the Master, as when its network fails.
    void loseTheTargetsLink() { target->session.endSession(QLatin1String(kLinkLostReason)); }

    std::unique_ptr<SessionReconnector> reconnector;
};

// Whoever ends a session on purpose says so over the link, and the other end learns it was the
// partner; over P2P and over the relay.
TEST_F(SessionEnding, ThePartnerLearnsThatTheSessionWasEndedOnPurpose) {
    for (const bool relay : {false, true}) {
        SCOPED_TRACE(relay ? "relay" : "P2P");
        makeDevices(relay ? 300 : 3000, /*blockP2P=*/relay);
        QSignalSpy masterEnded(&master->session, &SessionManager::sessionEnded);
        QSignalSpy targetEnded(&target->session, &SessionManager::sessionEnded);
        connectPair();
        EXPECT_EQ(master->session.connectionMethod(), relay ? "relay" : "p2p");
        const QString sessionId = master->session.sessionId();
        barrier();

        target->session.endSession(QStringLiteral("user_disconnect"));
        ASSERT_EQ(targetEnded.count(), 1);
        EXPECT_EQ(targetEnded.constLast().at(0).toString(), sessionId);
        EXPECT_EQ(lastEnding(targetEnded).how, SessionEnd::ByThisSide);
        EXPECT_EQ(lastEnding(targetEnded).role, SessionRole::Target);
        ASSERT_WAIT(masterEnded.count() == 1, 5000);
        EXPECT_EQ(lastEnding(masterEnded).how, SessionEnd::ByPartner);
        EXPECT_EQ(lastEnding(masterEnded).partner, target->clientId());
        EXPECT_EQ(master->session.state(), SessionState::Idle);

        connectPair();
        // Connected is said as soon as the relay's socket is open; what is sent before the
        // relay pairs the two waits for it, and a session ended within that moment is gone.
        barrier();
        master->session.endSession(QStringLiteral("application_quit"));
        ASSERT_WAIT(targetEnded.count() == 2, 5000);
        EXPECT_EQ(lastEnding(targetEnded).how, SessionEnd::ByPartner);
        EXPECT_EQ(lastEnding(targetEnded).partner, master->clientId());
    }
}

TEST_F(Reconnecting, ALostLinkComesBackAndASessionThePartnerEndedStaysEnded) {
    QSignalSpy reconnecting(reconnector.get(), &SessionReconnector::reconnecting);
    QSignalSpy reconnected(reconnector.get(), &SessionReconnector::reconnected);
    QSignalSpy partnerEnded(reconnector.get(), &SessionReconnector::partnerEnded);
    connectPair();
    const QString first = master->session.sessionId();

    loseTheTargetsLink();
    ASSERT_WAIT(reconnected.count() == 1, 15000);
    EXPECT_EQ(reconnecting.count(), 1);
    EXPECT_EQ(reconnecting.constFirst().at(1).toInt(), 1);
    EXPECT_EQ(reconnecting.constFirst().at(3).toInt(), 100);
    ASSERT_WAIT(target->session.state() == SessionState::Connected, 5000);
    EXPECT_NE(master->session.sessionId(), first);
    EXPECT_FALSE(reconnector->isReconnecting());

    target->session.endSession(QStringLiteral("user_disconnect"));
    ASSERT_WAIT(partnerEnded.count() == 1, 5000);
    EXPECT_FALSE(reconnector->isReconnecting());
    EXPECT_EQ(reconnecting.count(), 1);
    // The user's Reconnect brings it back all the same.
    ASSERT_TRUE(reconnector->reconnectNow());
    ASSERT_WAIT(master->session.state() == SessionState::Connected, 15000);

    // Ending it here asks for nothing.
    master->session.endSession(QStringLiteral("user_disconnect"));
    EXPECT_FALSE(reconnector->isReconnecting());
    EXPECT_EQ(partnerEnded.count(), 1);
}

TEST_F(Reconnecting, WithoutAutomaticReconnectionALostLinkIsOnlyReported) {
    reconnector->setAutomatic(false, 10);
    QSignalSpy lost(reconnector.get(), &SessionReconnector::linkLost);
    connectPair();
    loseTheTargetsLink();
    ASSERT_WAIT(lost.count() == 1, 5000);
    EXPECT_EQ(lost.constFirst().at(0).toString(), target->clientId());
    EXPECT_FALSE(reconnector->isReconnecting());
}

TEST_F(Reconnecting, APasswordThatChangedStopsTheAttemptsAtOnce) {
    QSignalSpy gaveUp(reconnector.get(), &SessionReconnector::gaveUp);
    connectPair();
    target->auth.setSessionPassword(QStringLiteral("Another-Pass2"));
    ASSERT_TRUE(target->serverHasRead());
    loseTheTargetsLink();
    ASSERT_WAIT(gaveUp.count() == 1, 15000);
    EXPECT_EQ(gaveUp.constFirst().at(2).toInt(), 1);  // one attempt
    EXPECT_FALSE(gaveUp.constFirst().at(3).toBool()); // not used up: it will not pass
    EXPECT_TRUE(gaveUp.constFirst().at(1).toString().startsWith("Wrong password"));
    EXPECT_FALSE(master->session.lastFailureMayPass());
}

TEST_F(Reconnecting, APartnerThatStaysAwayUsesUpTheAttempts) {
    QSignalSpy reconnecting(reconnector.get(), &SessionReconnector::reconnecting);
    QSignalSpy gaveUp(reconnector.get(), &SessionReconnector::gaveUp);
    connectPair();
    loseTheTargetsLink();
    target.reset(); // and its program is gone
    ASSERT_WAIT(gaveUp.count() == 1, 20000);
    EXPECT_EQ(reconnecting.count(), 2);
    EXPECT_EQ(reconnecting.constLast().at(3).toInt(), 200); // the wait doubles
    EXPECT_EQ(gaveUp.constFirst().at(2).toInt(), 2);
    EXPECT_TRUE(gaveUp.constFirst().at(3).toBool());
    EXPECT_FALSE(gaveUp.constFirst().at(1).toString().isEmpty());
    EXPECT_FALSE(reconnector->isReconnecting());
}

} // namespace
} // namespace nimbral
