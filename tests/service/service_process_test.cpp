// NimbralService as a program: console mode against our real server, an agent on its socket.
#include <functional>

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/file_access.h"
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

// The profile holds the device secret (service.ini) and what was shared and browsed (the log):
// whatever modes an earlier version left, the service makes them its own account's alone.
TEST(ServiceProcess, TheServiceKeepsItsSettingsAndLogPrivate) {
    test::ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    QTemporaryDir folder;
    const QString profile = folder.filePath("profile");
    ASSERT_TRUE(QDir().mkpath(profile));
    const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(profile, open | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    for (const char* name : {"service.ini", "service.log"}) {
        QFile file(profile + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[auth]\n");
        file.close();
        QFile::setPermissions(file.fileName(), open);
    }
    QProcess service;
    ASSERT_TRUE(test::startServiceProgram(service, server, folder, folder.filePath("socket")));
    QByteArray output;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            output += service.readAll();
            return output.contains("NimbralService is running");
        },
        15000))
        << output.toStdString();
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    for (const QString& path : {profile, profile + "/service.ini", profile + "/service.log"}) {
        EXPECT_EQ(QFileInfo(path).permissions() & others, 0) << path.toStdString();
    }
    EXPECT_TRUE(output.contains("was open to other accounts; now private"));
    service.terminate();
    ASSERT_TRUE(service.waitForFinished(15000));
}

// A program file at "<folder>/bin/NimbralService", mode 0755, in a folder only its owner writes;
// its canonical path.
QString installedProgram(const QTemporaryDir& folder) {
    QDir(folder.path()).mkpath("bin");
    QFile::setPermissions(folder.path() + "/bin",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile program(folder.path() + "/bin/NimbralService");
    program.open(QIODevice::WriteOnly);
    program.write("#!/bin/sh\n");
    program.close();
    QFile::setPermissions(program.fileName(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::ExeOther);
    return QFileInfo(program.fileName()).canonicalFilePath();
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
    // A program where only its owner can write, and that owner counts as root here.
    installer.setTrustedOwner(getuid());
    QTemporaryDir programs;
    const QString program = installedProgram(programs);

    EXPECT_EQ(installer.install(program), 0);
    EXPECT_STREQ(outBuffer, "Service 'NimbralService' installed successfully.\n");
    ASSERT_EQ(ran.size(), 2u);
    EXPECT_EQ(ran[0], QStringList{"daemon-reload"});
    EXPECT_EQ(ran[1], (QStringList{"enable", "--now", "nimbral.service"}));
    QFile unit(folder.filePath("nimbral.service"));
    ASSERT_TRUE(unit.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(unit.readAll());
    EXPECT_TRUE(text.contains("ExecStart=\"" + program + "\"\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("Restart=on-failure\nRestartSec=5\n"));
    // Started means serving: the program reports readiness itself once its socket is open.
    EXPECT_TRUE(text.contains("Type=notify\n"));
    EXPECT_TRUE(text.contains("RuntimeDirectory=nimbral\nRuntimeDirectoryMode=0755\n"));
    EXPECT_TRUE(text.contains("After=network-online.target\n"));
    EXPECT_TRUE(text.contains("WantedBy=multi-user.target\n"));

    EXPECT_EQ(installer.install(program), 0);
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
    EXPECT_EQ(installer.install(program), 1);
    EXPECT_TRUE(QString(errBuffer).endsWith("systemctl daemon-reload failed (exit code 1)\n"));
    // A folder that cannot be written.
    ServiceInstaller nowhere(
        folder.filePath("missing/deeper"), [](const QStringList&) { return std::optional<int>(0); },
        out, err);
    nowhere.setTrustedOwner(getuid());
    EXPECT_EQ(nowhere.install(program), 1);
    EXPECT_TRUE(QString(errBuffer).contains("Run as root."));
    std::fclose(out);
    std::fclose(err);
}

// systemd runs the unit as root: a program that another account could replace, in place or by
// replacing a folder above it, is refused with the reason, and no unit is written.
TEST(ServiceInstaller, RefusesAProgramOthersCouldReplace) {
    QTemporaryDir units;
    int asked = 0;
    ServiceInstaller installer(
        units.path(),
        [&](const QStringList&) {
            ++asked;
            return std::optional<int>(0);
        },
        stdout, stderr);
    installer.setTrustedOwner(getuid());
    QTemporaryDir programs;
    const QString program = installedProgram(programs);
    const QString folder = QFileInfo(program).path();
    const auto privateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const auto privateProgram = privateFolder | QFile::ReadOther | QFile::ExeOther;
    struct Case {
        const char* what;
        std::function<void()> spoil;
        QString refusal;
    };
    const Case cases[] = {
        {"a program others may write",
         [&] { QFile::setPermissions(program, privateProgram | QFile::WriteOther); },
         program + " is writable by others than its owner"},
        {"a folder others may write",
         [&] { QFile::setPermissions(folder, privateFolder | QFile::WriteGroup); },
         folder + " is writable by others than its owner"},
        {"no program at all", [&] { QFile::remove(program); }, program + " does not exist"},
    };
    for (const Case& c : cases) {
        QFile::setPermissions(folder, privateFolder);
        installedProgram(programs);
        c.spoil();
        EXPECT_EQ(platform::unsafeForRoot(program, getuid()), c.refusal) << c.what;
        EXPECT_EQ(installer.install(program), 1) << c.what;
        EXPECT_FALSE(QFile::exists(installer.unitPath())) << c.what;
    }
    EXPECT_EQ(asked, 0);
    // Whole again it passes, though /tmp above it is writable by everybody: /tmp is sticky, and
    // nobody can replace entries there that are not theirs.
    QFile::setPermissions(folder, privateFolder);
    installedProgram(programs);
    ASSERT_TRUE(program.startsWith(QDir::tempPath()));
    EXPECT_EQ(platform::unsafeForRoot(program, getuid()), "");
    // Another account's program is never trusted.
    if (getuid() != 0) {
        EXPECT_EQ(platform::unsafeForRoot(program),
                  program + " belongs to user " + QString::number(getuid()) + ", not root");
    }
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
