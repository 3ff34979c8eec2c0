#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "wait_until.h"

#include "server_harness.h"
#include "xvfb_server.h"

namespace {

// The program must never reach the public defaults from a test. The first occurrence of an
// option counts, so a test's own --server, given earlier, still wins.
const QStringList kLoopbackOnly = {"--server",    "http://127.0.0.1:9", "--stun-server",
                                   "127.0.0.1:9", "--ip-echo-url",      "http://127.0.0.1:9/"};

// One throw-away home per test: config, data, runtime and temp folders of its own, so the
// program's settings, log, autostart entry and instance lock never touch the real user's.
class ClientProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        for (const char* folder : {"config", "data", "run", "tmp"}) {
            ASSERT_TRUE(QDir(m_home.path()).mkpath(folder));
        }
        QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void TearDown() override { stopAll(); }

    void stopAll() {
        for (QProcess* process : m_running) {
            process->kill();
            process->waitForFinished(5000);
            delete process;
        }
        m_running.clear();
    }

    QString path(const QString& relative) const { return m_home.path() + "/" + relative; }
    QString logPath() const { return path("data/Nimbral/NimbralClient/NimbralClient.log"); }
    QString autostartPath() const { return path("config/autostart/NimbralClient.desktop"); }

    QProcessEnvironment environment() const {
        QProcessEnvironment env;
        if (!m_display.isEmpty()) {
            env.insert("DISPLAY", m_display); // what a Target captures and drives
        }
        env.insert("HOME", m_home.path());
        env.insert("XDG_CONFIG_HOME", path("config"));
        env.insert("XDG_DATA_HOME", path("data"));
        env.insert("XDG_RUNTIME_DIR", path("run"));
        env.insert("TMPDIR", path("tmp"));
        env.insert("NIMBRAL_SERVICE_ENDPOINT", path("run/nimbral/NimbralService"));
        if (m_headless) {
            // As from an SSH shell: no display at all and no platform chosen for Qt.
            env.insert("DISPLAY", "");
        } else {
            env.insert("QT_QPA_PLATFORM", "offscreen");
        }
        env.insert("PATH", qEnvironmentVariable("PATH"));
        env.insert("LANG", m_lang);
        return env;
    }

    struct Result {
        int exitCode = -1;
        QByteArray output;
    };

    // Runs the client to its end; start-up commands must finish on their own.
    Result runToEnd(const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(NIMBRAL_CLIENT_PATH, arguments + kLoopbackOnly);
        EXPECT_TRUE(process.waitForFinished(15000)) << "client did not exit";
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAll()};
    }

    // Starts the client in the background, as a user would; ended by TearDown.
    QProcess* startInteractive(const QStringList& arguments) {
        auto* process = new QProcess;
        process->setProcessEnvironment(environment());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(NIMBRAL_CLIENT_PATH, arguments + kLoopbackOnly);
        EXPECT_TRUE(process->waitForStarted(5000));
        m_running.push_back(process);
        return process;
    }

    QString readLog() const {
        QFile file(logPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Written through QSettings so the file has exactly the form the program reads.
    void writeSetting(const QString& key, const QString& value) {
        QSettings store(path("config/Nimbral/NimbralClient.conf"), QSettings::IniFormat);
        store.setValue(key, value);
        store.sync();
        ASSERT_EQ(store.status(), QSettings::NoError);
    }

    QString m_lang = "C.UTF-8";
    QString m_display;
    bool m_headless = false;

private:
    QTemporaryDir m_home;
    std::vector<QProcess*> m_running;
};

TEST_F(ClientProcessTest, InstallWritesAnAutostartEntryForThisExecutable) {
    const Result result = runToEnd({"--install"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.output.isEmpty()) << result.output.toStdString();

    QFile entry(autostartPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    const QString executable = QFileInfo(NIMBRAL_CLIENT_PATH).canonicalFilePath();
    EXPECT_TRUE(text.contains("\nExec=\"" + executable + "\"\n")) << text.toStdString();
}

TEST_F(ClientProcessTest, InstallWinsWhenBothCommandsAreGiven) {
    EXPECT_EQ(runToEnd({"--uninstall", "--install"}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(autostartPath()));
}

TEST_F(ClientProcessTest, InstallReportsFailureWhenTheEntryCannotBeWritten) {
    // A file where the autostart folder should be.
    QFile blocker(path("config/autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(runToEnd({"--install"}).exitCode, 1);
}

TEST_F(ClientProcessTest, InfoLevelLogsStartUpIntoATruncatedLog) {
    QDir(path("data")).mkpath("Nimbral/NimbralClient");
    QFile old(logPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("line from an earlier run\n");
    old.close();

    startInteractive({"--log-level", "INFO"});
    ASSERT_WAIT(readLog().contains("Nimbral Client starting..."), 15000);
    const QString log = readLog();
    EXPECT_FALSE(log.contains("earlier run"));
    EXPECT_TRUE(log.contains("[nimbral] [info] No translation found for 'C', using English"))
        << log.toStdString();
    EXPECT_FALSE(log.contains("service detected"));
}

TEST_F(ClientProcessTest, DefaultLevelWritesErrorsButNoInfoLines) {
    QDir(path("data")).mkpath("Nimbral/NimbralClient");
    QFile old(logPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("line from an earlier run\n");
    old.close();

    // The server given is refused, so the client has an error to report; nothing below it.
    QProcess* client = startInteractive({});
    ASSERT_WAIT(readLog().contains("[error] Network error on POST http://127.0.0.1:9/"), 15000);
    client->terminate();
    ASSERT_TRUE(client->waitForFinished(10000));
    EXPECT_EQ(client->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client->exitCode(), 0);
    const QString log = readLog();
    EXPECT_FALSE(log.contains("earlier run"));
    EXPECT_FALSE(log.contains("[info]")) << log.toStdString();
    EXPECT_FALSE(log.contains("[warning]")) << log.toStdString();
}

TEST_F(ClientProcessTest, TerminationSignalEndsTheEventLoopCleanly) {
    QProcess* client = startInteractive({"--log-level", "info"});
    ASSERT_WAIT(readLog().contains("Nimbral Client starting..."), 15000);
    client->terminate();
    ASSERT_TRUE(client->waitForFinished(10000));
    EXPECT_EQ(client->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client->exitCode(), 0);
    EXPECT_TRUE(readLog().contains("[info] Nimbral Client exiting with code 0\n"));
}

TEST_F(ClientProcessTest, SecondStartLeavesSilentlyAndTouchesNothing) {
    QProcess* first = startInteractive({"--log-level", "info"});
    ASSERT_WAIT(readLog().contains("Nimbral Client starting..."), 15000);
    const QString logBefore = readLog();

    for (const QStringList& arguments :
         {QStringList{}, QStringList{"--install"}, QStringList{"--uninstall"},
          QStringList{"--log-level", "debug"}, QStringList{"--server", "bogus"}}) {
        const Result second = runToEnd(arguments);
        EXPECT_EQ(second.exitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_TRUE(second.output.isEmpty()) << second.output.toStdString();
    }
    EXPECT_FALSE(QFile::exists(autostartPath()));
    // The first instance's log was neither emptied nor joined by a second start-up.
    const QString log = readLog();
    EXPECT_TRUE(log.startsWith(logBefore)) << log.toStdString();
    EXPECT_EQ(log.count("Nimbral Client starting..."), 1) << log.toStdString();
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(ClientProcessTest, StartUpCommandsNeedNoDisplay) {
    m_headless = true;
    Result install = runToEnd({"--install"});
    EXPECT_EQ(install.exitCode, 0) << install.output.toStdString();
    EXPECT_TRUE(install.output.isEmpty()) << install.output.toStdString();
    ASSERT_TRUE(QFile::exists(autostartPath()));
    EXPECT_EQ(runToEnd({"--uninstall"}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(autostartPath()));
    EXPECT_EQ(runToEnd({"--uninstall"}).exitCode, 1);

    // A normal start still needs a display, and says so instead of crashing.
    const Result interactive = runToEnd({});
    EXPECT_EQ(interactive.exitCode, 1);
    EXPECT_TRUE(interactive.output.contains("NimbralClient: no display found"))
        << interactive.output.toStdString();

    // The second start of a running client leaves without a display too.
    m_headless = false;
    startInteractive({"--log-level", "info"});
    ASSERT_WAIT(readLog().contains("Nimbral Client starting..."), 15000);
    m_headless = true;
    for (const QStringList& arguments : {QStringList{}, QStringList{"--install"}}) {
        const Result second = runToEnd(arguments);
        EXPECT_EQ(second.exitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_TRUE(second.output.isEmpty()) << second.output.toStdString();
    }
    EXPECT_FALSE(QFile::exists(autostartPath()));
}

TEST_F(ClientProcessTest, StaleLockFileDoesNotBlockAStart) {
    QFile stale(path("run/NimbralClientMutex.lock"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    EXPECT_EQ(runToEnd({"--install"}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(autostartPath()));
}

// The stored language wins, as stored; without one the system's, cut to its two letters; a
// language with no catalogue is English and no error.
TEST_F(ClientProcessTest, TheCatalogueFollowsTheStoredLanguageOrTheSystems) {
    struct Case {
        QString stored;
        QString lang;
        QString logged; // empty: English is no missing catalogue
    };
    for (const Case& each : std::vector<Case>{
             {"de", "C.UTF-8", "[info] Loaded translation: de\n"},
             {"cs_CZ", "C.UTF-8", "[info] Loaded translation: cs_CZ\n"},
             {"", "cs_CZ.UTF-8", "[info] Loaded translation: cs\n"},
             {"fr", "C.UTF-8", "[info] Loaded translation: fr\n"},
             {"xx", "C.UTF-8", "[info] No translation found for 'xx', using English\n"},
             {"en", "C.UTF-8", ""},
         }) {
        SCOPED_TRACE(each.stored.toStdString() + " " + each.lang.toStdString());
        writeSetting("general/language", each.stored);
        m_lang = each.lang;
        QFile::remove(logPath());
        startInteractive({"--log-level", "info"});
        ASSERT_WAIT(readLog().contains("Nimbral Client starting..."), 15000);
        const QString log = readLog();
        if (each.logged.isEmpty()) {
            EXPECT_FALSE(log.contains("No translation found")) << log.toStdString();
        } else {
            EXPECT_TRUE(log.contains(each.logged)) << log.toStdString();
        }
        stopAll();
    }
}

TEST_F(ClientProcessTest, OnlyTheServicesOwnPathMakesTheClientItsAgent) {
    // A socket planted in the temporary folder under the old bare name is not the service.
    QLocalServer planted;
    ASSERT_TRUE(planted.listen(path("tmp/NimbralService")));
    startInteractive({"--log-level", "info"});
    ASSERT_WAIT(readLog().contains("Nimbral Client starting..."), 15000);
    EXPECT_FALSE(readLog().contains("service detected")) << readLog().toStdString();
    stopAll();

    QFile::remove(logPath());
    ASSERT_TRUE(QDir().mkpath(path("run/nimbral")));
    QLocalServer service;
    ASSERT_TRUE(service.listen(path("run/nimbral/NimbralService")));
    startInteractive({"--log-level", "info"});
    ASSERT_WAIT(readLog().contains("[info] Nimbral service detected, running as its agent\n"),
                15000)
        << readLog().toStdString();
    EXPECT_FALSE(readLog().contains("Nimbral Client starting...")) << "no core of its own";
}

TEST_F(ClientProcessTest, AFreshClientRegistersWithTheServerAndStaysOnline) {
    nimbral::test::ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    nimbral::test::RestClient rest(server.baseUrl());
    const auto online = [&rest] {
        return rest.send("GET", "/health", {}, {}).body.value("online", -1);
    };
    ASSERT_EQ(online(), 0);

    startInteractive({"--log-level", "info", "--server", server.baseUrl()});
    ASSERT_WAIT(readLog().contains("Signaling auth confirmed"), 15000);
    EXPECT_TRUE(readLog().contains("First launch — auto-registering..."));
    EXPECT_TRUE(readLog().contains("Sent session password to server via WebSocket"));
    EXPECT_EQ(online(), 1);

    // The credentials were stored: the next start logs in with the same ID.
    QSettings stored(path("config/Nimbral/NimbralClient.conf"), QSettings::IniFormat);
    const QString clientId = stored.value("auth/clientId").toString();
    ASSERT_EQ(clientId.size(), 9) << readLog().toStdString();
    stopAll();
    QFile::remove(logPath());
    startInteractive({"--log-level", "info", "--server", server.baseUrl()});
    ASSERT_WAIT(readLog().contains("Signaling auth confirmed"), 15000);
    EXPECT_TRUE(readLog().contains("Auto-login with stored client ID: " + clientId));
}

TEST_F(ClientProcessTest, ProbeOptionsAreCheckedLikeTheServerOption) {
    const Result stun = runToEnd({"--stun-server", "a b:c"});
    EXPECT_EQ(stun.exitCode, 2);
    EXPECT_TRUE(stun.output.contains("--stun-server needs HOST or HOST:PORT"));
    const Result echo = runToEnd({"--ip-echo-url", "file:///etc/passwd"});
    EXPECT_EQ(echo.exitCode, 2);
    EXPECT_TRUE(echo.output.contains("--ip-echo-url needs an http:// or https:// URL"));
}

TEST_F(ClientProcessTest, ServerOptionIsUsedOrRefusedWithAClearMessage) {
    const Result bad = runToEnd({"--server", "not a url"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.output.contains("NimbralClient: --server needs an http:// or https:// URL"))
        << bad.output.toStdString();

    startInteractive({"--log-level", "info", "--server", "http://127.0.0.1:18080"});
    ASSERT_WAIT(readLog().contains("[info] Central server: http://127.0.0.1:18080\n"), 15000);
    // ...and that is where it goes to register.
    ASSERT_WAIT(
        readLog().contains("Network error on POST http://127.0.0.1:18080/auth/auto-register"),
        15000);
}

} // namespace

// The README's main job, automated: a Target and a Master program on one machine, each with a
// profile of its own, hold a session through the real server (the Target reads a private Xvfb;
// the Master runs off screen, where it decodes but has no OpenGL to draw).
TEST_F(ClientProcessTest, ATargetAndAMasterProgramHoldASession) {
    XvfbServer xvfb;
    if (!xvfb.start(640, 480)) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    m_display = qEnvironmentVariable("DISPLAY");
    nimbral::test::ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    auto logOf = [this](const QString& profile) {
        QFile file(path(profile + "/NimbralClient.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    // The passwords as a user should pass them: the Target's from a file, the Master's on
    // standard input, neither in the process list.
    QFile secret(path("target.pw"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("Demo-Pass1\n");
    secret.close();
    QProcess* target =
        startInteractive({"--log-level", "info", "--server", server.baseUrl(), "--profile",
                          path("target"), "--session-password-file", path("target.pw")});
    ASSERT_WAIT(logOf("target").contains("Signaling auth confirmed"), 15000);
    const QRegularExpression idLine("Client ID: (\\d{9})");
    const QString targetId = idLine.match(logOf("target")).captured(1);
    ASSERT_EQ(targetId.size(), 9) << logOf("target").toStdString();

    QProcess* master =
        startInteractive({"--log-level", "info", "--server", server.baseUrl(), "--profile",
                          path("master"), "--connect", targetId, "--password-file", "-"});
    master->write("Demo-Pass1\n");
    master->closeWriteChannel();
    ASSERT_WAIT(logOf("master").contains("Session state: Connecting -> Connected") &&
                    logOf("target").contains("Session state: Connecting -> Connected"),
                20000);
    EXPECT_TRUE(logOf("target").contains("Target streaming started"));
    // Both stay up while the picture flows and the figures tick over.
    QTest::qWait(3000);
    EXPECT_EQ(target->state(), QProcess::Running) << target->readAll().toStdString();
    EXPECT_EQ(master->state(), QProcess::Running) << master->readAll().toStdString();
    EXPECT_FALSE(logOf("master").contains("Session state: Connected -> Closing"));
    EXPECT_TRUE(logOf("master").contains("Connection quality monitor started"));

    // One stop request during the session (as at log-out) ends the session with its reason,
    // then the program: the window that stays open for a closed session does not hold it up.
    master->terminate();
    ASSERT_TRUE(master->waitForFinished(10000)) << "one SIGTERM did not end the program";
    EXPECT_EQ(master->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(master->exitCode(), 0);
    EXPECT_TRUE(logOf("master").contains("(reason: application_quit)"));
    ASSERT_WAIT(logOf("target").contains("Session state: Connected -> Closing"), 10000);
}
