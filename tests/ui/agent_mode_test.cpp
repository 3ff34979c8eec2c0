// The client as the agent of NimbralService: the real service program in console mode at our
// real server, the agent's window in this process, and a second complete device that reaches
// the machine through the service's ID.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include "core/settings_controller.h"
#include "device_stack.h"
#include "find_child.h"
#include "qstring_printer.h"
#include "service/service_ipc_client.h"
#include "service_program.h"
#include "session/chat_service.h"
#include "ui/agent_window.h"
#include "ui/chat_dialog.h"
#include "ui/display_text.h"
#include "ui/remote_desktop_widget.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using test::DeviceStack;
using test::ServerProcess;

constexpr const char* kServicePassword = "Agent-Pass7";
constexpr const char* kPartnerPassword = "Partner-Pass8";

class AgentMode : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.output().toStdString();
        endpoint = folder.filePath("run/NimbralService");
        // Everything on loopback: the server's relay port, P2P on 127.0.0.1.
        ASSERT_TRUE(test::startServiceProgram(
            service, server, folder, endpoint,
            {"--relay-port", QString::number(server.relayPort()), "--bind-address", "127.0.0.1"}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return agent.connectToService(endpoint, 500); }, 15000))
            << service.readAll().toStdString();
    }

    void TearDown() override {
        window.reset();
        agent.disconnectFromService();
        if (service.state() != QProcess::NotRunning) {
            service.terminate();
            EXPECT_TRUE(service.waitForFinished(15000));
        }
        EXPECT_EQ(service.exitCode(), 0) << log().toStdString();
    }

    QString log() {
        serviceOutput += QString::fromUtf8(service.readAll());
        return serviceOutput;
    }

    ServerProcess server;
    QTemporaryDir folder;
    QString endpoint;
    QProcess service;
    QString serviceOutput;
    ServiceIpcClient agent;
    SettingsController agentSettings{folder.filePath("agent.ini")};
    std::unique_ptr<AgentWindow> window;
    QStringList warnings;
};

TEST_F(AgentMode, AMasterReachesTheServicesIdAndChatsWithTheAgentsWindow) {
    window = std::make_unique<AgentWindow>(agent, agentSettings);
    window->setDialogs(
        [this](const QString&, const QString& text) { warnings << text; },
        [](const QString&, const QString&) { return std::optional<QString>(kServicePassword); });
    window->show();
    ASSERT_WAIT(!agent.clientId().isEmpty(), 15000);
    EXPECT_EQ(test::child<QLabel>(*window, "clientId")->text(), formatClientId(agent.clientId()));
    EXPECT_EQ(agent.clientId().size(), 9);
    EXPECT_TRUE(test::child<QPushButton>(*window, "connectButton")->isEnabled());

    // The password a partner needs is set through the window, and is the service's.
    window->onChangePasswordClicked();
    ASSERT_WAIT(agent.sessionPassword() == kServicePassword, 5000);
    EXPECT_EQ(test::child<QLabel>(*window, "sessionPassword")->text(), QString(kServicePassword));

    // A second device connects to the service's ID: the service accepts and shares this
    // display (Xvfb), the agent's window shows the session.
    DeviceStack master(server, QString(), 3000);
    ASSERT_TRUE(master.bringOnline());
    QSignalSpy pictures(&master.session, &SessionManager::frameDecoded);
    master.session.initiateSession(agent.clientId(), kServicePassword);
    ASSERT_WAIT(master.session.state() == SessionState::Connected &&
                    agent.state() == SessionState::Connected,
                20000)
        << log().toStdString();
    EXPECT_EQ(agent.role(), ServiceIpcClient::Role::Target);
    EXPECT_EQ(agent.peerClientId(), master.clientId());
    // Verified with the service's own key, and the string the Master's user sees is here too.
    EXPECT_TRUE(master.session.sessionVerified());
    EXPECT_EQ(test::child<QLabel>(*window, "statusLine")->text(),
              "Connected · security code " + master.session.shortAuthenticationString());
    EXPECT_EQ(agent.deviceFingerprint(), master.session.partnerFingerprint());
    EXPECT_TRUE(test::child<QPushButton>(*window, "disconnectButton")->isEnabled());
    EXPECT_WAIT(pictures.count() > 0, 15000);
    EXPECT_TRUE(log().contains("proved the password")) << log().toStdString();

    // Chat both ways through the service's connection.
    ASSERT_NE(master.session.chatService(), nullptr);
    QSignalSpy heard(master.session.chatService(), &ChatService::messageReceived);
    master.session.chatService()->sendMessage(QStringLiteral("Hello from the Master"));
    ASSERT_WAIT(test::child<ChatDialog>(*window, "chatDialog") != nullptr &&
                    test::child<ChatDialog>(*window, "chatDialog")
                        ->history()
                        ->toPlainText()
                        .contains("Hello from the Master"),
                10000);
    EXPECT_TRUE(test::child<ChatDialog>(*window, "chatDialog")->isVisible())
        << "the Target's user sees it at once";
    test::child<ChatDialog>(*window, "chatDialog")
        ->input()
        ->setText(QStringLiteral("Hello from the service's screen"));
    test::child<ChatDialog>(*window, "chatDialog")->sendButton()->click();
    ASSERT_WAIT(heard.count() > 0, 10000);
    EXPECT_EQ(heard.at(0).at(0).toString(), QString("Hello from the service's screen"));

    // The Master leaves; the window is back at rest.
    master.session.endSession(QStringLiteral("user_disconnect"));
    ASSERT_WAIT(agent.state() == SessionState::Idle, 10000);
    EXPECT_EQ(test::child<QLabel>(*window, "statusLine")->text(), QString("Online (Ready)"));
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
}

TEST_F(AgentMode, TheAgentsWindowViewsAPartnerThroughTheService) {
    window = std::make_unique<AgentWindow>(agent, agentSettings);
    window->setDialogs([this](const QString&, const QString& text) { warnings << text; },
                       [](const QString&, const QString&) { return std::nullopt; });
    window->show();
    ASSERT_WAIT(test::child<QPushButton>(*window, "connectButton")->isEnabled(), 15000);

    DeviceStack partner(server, kPartnerPassword, 3000);
    QObject::connect(&partner.signaling, &SignalingClient::sessionAutoAccept, &partner.session,
                     &SessionManager::acceptSession);
    ASSERT_TRUE(partner.bringOnline());
    window->connectTo(formatClientId(partner.clientId()), kPartnerPassword);
    ASSERT_WAIT(partner.session.state() == SessionState::Connected &&
                    agent.state() == SessionState::Connected,
                20000)
        << log().toStdString();
    EXPECT_EQ(agent.role(), ServiceIpcClient::Role::Master);
    EXPECT_EQ(test::child<QStackedWidget>(*window, "pages")->currentIndex(), 1)
        << "the view replaces the home page";
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Nimbral - Connected to %1 (security code %2)")
                                         .arg(formatClientId(partner.clientId()),
                                              partner.session.shortAuthenticationString()));
    // The partner's pictures, decoded by the service, arrive through the shared buffer.
    EXPECT_WAIT(agent.lastFrameId() > 0, 15000);
    // What the user does in the view reaches the partner's desktop through the service.
    ASSERT_NE(test::child<RemoteDesktopWidget>(*window, "remoteView"), nullptr);
    InputEvent key;
    key.type = static_cast<std::uint8_t>(InputEventType::KeyPress);
    key.keyCode = 0x41;
    key.scanCode = 0x1E;
    emit test::child<RemoteDesktopWidget>(*window, "remoteView")->inputEvent(key);
    ASSERT_WAIT(!partner.injected.empty(), 10000);
    EXPECT_EQ(partner.injected.front().type, key.type);
    EXPECT_EQ(partner.injected.front().keyCode, 0x41u);
    EXPECT_EQ(partner.injected.front().scanCode, 0x1Eu);

    test::child<QPushButton>(*window, "disconnectButton")->click();
    ASSERT_WAIT(agent.state() == SessionState::Idle, 10000);
    EXPECT_EQ(test::child<QStackedWidget>(*window, "pages")->currentIndex(), 0);
    ASSERT_WAIT(partner.session.state() == SessionState::Idle ||
                    partner.session.state() == SessionState::Failed,
                10000);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
}

TEST_F(AgentMode, TheWindowSaysSoWhenTheServiceGoes) {
    window = std::make_unique<AgentWindow>(agent, agentSettings);
    window->show();
    ASSERT_WAIT(test::child<QPushButton>(*window, "connectButton")->isEnabled(), 15000);
    service.terminate();
    ASSERT_TRUE(service.waitForFinished(15000));
    ASSERT_WAIT(!agent.isConnected(), 5000);
    EXPECT_EQ(test::child<QLabel>(*window, "statusLine")->text(), QString("Disconnected"));
    EXPECT_FALSE(test::child<QPushButton>(*window, "connectButton")->isEnabled());
    EXPECT_TRUE(log().contains("NimbralService stopped")) << log().toStdString();
}

// The client program itself: with the service's socket present it becomes the agent instead of
// a device of its own, and with the service gone it waits for it to come back.
TEST_F(AgentMode, TheClientProgramFindsTheServiceAndRunsAsItsAgent) {
    agent.disconnectFromService(); // the line is the program's
    QProcess client;
    QProcessEnvironment environment = service.processEnvironment();
    client.setProcessEnvironment(environment);
    client.setProcessChannelMode(QProcess::MergedChannels);
    const QString profile = folder.filePath("client");
    client.start(NIMBRAL_CLIENT_PATH, {"--log-level", "info", "--profile", profile});
    ASSERT_TRUE(client.waitForStarted(5000));
    const auto clientSays = [&](const char* text) {
        QFile clientLog(profile + "/NimbralClient.log");
        return clientLog.open(QIODevice::ReadOnly) && clientLog.readAll().contains(text);
    };
    EXPECT_WAIT(clientSays("Nimbral service detected, running as its agent"), 15000);
    EXPECT_WAIT(clientSays("ServiceIpcClient: authenticated as"), 15000);
    EXPECT_WAIT(log().count("Agent connected") >= 2, 5000) << "the probe, then the agent";
    EXPECT_FALSE(clientSays("Auto-registered")) << "no ID of its own";
    client.terminate();
    ASSERT_TRUE(client.waitForFinished(15000));
    EXPECT_EQ(client.exitCode(), 0) << client.readAll().toStdString();
}

} // namespace
} // namespace nimbral
