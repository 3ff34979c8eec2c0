// Which log-ins get an agent, and when; and what the service reads about a log-in's display.
#include "service/agent_launcher.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "log_capture.h"
#include "platform/user_sessions.h"
#include "qstring_printer.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using platform::UserSession;
using spdlog::level::info;
using spdlog::level::warn;

UserSession makeSession(const QString& id, std::uint32_t uid, const QString& type,
                        const QString& state, const QString& display = {}) {
    UserSession session;
    session.id = id;
    session.uid = uid;
    session.userName = QStringLiteral("user%1").arg(uid);
    session.seat = QStringLiteral("seat0");
    session.type = type;
    session.state = state;
    session.display = display;
    return session;
}

// The list the test sets, and a pipe that stands in for logind's change notice.
class FakeSessions : public platform::UserSessionSource {
public:
    FakeSessions() { EXPECT_EQ(pipe(m_pipe), 0); }
    ~FakeSessions() override {
        close(m_pipe[0]);
        close(m_pipe[1]);
    }
    std::vector<UserSession> sessions() override { return list; }
    int changeDescriptor() override { return m_pipe[0]; }
    void acknowledgeChange() override {
        char byte = 0;
        EXPECT_EQ(read(m_pipe[0], &byte, 1), 1);
        ++acknowledged;
    }
    void announceChange() { EXPECT_EQ(write(m_pipe[1], "x", 1), 1); }

    std::vector<UserSession> list;
    int acknowledged = 0;

private:
    int m_pipe[2] = {-1, -1};
};

struct Launches {
    std::vector<QString> sessions;
    bool fail = false;
    AgentLauncher::Launch function() {
        return [this](const UserSession& session, QString& error) -> std::optional<QString> {
            if (fail) {
                error = QStringLiteral("systemd-run failed for 'x' (exit code 1)");
                return std::nullopt;
            }
            sessions.push_back(session.id);
            return QStringLiteral("unit nimbral-agent-session-%1").arg(session.id);
        };
    }
};

TEST(AgentLauncher, StartsOneAgentPerGraphicalLogInAndFollowsLogOnsAndLogOffs) {
    test::LogCapture log;
    FakeSessions sessions;
    sessions.list = {
        makeSession("2", 1000, "x11", "active", ":0"), makeSession("3", 1001, "wayland", "online"),
        makeSession("4", 1002, "tty", "active"), makeSession("5", 1003, "x11", "closing", ":1")};
    Launches launches;
    AgentLauncher launcher(sessions, launches.function());
    launcher.start(0);
    ASSERT_WAIT(launches.sessions.size() == 2, 5000);
    EXPECT_EQ(launches.sessions, (std::vector<QString>{"2", "3"}))
        << "a text console and a log-in on its way out get none";
    EXPECT_TRUE(log.has(info, "Found active user session 2, launching agent"));
    EXPECT_TRUE(log.has(info, "Launched agent (unit nimbral-agent-session-2) in session 2"));

    // A second pass, as a repeated notice would cause, starts nothing twice.
    launcher.launchIntoActiveSessions();
    EXPECT_EQ(launches.sessions.size(), 2u);

    // A log-on, announced through the descriptor.
    sessions.list.push_back(makeSession("7", 1000, "x11", "active", ":2"));
    sessions.announceChange();
    ASSERT_WAIT(launches.sessions.size() == 3, 5000);
    EXPECT_EQ(launches.sessions.back(), QString("7"));
    EXPECT_TRUE(log.has(info, "User logon detected (session 7)"));
    EXPECT_EQ(sessions.acknowledged, 1) << "the notice is consumed, so it can fire again";

    // Its log-off, and a new log-in that logind numbers the same later: a new agent.
    sessions.list.pop_back();
    sessions.announceChange();
    ASSERT_WAIT(log.has(info, "User logoff detected (session 7)"), 5000);
    sessions.list.push_back(makeSession("7", 1000, "x11", "active", ":2"));
    sessions.announceChange();
    ASSERT_WAIT(launches.sessions.size() == 4, 5000);
}

TEST(AgentLauncher, AFailedStartIsLoggedAndTriedAgainAtTheNextChange) {
    test::LogCapture log;
    FakeSessions sessions;
    sessions.list = {makeSession("2", 1000, "x11", "active", ":0")};
    Launches launches;
    launches.fail = true;
    AgentLauncher launcher(sessions, launches.function());
    launcher.launchIntoActiveSessions();
    EXPECT_TRUE(launches.sessions.empty());
    EXPECT_TRUE(log.has(warn, "Launching the agent failed in session 2 (user user1000): "
                              "systemd-run failed for 'x' (exit code 1)"));
    launches.fail = false;
    launcher.onSessionsChanged();
    EXPECT_EQ(launches.sessions, std::vector<QString>{"2"});
}

TEST(AgentLauncher, RunsTheClientInTheUsersManagerWithTheSessionsEnvironment) {
    const QStringList arguments = AgentLauncher::systemdRunArguments(
        "/usr/bin/NimbralClient", makeSession("12", 1000, "x11", "active", ":0"),
        "/run/user/1000/gdm/Xauthority");
    EXPECT_EQ(arguments,
              (QStringList{"--user", "--machine=user1000@", "--unit=nimbral-agent-session-12",
                           "--collect", "--quiet", "--setenv=XDG_RUNTIME_DIR=/run/user/1000",
                           "--setenv=DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1000/bus",
                           "--setenv=XDG_SESSION_ID=12", "--setenv=DISPLAY=:0",
                           "--setenv=XAUTHORITY=/run/user/1000/gdm/Xauthority", "--",
                           "/usr/bin/NimbralClient"}));
    // Wayland: no X display to name, but the kind of session and its compositor's socket.
    const QStringList wayland = AgentLauncher::systemdRunArguments(
        "/usr/bin/NimbralClient", makeSession("13", 1000, "wayland", "active"), QString(),
        "wayland-1");
    EXPECT_FALSE(wayland.join(' ').contains("--setenv=DISPLAY="))
        << wayland.join(' ').toStdString();
    EXPECT_TRUE(wayland.contains("--setenv=XDG_SESSION_TYPE=wayland"))
        << "the agent looks for a Wayland desktop even where the manager was not told";
    EXPECT_TRUE(wayland.contains("--setenv=WAYLAND_DISPLAY=wayland-1"));
    EXPECT_FALSE(AgentLauncher::systemdRunArguments("/usr/bin/NimbralClient",
                                                    makeSession("13", 1000, "wayland", "active"),
                                                    QString())
                     .join(' ')
                     .contains("WAYLAND_DISPLAY"))
        << "none found: the user manager's own, if any";
}

TEST(UserSessions, TheServiceServesOnlyUsersLoggedInHereAndSharesTheOneInFront) {
    FakeSessions sessions;
    sessions.list = {makeSession("2", 1000, "x11", "online", ":0"),
                     makeSession("3", 1001, "x11", "active", ":1"),
                     makeSession("4", 1002, "tty", "active"),
                     makeSession("5", 1003, "x11", "closing", ":2")};
    EXPECT_TRUE(platform::ownsOpenSession(sessions, 1000));
    EXPECT_TRUE(platform::ownsOpenSession(sessions, 1002)) << "a text log-in is a log-in";
    EXPECT_FALSE(platform::ownsOpenSession(sessions, 1003)) << "logging out";
    EXPECT_FALSE(platform::ownsOpenSession(sessions, 1004)) << "never logged in";

    auto shared = platform::sessionToShare(sessions);
    ASSERT_TRUE(shared.has_value());
    EXPECT_EQ(shared->id, QString("3")) << "the graphical session in front";
    sessions.list[1].state = "online";
    shared = platform::sessionToShare(sessions);
    ASSERT_TRUE(shared.has_value());
    EXPECT_EQ(shared->id, QString("2")) << "none in front: any open graphical one";
    sessions.list.resize(1);
    sessions.list[0].state = "closing";
    EXPECT_FALSE(platform::sessionToShare(sessions).has_value());
}

// Only the owner of the desktop in front commands the service: not an SSH or text log-in, not a
// desktop behind, not a session without a seat.
TEST(UserSessions, OnlyTheOwnerOfTheDesktopInFrontCommandsTheService) {
    FakeSessions sessions;
    sessions.list = {
        makeSession("2", 1000, "x11", "online", ":0"), makeSession("3", 1001, "wayland", "active"),
        makeSession("4", 1002, "tty", "active"), makeSession("5", 1003, "x11", "active", ":2")};
    sessions.list[3].seat.clear(); // a remote X log-in has no seat
    EXPECT_FALSE(platform::ownsDesktopInFront(sessions, 1000)) << "a desktop behind";
    EXPECT_TRUE(platform::ownsDesktopInFront(sessions, 1001));
    EXPECT_FALSE(platform::ownsDesktopInFront(sessions, 1002)) << "a text log-in";
    EXPECT_FALSE(platform::ownsDesktopInFront(sessions, 1003)) << "no seat";
    EXPECT_FALSE(platform::ownsDesktopInFront(sessions, 1004));
}

// A made-up /proc: processes with their environment and command line, owned by this user.
class FakeProc {
public:
    void addProcess(int pid, const QByteArrayList& environment, const QByteArrayList& command) {
        QDir(folder.path()).mkpath(QString::number(pid));
        write(pid, "environ", environment);
        write(pid, "cmdline", command);
    }
    QString root() const { return folder.path(); }

private:
    void write(int pid, const char* name, const QByteArrayList& entries) {
        QFile file(QStringLiteral("%1/%2/%3").arg(folder.path()).arg(pid).arg(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(entries.join('\0') + '\0');
    }
    QTemporaryDir folder;
};

TEST(UserSessions, TheXAuthorityComesFromTheSessionOrFromTheXServer) {
    UserSession session = makeSession("9", getuid(), "x11", "active", ":5");
    FakeProc proc;
    proc.addProcess(100, {"HOME=/home/a", "XDG_SESSION_ID=8", "XAUTHORITY=/other/session"},
                    {"/usr/bin/bash"});
    proc.addProcess(101, {"XDG_SESSION_ID=9", "HOME=/home/a"}, {"/usr/bin/bash"});
    proc.addProcess(102, {"XDG_SESSION_ID=9", "XAUTHORITY=/home/a/.Xauthority"},
                    {"/usr/bin/xterm"});
    EXPECT_EQ(platform::xAuthorityFor(session, proc.root()), QString("/home/a/.Xauthority"));

    // No process of the session says: the X server's own -auth file for that display.
    FakeProc bare;
    bare.addProcess(200, {}, {"/usr/lib/xorg/Xorg", ":4", "-auth", "/var/run/wrong"});
    bare.addProcess(201, {}, {"/usr/lib/xorg/Xorg", ":5", "-auth", "/var/run/lightdm/root/:5"});
    EXPECT_EQ(platform::xAuthorityFor(session, bare.root()), QString("/var/run/lightdm/root/:5"));
    session.display = ":6";
    EXPECT_TRUE(platform::xAuthorityFor(session, bare.root()).isEmpty());
    // Processes of other users are never read.
    session.uid = getuid() + 1;
    EXPECT_TRUE(platform::xAuthorityFor(session, proc.root()).isEmpty());
}

TEST(UserSessions, TheWaylandDisplayIsTheOneTheSessionsProcessesWereGiven) {
    const UserSession session = makeSession("9", getuid(), "wayland", "active");
    FakeProc proc;
    proc.addProcess(100, {"XDG_SESSION_ID=8", "WAYLAND_DISPLAY=wayland-0"}, {"/usr/bin/sway"});
    EXPECT_TRUE(platform::waylandDisplayFor(session, proc.root()).isEmpty())
        << "another log-in's compositor";
    proc.addProcess(101, {"XDG_SESSION_ID=9", "HOME=/home/a"}, {"/usr/bin/sway"});
    proc.addProcess(102, {"XDG_SESSION_ID=9", "WAYLAND_DISPLAY=wayland-1"}, {"/usr/bin/foot"});
    EXPECT_EQ(platform::waylandDisplayFor(session, proc.root()), QString("wayland-1"));
    FakeProc odd;
    odd.addProcess(103, {"XDG_SESSION_ID=9", "WAYLAND_DISPLAY=" + QByteArray(200, 'w')}, {"x"});
    EXPECT_TRUE(platform::waylandDisplayFor(session, odd.root()).isEmpty()) << "no socket's name";
}

// Anyone can start a process named like an X server: its -auth path counts only when that
// process belongs to root or the session's user.
TEST(UserSessions, AnXServerOfAnotherUserIsNotBelieved) {
    if (getuid() != 0) {
        GTEST_SKIP() << "files of another owner in the made-up /proc need root";
    }
    UserSession session = makeSession("9", 1000, "x11", "active", ":5");
    FakeProc bare;
    bare.addProcess(300, {}, {"/home/eve/Xorg", ":5", "-auth", "/home/eve/fifo"});
    ASSERT_EQ(chown(QFile::encodeName(bare.root() + "/300").constData(), 1001, 1001), 0);
    EXPECT_TRUE(platform::xAuthorityFor(session, bare.root()).isEmpty());
    bare.addProcess(301, {}, {"/usr/lib/xorg/Xorg", ":5", "-auth", "/var/run/lightdm/root/:5"});
    EXPECT_EQ(platform::xAuthorityFor(session, bare.root()), "/var/run/lightdm/root/:5");
}

// The service reads a checked copy of the authority file the user names: a FIFO, a device, a
// link or someone else's file in its place is not read (and cannot hang the reader).
TEST(UserSessions, TheXAuthorityIsReadOnlyAsARegularFileOfTheUser) {
    QTemporaryDir user;
    QTemporaryDir service;
    const UserSession session = makeSession("9", getuid(), "x11", "active", ":5");
    const QString file = user.filePath("Xauthority");
    {
        QFile authority(file);
        ASSERT_TRUE(authority.open(QIODevice::WriteOnly));
        authority.write("cookie-bytes");
    }
    const QString copy = platform::privateXAuthorityCopy(file, session, service.path());
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_TRUE(copy.startsWith(service.path()));
    QFile copied(copy);
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), "cookie-bytes");
    EXPECT_EQ(QFileInfo(copy).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);

    const QString fifo = user.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = user.filePath("link");
    ASSERT_TRUE(QFile::link(file, link));
    QElapsedTimer clock;
    clock.start();
    for (const QString& path : {fifo, link, QString("/dev/zero"), user.filePath("absent")}) {
        EXPECT_TRUE(platform::privateXAuthorityCopy(path, session, service.path()).isEmpty())
            << path.toStdString();
    }
    EXPECT_LT(clock.elapsed(), 2000) << "the FIFO must not be waited on";
    UserSession someoneElse = session;
    someoneElse.uid = getuid() + 1;
    if (getuid() != 0) {
        EXPECT_TRUE(platform::privateXAuthorityCopy(file, someoneElse, service.path()).isEmpty())
            << "a file of another user";
    }
    someoneElse.id = "../9";
    EXPECT_TRUE(platform::privateXAuthorityCopy(file, someoneElse, service.path()).isEmpty());
}

} // namespace
} // namespace nimbral
