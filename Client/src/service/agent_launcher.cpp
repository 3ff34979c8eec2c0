#include "service/agent_launcher.h"

#include <utility>

#include <QProcess>
#include <QSocketNotifier>
#include <QStringList>
#include <spdlog/spdlog.h>

#include "common/main_thread.h"

namespace nimbral {

AgentLauncher::AgentLauncher(platform::UserSessionSource& sessions, Launch launch, QObject* parent)
    : QObject(parent)
    , m_sessions(sessions)
    , m_launch(std::move(launch)) {
    m_firstLaunch.setSingleShot(true);
    connect(&m_firstLaunch, &QTimer::timeout, this, &AgentLauncher::launchIntoActiveSessions);
}

AgentLauncher::~AgentLauncher() = default;

void AgentLauncher::start(int delayMs) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    const int descriptor = m_sessions.changeDescriptor();
    if (descriptor >= 0) {
        m_changes = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
        connect(m_changes.get(), &QSocketNotifier::activated, this, [this] {
            m_sessions.acknowledgeChange();
            onSessionsChanged();
            emit sessionsChanged();
        });
    } else {
        spdlog::warn("AgentLauncher: log-ons cannot be watched; agents start only with the "
                     "service");
    }
    m_firstLaunch.start(delayMs);
}

bool AgentLauncher::launchInto(const platform::UserSession& session) {
    if (m_launched.contains(session.id)) {
        return false;
    }
    QString error;
    const std::optional<QString> started = m_launch(session, error);
    if (!started) {
        spdlog::warn("Launching the agent failed in session {} (user {}): {}",
                     session.id.toStdString(), session.userName.toStdString(), error.toStdString());
        return false;
    }
    m_launched.insert(session.id);
    spdlog::info("Launched agent ({}) in session {}", started->toStdString(),
                 session.id.toStdString());
    emit agentLaunched(session.id);
    return true;
}

void AgentLauncher::launchIntoActiveSessions() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    for (const platform::UserSession& session : m_sessions.sessions()) {
        m_known.insert(session.id);
        if (session.isGraphical() && session.isOpen()) {
            spdlog::info("Found active user session {}, launching agent", session.id.toStdString());
            launchInto(session);
        }
    }
}

void AgentLauncher::onSessionsChanged() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    // Before the first launch, the delayed pass will see everything anyway.
    if (m_firstLaunch.isActive()) {
        return;
    }
    QSet<QString> present;
    for (const platform::UserSession& session : m_sessions.sessions()) {
        present.insert(session.id);
        // A session may first appear without its display and get it a moment later.
        if (!m_known.contains(session.id)) {
            m_known.insert(session.id);
            spdlog::info("User logon detected (session {})", session.id.toStdString());
        }
        if (session.isGraphical() && session.isOpen()) {
            launchInto(session);
        }
    }
    QStringList gone;
    for (const QString& id : std::as_const(m_known)) {
        if (!present.contains(id)) {
            gone.append(id);
        }
    }
    for (const QString& id : gone) {
        spdlog::info("User logoff detected (session {})", id.toStdString());
        m_known.remove(id);
        m_launched.remove(id);
    }
}

QStringList AgentLauncher::systemdRunArguments(const QString& clientPath,
                                               const platform::UserSession& session,
                                               const QString& xAuthority,
                                               const QString& waylandDisplay) {
    const QString runtime = QStringLiteral("/run/user/%1").arg(session.uid);
    QStringList arguments = {
        QStringLiteral("--user"),
        QStringLiteral("--machine=%1@").arg(session.userName),
        QStringLiteral("--unit=nimbral-agent-session-%1").arg(session.id),
        QStringLiteral("--collect"),
        QStringLiteral("--quiet"),
        QStringLiteral("--setenv=XDG_RUNTIME_DIR=%1").arg(runtime),
        QStringLiteral("--setenv=DBUS_SESSION_BUS_ADDRESS=unix:path=%1/bus").arg(runtime),
        QStringLiteral("--setenv=XDG_SESSION_ID=%1").arg(session.id)};
    if (!session.display.isEmpty()) {
        arguments << QStringLiteral("--setenv=DISPLAY=%1").arg(session.display);
    }
    // The agent must know it is on Wayland, and which compositor, even where the user's manager
    // was not told (a sway of one's own config).
    if (session.type == QLatin1String("wayland")) {
        arguments << QStringLiteral("--setenv=XDG_SESSION_TYPE=wayland");
        if (!waylandDisplay.isEmpty()) {
            arguments << QStringLiteral("--setenv=WAYLAND_DISPLAY=%1").arg(waylandDisplay);
        }
    }
    if (!xAuthority.isEmpty()) {
        arguments << QStringLiteral("--setenv=XAUTHORITY=%1").arg(xAuthority);
    }
    arguments << QStringLiteral("--") << clientPath;
    return arguments;
}

AgentLauncher::Launch AgentLauncher::systemdRun(const QString& clientPath) {
    return [clientPath](const platform::UserSession& session,
                        QString& error) -> std::optional<QString> {
        const QStringList arguments =
            systemdRunArguments(clientPath, session, platform::xAuthorityFor(session),
                                platform::waylandDisplayFor(session));
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("systemd-run"), arguments);
        if (!process.waitForStarted(5000)) {
            error = QStringLiteral("systemd-run could not be started: ") + process.errorString();
            return std::nullopt;
        }
        if (!process.waitForFinished(15000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0) {
            error = QStringLiteral("systemd-run failed for '%1' (exit code %2): %3")
                        .arg(clientPath)
                        .arg(process.exitCode())
                        .arg(QString::fromLocal8Bit(process.readAll()).trimmed());
            return std::nullopt;
        }
        return QStringLiteral("unit nimbral-agent-session-%1").arg(session.id);
    };
}

} // namespace nimbral
