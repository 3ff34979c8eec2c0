// Verified sessions between two real devices through the real server: who decides, device keys,
// downgrades, what the server sees and what a server in the middle can do.

#include <algorithm>

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "common/client_id_text.h"
#include "crypto/ecdh_key_exchange.h"
#include "crypto/ed25519.h"
#include "crypto/spake2.h"
#include "log_capture.h"
#include "server_in_the_middle.h"
#include "session/attempt_backoff.h"
#include "session_pair.h"

namespace nimbral {
namespace {

using spdlog::level::warn;
using VerifiedSession = test::SessionPairTest;
using test::kPassword;

QString wrongPasswordFor(const QString& partnerId) {
    return QString("Wrong password for partner %1: check it, or ask them for the current one")
        .arg(formatClientId(partnerId));
}

std::string keyOf(const SessionManager& session) {
    return ed25519::publicKeyOf(session.trust().signingKey);
}

TEST_F(VerifiedSession, WrongPasswordsFailAtTheTargetWhichMakesThatMasterWait) {
    QSignalSpy errors(&master->session, &SessionManager::sessionError);
    QSignalSpy targetStates(&target->session, &SessionManager::stateChanged);
    test::LogCapture log;
    for (int i = 0; i < AttemptBackoff::kFreeFailures; ++i) {
        master->session.initiateSession(target->clientId(), QStringLiteral("Wrong-Pass9"));
        ASSERT_WAIT(master->session.state() == SessionState::Failed, 10000);
        ASSERT_EQ(errors.count(), i + 1);
        EXPECT_EQ(errors.at(i).at(0).toString(), wrongPasswordFor(target->clientId()));
    }
    // Now even the right password waits: the Target refuses before it stretches anything.
    master->session.initiateSession(target->clientId(), kPassword);
    ASSERT_WAIT(master->session.state() == SessionState::Failed, 10000);
    ASSERT_EQ(errors.count(), 4);
    EXPECT_EQ(errors.at(3).at(0).toString(), "Too many wrong passwords for partner " +
                                                 formatClientId(target->clientId()) +
                                                 ": wait a few minutes, then try again");
    EXPECT_TRUE(log.hasPrefix(warn, "Session request "));
    EXPECT_TRUE(targetStates.isEmpty()) << "no failed request ever became the Target's session";
    QTest::qWait(static_cast<int>(AttemptBackoff::kFirstWaitMs));
    connectPair();
}

TEST_F(VerifiedSession, TheMasterPinsTheTargetsKeyAndRefusesAChangedOne) {
    EXPECT_TRUE(master->settings.pinnedPartnerKey(target->clientId()).isEmpty());
    connectPair();
    const QByteArray pinned = master->settings.pinnedPartnerKey(target->clientId());
    EXPECT_EQ(pinned.toStdString(), keyOf(target->session));
    EXPECT_EQ(target->settings.pinnedPartnerKey(master->clientId()).toStdString(),
              keyOf(master->session));
    master->session.endSession(QStringLiteral("user_disconnect"));
    ASSERT_WAIT(target->session.state() == SessionState::Idle, 5000);
    connectPair(); // the same key again
    master->session.endSession(QStringLiteral("user_disconnect"));
    ASSERT_WAIT(target->session.state() == SessionState::Idle, 5000);

    const QString before = target->session.ownFingerprint();
    SessionTrust changed = target->session.trust();
    changed.signingKey = ed25519::generatePrivateKey();
    target->session.setTrust(changed);
    const QString now = target->session.ownFingerprint();
    ASSERT_NE(before, now);
    QSignalSpy keyChanged(&master->session, &SessionManager::partnerKeyChanged);
    QSignalSpy errors(&master->session, &SessionManager::sessionError);
    master->session.initiateSession(target->clientId(), kPassword);
    ASSERT_WAIT(master->session.state() == SessionState::Failed, 10000);
    ASSERT_EQ(keyChanged.count(), 1);
    EXPECT_EQ(keyChanged.at(0).at(1).toString(), before);
    EXPECT_EQ(keyChanged.at(0).at(2).toString(), now);
    EXPECT_EQ(keyChanged.at(0).at(3).toByteArray().toStdString(), keyOf(target->session));
    ASSERT_EQ(errors.count(), 1);
    const QString error = errors.at(0).at(0).toString();
    EXPECT_TRUE(
        error.startsWith("The device key of partner " + target->clientId() + " has changed."));
    EXPECT_TRUE(error.contains("Before: " + before) && error.contains("Now: " + now))
        << error.toStdString();
    EXPECT_EQ(master->settings.pinnedPartnerKey(target->clientId()), pinned)
        << "only the user trusts a new key";
    EXPECT_EQ(target->session.state(), SessionState::Idle);
}

TEST_F(VerifiedSession, AfterAVerifiedSessionNeitherEndTakesTheOldFlowFromThatPartner) {
    connectPair();
    master->session.endSession(QStringLiteral("user_disconnect"));
    ASSERT_WAIT(target->session.state() == SessionState::Idle, 5000);

    // An older Master's request (the password to the server) from the same ID: the server lets
    // it through, the Target does not.
    QSignalSpy masterTold(&master->signaling, &SignalingClient::sessionClosed);
    test::LogCapture log;
    const EcdhKeyExchange somebody;
    master->api.createSession(target->clientId(), kPassword, QStringLiteral("remote_desktop"),
                              QString::fromStdString(somebody.publicKeyBase64()));
    // (The Target's close of the ended session may come first.)
    ASSERT_WAIT(std::any_of(masterTold.begin(), masterTold.end(),
                            [](const QList<QVariant>& closed) {
                                return closed.at(1).toString() == "verification_required";
                            }),
                5000);
    EXPECT_TRUE(log.hasPrefix(warn, "Refused unverified session "));
    EXPECT_EQ(target->session.state(), SessionState::Idle);

    // The Target now speaks as an older version: the Master refuses to fall back.
    makeTargetAnOlderVersion();
    QSignalSpy errors(&master->session, &SessionManager::sessionError);
    master->session.initiateSession(target->clientId(), kPassword);
    ASSERT_WAIT(master->session.state() == SessionState::Failed, 10000);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(),
              "Partner " + target->clientId() +
                  " verified its sessions before and now offers only an unverified one. Not "
                  "connected: someone may be posing as it.");
}

TEST_F(VerifiedSession, ADeviceThatAcceptsOnlyVerifiedSessionsRefusesTheOldFlowEitherWay) {
    for (SessionManager* session : {&master->session, &target->session}) {
        SessionTrust only = session->trust();
        only.acceptOnlyVerified = true;
        session->setTrust(only);
    }
    makeTargetAnOlderVersion();
    QSignalSpy errors(&master->session, &SessionManager::sessionError);
    master->session.initiateSession(target->clientId(), kPassword);
    ASSERT_WAIT(master->session.state() == SessionState::Failed, 10000);
    EXPECT_EQ(errors.at(0).at(0).toString(),
              "Partner " + target->clientId() +
                  " cannot open a verified session, and this device accepts only verified "
                  "sessions");
    // The Target refuses an unverified request the server let through.
    QSignalSpy masterTold(&master->signaling, &SignalingClient::sessionClosed);
    const EcdhKeyExchange somebody;
    master->api.createSession(target->clientId(), kPassword, QStringLiteral("remote_desktop"),
                              QString::fromStdString(somebody.publicKeyBase64()));
    // (The Target's close of the ended session may come first.)
    ASSERT_WAIT(std::any_of(masterTold.begin(), masterTold.end(),
                            [](const QList<QVariant>& closed) {
                                return closed.at(1).toString() == "verification_required";
                            }),
                5000);
    EXPECT_EQ(target->session.state(), SessionState::Idle);
    // Told while online, the Target takes its secrets back from the server, which then finds
    // the older Master's password wrong.
    target->auth.setServerChecksSecrets(false);
    ASSERT_TRUE(target->serverHasRead());
    QSignalSpy refused(&master->api, &ApiClient::requestError);
    master->api.createSession(target->clientId(), kPassword, QStringLiteral("remote_desktop"),
                              QString::fromStdString(somebody.publicKeyBase64()));
    ASSERT_TRUE(refused.wait(5000));
    EXPECT_EQ(refused.at(0).at(2).toString(), "Invalid session password");
}

// Devices that reach the server only through `middle`.
class ThroughTheMiddle : public VerifiedSession {
protected:
    void SetUp() override {}

    void makeDevicesThrough(test::ServerInTheMiddle& middle, bool onlyVerifiedTarget = false) {
        master = std::make_unique<test::DeviceStack>(*s_server, QString(), 3000, middle.baseUrl());
        target = std::make_unique<test::DeviceStack>(*s_server, kPassword, 3000, middle.baseUrl());
        if (onlyVerifiedTarget) {
            SessionTrust only = target->session.trust();
            only.acceptOnlyVerified = true;
            target->session.setTrust(only);
            target->auth.setServerChecksSecrets(false);
        }
        QObject::connect(&target->signaling, &SignalingClient::sessionAutoAccept, &target->session,
                         &SessionManager::acceptSession);
        ASSERT_TRUE(target->bringOnline());
        ASSERT_TRUE(master->bringOnline());
    }
};

TEST_F(ThroughTheMiddle, NoByteTheDevicesSendTheServerCarriesTheirSecrets) {
    test::ServerInTheMiddle middle(test::portOf(s_server->baseUrl()));
    makeDevicesThrough(middle, /*onlyVerifiedTarget=*/true);
    connectPair();
    barrier();
    master->session.endSession(QStringLiteral("user_disconnect"));
    ASSERT_WAIT(target->session.state() == SessionState::Idle, 5000);
    EXPECT_TRUE(middle.sent().contains("\"pake_share_password\""))
        << "the recording holds the session's messages";
    EXPECT_FALSE(middle.sent().contains(kPassword));
    EXPECT_FALSE(middle.sent().contains(target->auth.pairingCode().toUtf8()));
    // What an older Master sends, the recording shows.
    const EcdhKeyExchange somebody;
    master->api.createSession(target->clientId(), QStringLiteral("Recorded-Pass7"),
                              QStringLiteral("remote_desktop"),
                              QString::fromStdString(somebody.publicKeyBase64()));
    ASSERT_WAIT(middle.sent().contains("Recorded-Pass7"), 5000);
}

// The server in the middle gives each device its own ECDH key in place of the partner's.
test::ServerInTheMiddle::Rewrite swappingKeys(const EcdhKeyExchange& own) {
    return [key = own.publicKeyBase64()](const QByteArray& text) {
        nlohmann::json message = nlohmann::json::parse(text.toStdString(), nullptr, false);
        for (const char* field : {"master_ecdh_public_key", "target_ecdh_public_key"}) {
            if (message.is_object() && message.contains(field)) {
                message[field] = key;
            }
        }
        return QByteArray::fromStdString(message.dump());
    };
}

TEST_F(ThroughTheMiddle, SwappedKeysOrExchangeMessagesGiveNoSessionAndDifferentStrings) {
    test::ServerInTheMiddle middle(test::portOf(s_server->baseUrl()));
    makeDevicesThrough(middle);
    QSignalSpy errors(&master->session, &SessionManager::sessionError);
    QSignalSpy targetStates(&target->session, &SessionManager::stateChanged);
    const EcdhKeyExchange attacker;
    middle.setRewrite(swappingKeys(attacker));
    master->session.initiateSession(target->clientId(), kPassword);
    ASSERT_WAIT(master->session.state() == SessionState::Failed, 10000);
    EXPECT_EQ(errors.at(0).at(0).toString(), wrongPasswordFor(target->clientId()));

    // A share of the server's own in place of the Master's: it knows no password.
    auto guess =
        Spake2::start(Spake2::Role::A,
                      *Spake2::passwordScalar("Guess-Pass1", "nimbral-spake2-v1 " +
                                                                 target->clientId().toStdString()),
                      master->clientId().toStdString(), target->clientId().toStdString());
    const QByteArray share(reinterpret_cast<const char*>(guess->share().data()),
                           static_cast<qsizetype>(guess->share().size()));
    middle.setRewrite([&](const QByteArray& text) {
        nlohmann::json message = nlohmann::json::parse(text.toStdString(), nullptr, false);
        if (message.is_object() && message.value("type", "") == "SESSION_PAKE_REQUEST") {
            message["pake_share_password"] = share.toBase64().toStdString();
        }
        return QByteArray::fromStdString(message.dump());
    });
    master->session.initiateSession(target->clientId(), kPassword);
    ASSERT_WAIT(master->session.state() == SessionState::Failed, 10000);
    ASSERT_EQ(errors.count(), 2);
    EXPECT_EQ(errors.at(1).at(0).toString(), wrongPasswordFor(target->clientId()));
    EXPECT_TRUE(targetStates.isEmpty()) << "no data flows: the Target took no session";

    // Forced into the old flow, the swap goes unnoticed by the keys, but not by the people
    // comparing the strings.
    middle.setRewrite(swappingKeys(attacker));
    makeTargetAnOlderVersion();
    master->session.initiateSession(target->clientId(), kPassword);
    ASSERT_WAIT(!master->session.shortAuthenticationString().isEmpty() &&
                    !target->session.shortAuthenticationString().isEmpty(),
                10000);
    EXPECT_FALSE(master->session.sessionVerified());
    EXPECT_NE(master->session.shortAuthenticationString(),
              target->session.shortAuthenticationString());
}

} // namespace
} // namespace nimbral
