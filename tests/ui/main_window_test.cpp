#include "find_child.h"
#include "ui/client_core.h"
#include "ui/main_window.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "network/api_client.h"
#include "network/heartbeat_service.h"
#include "network/signaling_client.h"
#include "session/connection_quality_monitor.h"
#include "session/update_service.h"
#include "ui/chat_dialog.h"
#include "ui/device_card.h"
#include "ui/remote_desktop_widget.h"
#include "wait_until.h"

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
// A window of its own, on core objects of its own that talk to `server`.
struct WindowFor {
    WindowFor(const QUrl& server, SettingsController& settings)
        : api(server)
        , heartbeat(&api)
        , auth(&api, &signaling, &heartbeat, &settings)
        , session(api, signaling)
        , window(auth, api, signaling, session, settings, nullptr, /*withTray=*/false) {}

    ApiClient api;
    SignalingClient signaling;
    HeartbeatService heartbeat;
    AuthController auth;
    SessionManager session;
    MainWindow window;
};

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
        const auto input = [this](const QString& title,
                                  const QString& label) -> std::optional<QString> {
            inputs.push_back({title, label});
            return typed;
        };
        window.setTextInput(input);
        window.setPasswordInput(input);
        window.setInformation([this](const QString& title, const QString& text) {
            information.push_back({title, text});
        });
        CommandRunner commands;
        commands.run = [this](const QString& program, const QStringList& arguments, int) {
            ran.push_back(QStringList{program} + arguments);
            return std::optional<int>(1);
        };
        commands.startDetached = [this](const QString& program, const QStringList& arguments) {
            ran.push_back(QStringList{program} + arguments);
            return true;
        };
        window.setCommandRunner(commands);
    }

    void tryConnect(const QString& id, const QString& password) {
        test::child<QComboBox>(window, "partnerBox")->setEditText(id);
        test::child<QLineEdit>(window, "partnerPassword")->setText(password);
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
    std::vector<std::pair<QString, QString>> inputs;
    std::vector<std::pair<QString, QString>> information;
    std::optional<QString> typed;
    std::vector<QStringList> ran;
};

TEST_F(MainWindowTest, TheConnectFormRefusesWhatCannotBeAPartner) {
    EXPECT_EQ(window.statusText(), "● Connecting...");
    EXPECT_FALSE(test::child<QPushButton>(window, "connectButton")->isEnabled());
    window.onAuthenticated("987654321");
    EXPECT_EQ(window.clientIdText(), "987 654 321");
    EXPECT_EQ(window.statusText(), "● Ready");
    EXPECT_TRUE(test::child<QPushButton>(window, "connectButton")->isEnabled());

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
    EXPECT_EQ(test::child<QLineEdit>(window, "partnerPassword")->text(), "   ")
        << "the form is left as it was";

    auto* disconnect = test::child<QPushButton>(window, "disconnectButton");
    EXPECT_TRUE(disconnect->isHidden()) << "nothing to disconnect yet";

    // Nine digits in groups are nine digits: the session starts and the partner is remembered.
    tryConnect("123 456 789", "secret");
    EXPECT_FALSE(disconnect->isHidden());
    EXPECT_TRUE(disconnect->isEnabled());
    EXPECT_EQ(warnings.size(), 4u);
    EXPECT_EQ(session.state(), SessionState::Initiating);
    EXPECT_EQ(session.peerClientId(), "123456789");
    EXPECT_EQ(settings.recentPartners(), QStringList{"123456789"});
    EXPECT_EQ(test::child<QComboBox>(window, "partnerBox")->currentText(), "123 456 789");
    EXPECT_FALSE(test::child<QPushButton>(window, "connectButton")->isEnabled());
    EXPECT_EQ(window.statusText(), "● Initiating session...");
    disconnect->click();
    EXPECT_EQ(session.state(), SessionState::Idle);
    EXPECT_TRUE(disconnect->isHidden());
}

// The partner's password shows only while the user asks; one given to the program (a file,
// standard input) never reaches the form, which anyone passing by can read.
TEST_F(MainWindowTest, ThePartnerPasswordIsMaskedAndAGivenOneNeverShows) {
    auto* edit = test::child<QLineEdit>(window, "partnerPassword");
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    auto* toggle = edit->findChild<QAction*>("showPassword");
    ASSERT_NE(toggle, nullptr);
    toggle->trigger();
    EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(toggle->toolTip(), "Hide password");
    toggle->trigger();
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);

    window.onAuthenticated("987654321");
    window.connectTo("123456789", "from-a-file");
    EXPECT_EQ(session.state(), SessionState::Initiating);
    EXPECT_EQ(session.peerClientId(), "123456789");
    EXPECT_TRUE(edit->text().isEmpty());
}

TEST_F(MainWindowTest, StatusFollowsTheSessionAndRequestErrorsAreExplained) {
    window.onAuthenticated("987654321");
    const std::pair<SessionState, QString> expected[] = {
        {SessionState::Handshaking, "● Exchanging keys..."},
        {SessionState::Connecting, "● Establishing transport..."},
        {SessionState::Closing, "● Disconnecting..."},
        // A failed attempt has its message box; the device's own line stays on the device.
        {SessionState::Failed, "● Online (Ready)"},
        {SessionState::Idle, "● Online (Ready)"},
    };
    for (const auto& [state, text] : expected) {
        window.onSessionStateChanged(state);
        EXPECT_EQ(window.statusText(), text);
    }
    EXPECT_EQ(window.currentPage(), 0);

    window.onRequestError("/sessions/.../close", 404, "Session not found");
    window.onRequestError("/sessions/create", 409, "Target does not support verified sessions");
    EXPECT_TRUE(warnings.empty()) << "close and complete errors are not the user's business, nor "
                                     "a partner that cannot verify (the session goes on)";
    // A refusal frees the form; the session's own report is the one message the user reads.
    window.onSessionStateChanged(SessionState::Initiating);
    window.onRequestError("/sessions/create", 409, "Target is offline");
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(window.statusText(), "● Online (Ready)");
    EXPECT_TRUE(test::child<QPushButton>(window, "connectButton")->isEnabled());

    window.onSessionError("Failed to start screen capture.");
    EXPECT_EQ(warnings.back(),
              std::make_pair(QString("Session Error"), QString("Failed to start screen capture.")));
    window.onLoggedOut();
    EXPECT_EQ(window.clientIdText(), "Not connected");
    EXPECT_EQ(window.statusText(), "● Disconnected");
    EXPECT_FALSE(test::child<QPushButton>(window, "connectButton")->isEnabled());
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

TEST_F(MainWindowTest, APairingCodeRequestShowsTheStringAndAChangedKeyIsTheUsersCall) {
    window.onSessionApprovalRequested("s-3", "111222333", "042917",
                                      "aaaa bbbb cccc dddd eeee ffff 0000 1111");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].first, "Incoming Connection");
    EXPECT_EQ(questions[0].second,
              "Client 111 222 333 wants to connect with your pairing code.\n\nSecurity code: "
              "042917\nAsk your partner to read out the code on their screen: accept only if it "
              "is the same.\n\nPartner's device key: aaaa bbbb cccc dddd eeee ffff 0000 "
              "1111\n\nAccept?");

    // A changed key: the error becomes a question, and only a yes pins the new key.
    window.onAuthenticated("987654321");
    const QByteArray newKey(32, 'k');
    window.onPartnerKeyChanged("123456789", "old", "new", newKey);
    window.onSessionError("The device key of partner 123456789 has changed.");
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[1].first, "Device Key Changed");
    EXPECT_TRUE(questions[1].second.endsWith("Trust the new key and connect?"));
    EXPECT_TRUE(settings.pinnedPartnerKey("123456789").isEmpty());
    window.onPartnerKeyChanged("123456789", "old", "new", newKey);
    answer = true;
    tryConnect("123456789", "secret");
    session.endSession("user_disconnect");
    window.onSessionError("The device key of partner 123456789 has changed.");
    EXPECT_EQ(settings.pinnedPartnerKey("123456789"), newKey);
    EXPECT_EQ(session.state(), SessionState::Initiating) << "and connects again";
    EXPECT_TRUE(warnings.empty());
}

TEST_F(MainWindowTest, AConnectedMasterSeesTheSessionPageUntilTheSessionEnds) {
    window.onAuthenticated("987654321");
    tryConnect("123456789", "secret");
    window.onSessionStateChanged(SessionState::Connected);
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_EQ(window.windowTitle(), "Nimbral - Connected to 123 456 789 (Not verified)");
    EXPECT_EQ(window.statusText(), "● Connected");
    EXPECT_GE(window.minimumWidth(), 800);
    // A frame that holds nothing is dropped by the view, not drawn.
    window.onFrameDecoded(std::make_shared<DecodedFrame>());
    session.endSession("user_disconnect");
    EXPECT_EQ(window.currentPage(), 0);
    EXPECT_EQ(window.windowTitle(), "Nimbral - Remote Access");
    EXPECT_TRUE(test::child<QPushButton>(window, "connectButton")->isEnabled());
}

TEST_F(MainWindowTest, AConnectedTargetShowsItsFiguresWithoutASessionPage) {
    window.onAuthenticated("987654321");
    answer = true;
    window.onSessionHandshakeRequest("s-3", "111222333", QString());
    window.onSessionStateChanged(SessionState::Connected);
    EXPECT_EQ(window.currentPage(), 0);
    // A tick rates the link (no frames, nothing lost: idle and good) and fills the figures;
    // nothing else to update.
    auto* monitor = window.findChild<ConnectionQualityMonitor*>();
    ASSERT_NE(monitor, nullptr);
    ASSERT_TRUE(monitor->isRunning());
    monitor->onUpdateTick();
    EXPECT_EQ(monitor->qualityLevel(), QualityLevel::Good);
    // The line on the shared screen names the partner and stays as it is: a line that changed
    // every tick would cost a picture a second.
    auto* line = test::child<QLabel>(window, "statistics");
    EXPECT_TRUE(line->text().startsWith("Sharing this screen with 111 222 333 since "))
        << line->text().toStdString();
    const QString shown = line->text();
    monitor->recordBytesSent(5000);
    monitor->onUpdateTick();
    EXPECT_EQ(line->text(), shown);
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

TEST_F(MainWindowTest, IconButtonsAreFlatAndTheCopyButtonsCopy) {
    for (const char* tip :
         {"Admin Panel", "Settings", "Copy ID", "Copy Password", "Change Password",
          "Add to favorites", "Wake-on-LAN", "Copy Pairing Code"}) {
        QPushButton* button = window.button(tip);
        ASSERT_NE(button, nullptr) << tip;
        EXPECT_EQ(button->property("look").toString(), "flat") << tip;
    }
    auth.setSessionPassword("Secret-Pw1");
    window.onAuthenticated("987654321");
    QPushButton* copyId = window.button("Copy ID");
    copyId->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "987654321") << "without the blanks";
    EXPECT_EQ(copyId->toolTip(), "Copied") << "the button says it worked";
    EXPECT_WAIT(copyId->toolTip() == "Copy ID", kCopiedFeedbackMs + 2000) << "for a moment";
    window.button("Copy Password")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Secret-Pw1");
    emit auth.pairingCodeChanged("ABC-123");
    window.button("Copy Pairing Code")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "ABC-123");
}

// Favourites sit under their own heading below the form, the window keeps its height however
// often the star is clicked, and the list marks only the favourite that is in the form.
TEST_F(MainWindowTest, FavouritesSitUnderTheirHeadingWithoutGrowingTheWindow) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* box = test::child<QComboBox>(window, "partnerBox");
    auto* star = test::child<QPushButton>(window, "favoriteButton");
    auto* list = test::child<QListWidget>(window, "favoritesList");
    box->setEditText("123 456 789");
    star->click();
    ASSERT_EQ(list->count(), 1);
    EXPECT_FALSE(list->isHidden());
    const auto top = [&](QWidget* widget) {
        return widget->mapTo(&window, QPoint()).y();
    };
    EXPECT_GT(top(list), top(test::child<QPushButton>(window, "connectButton")))
        << "below the form, not between the ID and the password";
    QTest::qWait(50);
    const int height = window.height();
    for (int click = 0; click < 4; ++click) {
        star->click();
        QTest::qWait(50);
    }
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(window.height(), height) << "the window grew with the clicks";
    EXPECT_EQ(list->selectedItems().size(), 1);
    box->setEditText("111 222 333");
    EXPECT_TRUE(list->selectedItems().isEmpty()) << "another ID is typed: nothing marked";
    box->setEditText("123 456 789");
    EXPECT_EQ(list->selectedItems().size(), 1);
}

// The admin panel belongs to the built-in server: with a server of one's own (--server) the
// home page offers none, instead of a site that knows nothing of this device.
TEST_F(MainWindowTest, TheAdminPanelIsOfferedOnlyWithTheBuiltInServer) {
    EXPECT_TRUE(test::child<QPushButton>(window, "adminPanelButton")->isHidden());
    EXPECT_TRUE(test::child<QLabel>(window, "adminPanelLink")->isHidden());

    WindowFor builtIn(settings.serverUrl(), settings);
    MainWindow& home = builtIn.window;
    EXPECT_FALSE(test::child<QPushButton>(home, "adminPanelButton")->isHidden());
    EXPECT_FALSE(test::child<QLabel>(home, "adminPanelLink")->isHidden());
    QUrl opened;
    home.setUrlOpener([&opened](const QUrl& url) { opened = url; });
    test::child<QPushButton>(home, "adminPanelButton")->click();
    EXPECT_EQ(opened.scheme(), "https");
    EXPECT_FALSE(opened.host().isEmpty());
}

TEST_F(MainWindowTest, TheStarKeepsFavouritesOfNineDigits) {
    EXPECT_FALSE(test::child<QListWidget>(window, "favoritesList")->isVisibleTo(&window))
        << "hidden while empty";
    test::child<QComboBox>(window, "partnerBox")->setEditText("12345678");
    test::child<QPushButton>(window, "favoriteButton")->click();
    EXPECT_TRUE(settings.favorites().isEmpty()) << "eight digits are no ID";

    test::child<QComboBox>(window, "partnerBox")->setEditText("123 456 789");
    const QIcon before = test::child<QPushButton>(window, "favoriteButton")->icon();
    test::child<QPushButton>(window, "favoriteButton")->click();
    EXPECT_EQ(settings.favorites(), QStringList{"123456789"});
    ASSERT_EQ(test::child<QListWidget>(window, "favoritesList")->count(), 1);
    EXPECT_EQ(test::child<QListWidget>(window, "favoritesList")->item(0)->text(), "123 456 789");
    EXPECT_TRUE(test::child<QListWidget>(window, "favoritesList")->isVisibleTo(&window));
    EXPECT_NE(test::child<QPushButton>(window, "favoriteButton")->icon().cacheKey(),
              before.cacheKey());

    // Choosing the entry fills the combo box.
    test::child<QComboBox>(window, "partnerBox")->setEditText("");
    emit test::child<QListWidget>(window, "favoritesList")
        ->itemClicked(test::child<QListWidget>(window, "favoritesList")->item(0));
    EXPECT_EQ(test::child<QComboBox>(window, "partnerBox")->currentText(), "123 456 789");

    test::child<QPushButton>(window, "favoriteButton")->click();
    EXPECT_TRUE(settings.favorites().isEmpty());
    EXPECT_FALSE(test::child<QListWidget>(window, "favoritesList")->isVisibleTo(&window));
}

TEST_F(MainWindowTest, APasswordChangeMustPassTheRules) {
    window.onAuthenticated("987654321");
    const QString original = auth.sessionPassword();
    typed = "short";
    window.button("Change Password")->click();
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].first, "Change Session Password");
    EXPECT_EQ(inputs[0].second, "New password (min 8 chars, uppercase + lowercase + digit):");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].first, "Invalid Password");
    EXPECT_EQ(warnings[0].second, AuthController::validatePassword("short"));
    EXPECT_EQ(auth.sessionPassword(), original);

    typed = std::nullopt; // cancelled
    window.button("Change Password")->click();
    EXPECT_EQ(warnings.size(), 1u);

    typed = "Better-Pass9";
    window.button("Change Password")->click();
    EXPECT_EQ(warnings.size(), 1u);
    EXPECT_EQ(auth.sessionPassword(), "Better-Pass9");
    EXPECT_EQ(settings.sessionPassword(), "Better-Pass9");
    window.button("Copy Password")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Better-Pass9") << "the label shows it";
}

// The settings reach the session: the capture monitor among them (it was once stored only).
TEST_F(MainWindowTest, TheSessionTakesTheCaptureSettings) {
    settings.setMonitorIndex(1);
    applySessionSettings(settings, session, auth);
    EXPECT_EQ(session.monitorIndex(), 1u);
    settings.setMonitorIndex(0);
    applySessionSettings(settings, session, auth);
    EXPECT_EQ(session.monitorIndex(), 0u);
}

TEST_F(MainWindowTest, WakeOnLanSendsTheMagicPacketAndRemembersTheAddress) {
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress(QHostAddress::LocalHost), 0));
    window.setWakeOnLanTarget(QHostAddress(QHostAddress::LocalHost), listener.localPort());
    test::child<QComboBox>(window, "partnerBox")->setEditText("123 456 789");

    typed = std::nullopt;
    window.button("Wake-on-LAN")->click();
    EXPECT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].first, "Wake-on-LAN");
    EXPECT_TRUE(settings.wolMacAddress("123456789").isEmpty()) << "cancelled: nothing stored";

    typed = "00-1A-2B-3C-4D-5E";
    window.button("Wake-on-LAN")->click();
    ASSERT_WAIT(listener.hasPendingDatagrams(), 3000);
    const QByteArray packet = listener.receiveDatagram().data();
    ASSERT_EQ(packet.size(), 102);
    EXPECT_EQ(packet.left(6), QByteArray(6, char(0xFF)));
    EXPECT_EQ(packet.mid(96, 6), QByteArray::fromHex("001a2b3c4d5e"));
    EXPECT_EQ(settings.wolMacAddress("123456789"), "00-1A-2B-3C-4D-5E");
    ASSERT_EQ(information.size(), 1u);
    EXPECT_EQ(information[0].second, "Wake-on-LAN packet sent to 00-1A-2B-3C-4D-5E");

    // Stored now: no second question.
    window.button("Wake-on-LAN")->click();
    EXPECT_EQ(inputs.size(), 2u);
    ASSERT_WAIT(listener.hasPendingDatagrams(), 3000);

    test::child<QComboBox>(window, "partnerBox")->setEditText("111 222 333");
    typed = "00:1A:2B:3C:4D:5";
    window.button("Wake-on-LAN")->click();
    ASSERT_FALSE(warnings.empty());
    EXPECT_EQ(warnings.back(),
              std::make_pair(QString("Wake-on-LAN"),
                             QString("\"00:1A:2B:3C:4D:5\" is not a MAC address: it has six pairs "
                                     "of hexadecimal digits, such as 00:1A:2B:3C:4D:5E.")));
    EXPECT_TRUE(settings.wolMacAddress("111222333").isEmpty()) << "a typo is not kept";
    EXPECT_TRUE(inputs.back().second.contains("getmac")) << "the question says where to look";
    const std::size_t asked = inputs.size();
    typed = std::nullopt;
    window.button("Wake-on-LAN")->click();
    EXPECT_EQ(inputs.size(), asked + 1) << "asked again after the typo";

    // A packet that could not go out is reported as such, not as sent.
    window.setWakeOnLanTarget(QHostAddress(QHostAddress::LocalHost), 0); // refused: no port 0
    test::child<QComboBox>(window, "partnerBox")->setEditText("123 456 789");
    window.button("Wake-on-LAN")->click();
    EXPECT_EQ(warnings.back().second,
              "The Wake-on-LAN packet to 00-1A-2B-3C-4D-5E could not be sent.");
    EXPECT_EQ(information.size(), 2u) << "no second \"sent\"";
}

TEST_F(MainWindowTest, SessionShortcutsLiveOnlyOnTheSessionPage) {
    EXPECT_FALSE(window.sessionShortcutsEnabled()) << "F11 must not enlarge the home window";
    window.onAuthenticated("987654321");
    tryConnect("123456789", "secret");
    window.onSessionStateChanged(SessionState::Connected);
    EXPECT_TRUE(window.sessionShortcutsEnabled());
    ASSERT_NE(test::child<QAction>(window, "infoAction"), nullptr);
    EXPECT_TRUE(test::child<QAction>(window, "infoAction")->isEnabled());
    EXPECT_TRUE(test::child<QAction>(window, "filesAction")->isEnabled());
    EXPECT_TRUE(test::child<QAction>(window, "chatAction")->isEnabled());
    EXPECT_NE(test::child<ChatDialog>(window, "chatDialog"), nullptr)
        << "a chat dialog for every connected session";
    // A picture of this session, then its end: the next session starts black.
    auto picture = std::make_shared<DecodedFrame>();
    picture->width = picture->height = picture->yStride = picture->uvStride = 2;
    picture->yPlane.assign(4, 200);
    picture->uvPlane.assign(2, 128);
    window.onFrameDecoded(picture);
    auto* view = test::child<RemoteDesktopWidget>(window, "remoteView");
    ASSERT_WAIT(view->frameWidth() == 2, 2000);
    // The scale menu ticks the mode in use; the shortcut moves on and says which mode is on.
    auto* scaleMenu = test::child<QMenu>(window, "scaleMenu");
    ASSERT_NE(scaleMenu, nullptr);
    EXPECT_TRUE(scaleMenu->actions().at(0)->isChecked());
    QShortcut* nextScale = nullptr;
    for (QShortcut* shortcut : window.findChildren<QShortcut*>()) {
        if (shortcut->key() == QKeySequence("Ctrl+Shift+Q")) {
            nextScale = shortcut;
        }
    }
    ASSERT_NE(nextScale, nullptr);
    emit nextScale->activated();
    EXPECT_EQ(view->scaleMode(), ScaleMode::StretchToFill);
    EXPECT_TRUE(scaleMenu->actions().at(1)->isChecked());
    EXPECT_FALSE(scaleMenu->actions().at(0)->isChecked());
    EXPECT_EQ(QToolTip::text(), "Scale: Stretch to Fill");
    scaleMenu->actions().at(2)->trigger();
    EXPECT_EQ(view->scaleMode(), ScaleMode::OriginalSize);
    EXPECT_EQ(view->size(), QSize(2, 2)) << "in a scroll area, as large as the remote screen";
    session.endSession("user_disconnect");
    EXPECT_FALSE(window.sessionShortcutsEnabled());
    EXPECT_EQ(test::child<ChatDialog>(window, "chatDialog"), nullptr);
    EXPECT_EQ(view->frameWidth(), 0);
}

TEST_F(MainWindowTest, TheFiguresNameTheFrameRateBesideTheBadgeAndTheTitleStaysStill) {
    window.onAuthenticated("987654321");
    tryConnect("123456789", "secret");
    window.onSessionStateChanged(SessionState::Connected);
    for (int i = 0; i < 12; ++i) {
        window.onFrameDecoded(std::make_shared<DecodedFrame>());
    }
    auto* monitor = window.findChild<ConnectionQualityMonitor*>();
    ASSERT_NE(monitor, nullptr);
    ConnectionStats stats;
    stats.fps = 24.7;
    stats.latencyMs = 31.9;
    window.onStatsUpdated(stats);
    // The title stays as the connection set it; the figures go beside the badge.
    const QString title = "Nimbral - Connected to 123 456 789 (Not verified)";
    EXPECT_EQ(window.windowTitle(), title);
    ASSERT_NE(test::child<QLabel>(window, "qualityBadge"), nullptr);
    const char* level[] = {"Good", "Fair", "Poor"};
    const QString figures = QString("%1 (24 FPS, 31ms)").arg(level[int(monitor->qualityLevel())]);
    EXPECT_EQ(test::child<QLabel>(window, "qualityBadge")->toolTip(), figures);
    EXPECT_EQ(test::child<QLabel>(window, "sessionFigures")->text(), figures);

    // A still screen on a healthy link: idle, and good.
    monitor->onUpdateTick(); // the second with the twelve frames above
    monitor->setLatency(12);
    monitor->onUpdateTick();
    EXPECT_EQ(monitor->stats().fps, 0.0);
    EXPECT_EQ(window.windowTitle(), title);
    EXPECT_EQ(test::child<QLabel>(window, "qualityBadge")->toolTip(), "Good (idle, 12ms)");
    EXPECT_EQ(test::child<QLabel>(window, "sessionFigures")->text(), "Good (idle, 12ms)");
    // A lost video packet makes it fair for that second.
    emit session.videoLost();
    monitor->onUpdateTick();
    EXPECT_EQ(test::child<QLabel>(window, "qualityBadge")->toolTip(), "Fair (idle, 12ms)");
}

// Plain http to another host puts the device secret and the session password on the network:
// the window says so, for as long as it shows; to this machine it says nothing.
TEST_F(MainWindowTest, APlainConnectionToAnotherHostIsShownAsNotEncrypted) {
    EXPECT_EQ(window.findChild<QLabel*>("plainConnectionWarning"), nullptr) << "loopback";
    for (const char* url : {"http://192.0.2.10:8080", "http://server.example"}) {
        WindowFor plain(QUrl(url), settings);
        const auto* warning = plain.window.findChild<QLabel*>("plainConnectionWarning");
        ASSERT_NE(warning, nullptr) << url;
        EXPECT_EQ(warning->text(), "The connection to the server is not encrypted");
    }
    EXPECT_TRUE(ApiClient::crossesNetworkInClear(QUrl("http://[2001:db8::1]:8080")));
    for (const char* quiet : {"https://server.example", "http://localhost:8080", "http://[::1]:80",
                              "http://127.0.0.2:8080"}) {
        EXPECT_FALSE(ApiClient::crossesNetworkInClear(QUrl(quiet))) << quiet;
    }
}

TEST_F(MainWindowTest, OneUpdateBannerWhoseButtonDownloadsAndReportsFailure) {
    UpdateService updates(QUrl("http://127.0.0.1:9/download/NimbralSetup.json"), "1.0.0", {});
    window.setUpdateService(&updates);
    emit updates.updateAvailable("2.0.0", "http://192.0.2.1/NimbralSetup.zip", "notes");
    emit updates.updateAvailable("2.0.1", "http://192.0.2.1/NimbralSetup.zip", "notes");
    ASSERT_NE(test::child<QWidget>(window, "updateBanner"), nullptr);
    EXPECT_EQ(window.findChildren<QWidget*>("updateBanner").size(), 1) << "only one banner";
    auto* label = test::child<QWidget>(window, "updateBanner")->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Update available: v2.0.0");
    auto* update = test::child<QWidget>(window, "updateBanner")->findChild<QPushButton*>();
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(update->text(), "Update Now");
    // The address is not https and not this machine: refused at once, and the user is told.
    update->click();
    ASSERT_FALSE(warnings.empty());
    EXPECT_EQ(warnings.back().second, "The update address is not secure — update aborted.");
    EXPECT_TRUE(update->isEnabled()) << "the user may try again";
}

TEST_F(MainWindowTest, TheInstallerIsHandedToThePackageManager) {
    window.launchInstaller("/tmp/nimbral-update-x/NimbralSetup.deb");
    ASSERT_EQ(ran.size(), 1u);
    EXPECT_EQ(ran[0], (QStringList{"pkexec", "apt-get", "install", "-y",
                                   "/tmp/nimbral-update-x/NimbralSetup.deb"}));
}

TEST_F(MainWindowTest, QuittingEndsTheRunningSession) {
    window.onAuthenticated("987654321");
    tryConnect("123456789", "secret");
    ASSERT_EQ(session.state(), SessionState::Initiating);
    window.onQuitRequested();
    EXPECT_EQ(session.state(), SessionState::Idle) << "ended, not abandoned";
}

} // namespace
} // namespace nimbral
