// NimbralService as a program: console mode against our real server, an agent on its socket.
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "qstring_printer.h"
#include "server_harness.h"
#include "service/service_installer.h"
#include "service/service_ipc_client.h"
#include "service_program.h"
#include "wait_until.h"

namespace nimbral {
namespace {

TEST(ServiceProcess, ConsoleModeServesAnAgentAsOneDeviceAndStopsOnRequest) {
    test::ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    QTemporaryDir folder;
    const QString endpoint = folder.filePath("run/NimbralService");
    QProcess service;
    ASSERT_TRUE(test::startServiceProgram(service, server, folder, endpoint));

    ServiceIpcClient agent;
    agent.setFrameBufferName("/NimbralFrame-unused-by-this-test");
    QSignalSpy identity(&agent, &ServiceIpcClient::authenticated);
    ASSERT_TRUE(QTest::qWaitFor([&] { return agent.connectToService(endpoint, 500); }, 15000))
        << service.readAll().toStdString();
    ASSERT_WAIT(identity.count() > 0, 15000);
    const QString id = agent.clientId();
    EXPECT_EQ(id.size(), 9) << id.toStdString();
    // The agent's commands reach the service's core: a new password comes back in the state.
    agent.setSessionPassword("Agent-Pass7");
    ASSERT_WAIT(agent.sessionPassword() == "Agent-Pass7", 5000);

    // One ID per machine: a second start of the agent finds the same device (once the service
    // has seen the first one go, the line is free again).
    agent.disconnectFromService();
    ServiceIpcClient again;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (!again.isConnected() && !again.connectToService(endpoint, 500)) {
                return false;
            }
            return QTest::qWaitFor([&] { return again.clientId() == id; }, 500);
        },
        10000));

    // A polite stop ends it cleanly.
    service.terminate();
    ASSERT_TRUE(service.waitForFinished(15000));
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);
    const QString output = QString::fromUtf8(service.readAll());
    EXPECT_TRUE(output.contains("Not running as service — starting in console mode"))
        << output.toStdString();
    EXPECT_TRUE(output.contains("NimbralService stopped")) << output.toStdString();
}

// --install and --uninstall with the unit folder and systemctl injected.
TEST(ServiceInstaller, WritesTheUnitAndAsksSystemdAndSaysSo) {
    QTemporaryDir folder;
    std::vector<QStringList> ran;
    std::optional<int> answer = 0;
    char outBuffer[512] = {};
    char errBuffer[512] = {};
    std::FILE* out = fmemopen(outBuffer, sizeof outBuffer - 1, "w");
    std::FILE* err = fmemopen(errBuffer, sizeof errBuffer - 1, "w");
    setvbuf(out, nullptr, _IONBF, 0);
    setvbuf(err, nullptr, _IONBF, 0);
    ServiceInstaller installer(
        folder.path(),
        [&](const QStringList& arguments) {
            ran.push_back(arguments);
            return answer;
        },
        out, err);

    EXPECT_EQ(installer.install("/opt/nimbral/bin/NimbralService"), 0);
    EXPECT_STREQ(outBuffer, "Service 'NimbralService' installed successfully.\n");
    ASSERT_EQ(ran.size(), 2u);
    EXPECT_EQ(ran[0], QStringList{"daemon-reload"});
    EXPECT_EQ(ran[1], (QStringList{"enable", "--now", "nimbral.service"}));
    QFile unit(folder.filePath("nimbral.service"));
    ASSERT_TRUE(unit.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(unit.readAll());
    EXPECT_TRUE(text.contains("ExecStart=\"/opt/nimbral/bin/NimbralService\"\n"));
    EXPECT_TRUE(text.contains("Restart=on-failure\nRestartSec=5\n"));
    // Started means serving: the program reports readiness itself once its socket is open.
    EXPECT_TRUE(text.contains("Type=notify\n"));
    EXPECT_TRUE(text.contains("RuntimeDirectory=nimbral\nRuntimeDirectoryMode=0755\n"));
    EXPECT_TRUE(text.contains("After=network-online.target\n"));
    EXPECT_TRUE(text.contains("WantedBy=multi-user.target\n"));

    EXPECT_EQ(installer.install("/opt/nimbral/bin/NimbralService"), 0);
    EXPECT_STREQ(errBuffer, "Service already exists.\n");
    EXPECT_EQ(ran.size(), 2u) << "nothing more to ask";

    EXPECT_EQ(installer.uninstall(), 0);
    EXPECT_FALSE(QFile::exists(folder.filePath("nimbral.service")));
    ASSERT_EQ(ran.size(), 4u);
    EXPECT_EQ(ran[2], (QStringList{"disable", "--now", "nimbral.service"}));
    EXPECT_EQ(ran[3], QStringList{"daemon-reload"});
    EXPECT_TRUE(
        QString(outBuffer).endsWith("Service 'NimbralService' uninstalled successfully.\n"));
    EXPECT_EQ(installer.uninstall(), 0);
    EXPECT_TRUE(QString(errBuffer).endsWith("Service does not exist.\n"));

    // systemctl refuses: the exit code says so, and the unit stays for the next attempt.
    answer = 1;
    EXPECT_EQ(installer.install("/opt/nimbral/bin/NimbralService"), 1);
    EXPECT_TRUE(QString(errBuffer).endsWith("systemctl daemon-reload failed (exit code 1)\n"));
    // A folder that cannot be written.
    ServiceInstaller nowhere(
        folder.filePath("missing/deeper"), [](const QStringList&) { return std::optional<int>(0); },
        out, err);
    EXPECT_EQ(nowhere.install("/opt/nimbral/bin/NimbralService"), 1);
    EXPECT_TRUE(QString(errBuffer).contains("Run as root."));
    std::fclose(out);
    std::fclose(err);
}

// The package ships the same unit for the installed program, so --install changes nothing but
// the enabling.
TEST(ServiceInstaller, ThePackagedUnitIsTheOneInstallWrites) {
    QFile packaged(NIMBRAL_PACKAGING_DIR "/nimbral.service");
    ASSERT_TRUE(packaged.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(packaged.readAll()),
              ServiceInstaller::unitText("/usr/bin/NimbralService"));
}

TEST(ServiceInstaller, ThePathIsQuotedForSystemd) {
    const QString text = ServiceInstaller::unitText("/opt/my nimbral/50%/Nimbral\"Service");
    EXPECT_TRUE(text.contains("ExecStart=\"/opt/my nimbral/50%%/Nimbral\\\"Service\"\n"))
        << text.toStdString();
}

} // namespace
} // namespace nimbral
