#include "ui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "network/api_client.h"
#include "network/heartbeat_service.h"
#include "network/signaling_client.h"
#include "session/connection_quality_monitor.h"

namespace nimbral {
namespace {

TEST(FormatClientId, GroupsNineCharactersAndLeavesEverythingElse) {
    EXPECT_EQ(formatClientId("123456789"), "123 456 789");
    EXPECT_EQ(formatClientId(" 123 45 6789 "), "123 456 789");
    EXPECT_EQ(formatClientId("12345678"), "12345678");
    EXPECT_EQ(formatClientId("1234567890"), "1234567890");
    EXPECT_EQ(formatClientId(""), "");
}

// The window on real core objects that talk to nobody (port 9 on loopback).
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
        : settings(folder.filePath("settings.ini"))
        , api(QUrl("http://127.0.0.1:9"))
        , heartbeat(&api)
        , auth(&api, &signaling, &heartbeat, &settings)
        , session(api, signaling)
        , window(auth, api, signaling, session, settings) {
        window.setDialogs(
            [this](const QString& title, const QString& text) {
                warnings.push_back({title, text});
            },
            [this](const QString& title, const QString& text) {
                questions.push_back({title, text});
                return answer;
            });
    }

    void tryConnect(const QString& id, const QString& password) {
        window.partnerBox()->setEditText(id);
        window.passwordEdit()->setText(password);
        window.onConnectClicked();
    }

    QTemporaryDir folder;
    SettingsController settings;
    ApiClient api;
    SignalingClient signaling;
    HeartbeatService heartbeat;
    AuthController auth;
    SessionManager session;
    MainWindow window;
    std::vector<std::pair<QString, QString>> warnings;
    std::vector<std::pair<QString, QString>> questions;
    bool answer = false;
};

TEST_F(MainWindowTest, TheConnectFormRefusesWhatCannotBeAPartner) {
    EXPECT_EQ(window.statusText(), "● Connecting...");
    EXPECT_FALSE(window.connectButton()->isEnabled());
    window.onAuthenticated("987654321");
    EXPECT_EQ(window.clientIdText(), "987 654 321");
    EXPECT_EQ(window.statusText(), "● Ready");
    EXPECT_TRUE(window.connectButton()->isEnabled());

    tryConnect("   ", "pw");
    tryConnect("12345678", "pw");
    tryConnect("12345678a", "pw");
    tryConnect("123 456 789", "   ");
    ASSERT_EQ(warnings.size(), 4u);
    EXPECT_EQ(warnings[0],
              std::make_pair(QString("Error"), QString("Please enter a partner Client ID.")));
    EXPECT_EQ(warnings[1].second, "Partner ID must be exactly 9 digits.");
    EXPECT_EQ(warnings[2].second, "Partner ID must be exactly 9 digits.");
    EXPECT_EQ(warnings[3].second, "Please enter the partner's password.");
    EXPECT_EQ(session.state(), SessionState::Idle) << "nothing was started";
    EXPECT_EQ(window.passwordEdit()->text(), "   ") << "the form is left as it was";

    // Nine digits in groups are nine digits: the session starts and the partner is remembered.
    tryConnect("123 456 789", "secret");
    EXPECT_EQ(warnings.size(), 4u);
    EXPECT_EQ(session.state(), SessionState::Initiating);
    EXPECT_EQ(session.peerClientId(), "123456789");
    EXPECT_EQ(settings.recentPartners(), QStringList{"123456789"});
    EXPECT_EQ(window.partnerBox()->currentText(), "123 456 789");
    EXPECT_FALSE(window.connectButton()->isEnabled());
    EXPECT_EQ(window.statusText(), "● Initiating session...");
}

TEST_F(MainWindowTest, StatusFollowsTheSessionAndRequestErrorsAreExplained) {
    window.onAuthenticated("987654321");
    const std::pair<SessionState, QString> expected[] = {
        {SessionState::Handshaking, "● Exchanging keys..."},
        {SessionState::Connecting, "● Establishing transport..."},
        {SessionState::Closing, "● Disconnecting..."},
        {SessionState::Failed, "● Session failed"},
        {SessionState::Idle, "● Online (Ready)"},
    };
    for (const auto& [state, text] : expected) {
        window.onSessionStateChanged(state);
        EXPECT_EQ(window.statusText(), text);
    }
    EXPECT_EQ(window.currentPage(), 0);

    window.onRequestError("/sessions/.../close", 404, "Session not found");
    EXPECT_TRUE(warnings.empty()) << "close and complete errors are not the user's business";
    window.onRequestError("/sessions/create", 409, "Target is offline");
    window.onRequestError("/sessions/create", 404, "Target not available");
    window.onRequestError("/sessions/create", 403, "Invalid session password");
    window.onRequestError("/sessions/create", 500, "Internal error");
    ASSERT_EQ(warnings.size(), 4u);
    EXPECT_EQ(warnings[0], std::make_pair(QString("Connection Error"),
                                          QString("The partner is not available or offline.")));
    EXPECT_EQ(warnings[1].second, "The partner is not available or offline.");
    EXPECT_EQ(warnings[2].second, "Invalid session password.");
    EXPECT_EQ(warnings[3].second, "Failed to connect. Please try again.");
    EXPECT_EQ(window.statusText(), "● Online (Ready)");

    window.onSessionError("Failed to start screen capture.");
    EXPECT_EQ(warnings.back(),
              std::make_pair(QString("Session Error"), QString("Failed to start screen capture.")));
    window.onLoggedOut();
    EXPECT_EQ(window.clientIdText(), "Not connected");
    EXPECT_EQ(window.statusText(), "● Disconnected");
    EXPECT_FALSE(window.connectButton()->isEnabled());
}

TEST_F(MainWindowTest, AnIncomingRequestIsAskedAndADeclineSendsNothing) {
    window.onSessionHandshakeRequest("s-1", "111222333", QString());
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].first, "Incoming Connection");
    EXPECT_EQ(questions[0].second,
              "Client 111 222 333 wants to connect.\nPurpose: remote access\n\nAccept?");
    EXPECT_EQ(session.state(), SessionState::Idle);

    answer = true;
    window.onSessionHandshakeRequest("s-2", "111222333", "support");
    EXPECT_TRUE(questions.back().second.contains("Purpose: support"));
    EXPECT_EQ(session.state(), SessionState::Handshaking);
    EXPECT_EQ(session.role(), SessionRole::Target);
    EXPECT_EQ(session.sessionId(), "s-2");
}

TEST_F(MainWindowTest, AConnectedMasterSeesTheSessionPageUntilTheSessionEnds) {
    window.onAuthenticated("987654321");
    tryConnect("123456789", "secret");
    window.onSessionStateChanged(SessionState::Connected);
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_EQ(window.windowTitle(), "Nimbral - Connected to 123456789");
    EXPECT_EQ(window.statusText(), "● Connected");
    EXPECT_GE(window.minimumWidth(), 800);
    // Frames reach the view when there is one (off screen there is no OpenGL, and no view).
    window.onFrameDecoded(std::make_shared<DecodedFrame>());
    session.endSession("user_disconnect");
    EXPECT_EQ(window.currentPage(), 0);
    EXPECT_EQ(window.windowTitle(), "Nimbral - Remote Access");
    EXPECT_TRUE(window.connectButton()->isEnabled());
}

TEST_F(MainWindowTest, AConnectedTargetShowsItsFiguresWithoutASessionPage) {
    window.onAuthenticated("987654321");
    answer = true;
    window.onSessionHandshakeRequest("s-3", "111222333", QString());
    window.onSessionStateChanged(SessionState::Connected);
    EXPECT_EQ(window.currentPage(), 0);
    // A tick rates the link (no frames: Poor) and fills the figures; nothing else to update.
    auto* monitor = window.findChild<ConnectionQualityMonitor*>();
    ASSERT_NE(monitor, nullptr);
    ASSERT_TRUE(monitor->isRunning());
    monitor->onUpdateTick();
    EXPECT_EQ(monitor->qualityLevel(), QualityLevel::Poor);
}

TEST_F(MainWindowTest, ClosingDuringASessionEndsItAndKeepsTheWindow) {
    window.onAuthenticated("987654321");
    tryConnect("123456789", "secret");
    ASSERT_EQ(session.state(), SessionState::Initiating);
    QCloseEvent close;
    QApplication::sendEvent(&window, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_EQ(session.state(), SessionState::Idle);
    EXPECT_EQ(window.currentPage(), 0);

    QCloseEvent again;
    QApplication::sendEvent(&window, &again);
    EXPECT_TRUE(again.isAccepted()) << "at rest the window closes";
}

} // namespace
} // namespace nimbral
