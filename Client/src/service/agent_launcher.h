#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include "platform/user_sessions.h"

class QSocketNotifier;

namespace nimbral {

// Starts the client program, as its agent, in every graphical log-in on this machine: those
// open when the service starts (after a short delay, so the service's socket is up) and each
// new one as logind reports it. Once per session; a session seen closing may get a new agent
// when it comes back. Main thread only.
class AgentLauncher : public QObject {
    Q_OBJECT

public:
    static constexpr int kFirstLaunchDelayMs = 2000;

    // Starts the agent in the session; what the log should say about the started agent, or
    // nullopt with the reason in error.
    using Launch =
        std::function<std::optional<QString>(const platform::UserSession& session, QString& error)>;

    AgentLauncher(platform::UserSessionSource& sessions, Launch launch, QObject* parent = nullptr);
    ~AgentLauncher() override;

    void start(int delayMs = kFirstLaunchDelayMs);
    void launchIntoActiveSessions();
    // What logind changed: log-ons get an agent, log-offs are noted.
    void onSessionsChanged();

    // Starts clientPath in the session's user manager (systemd-run --user --machine=USER@), with
    // the session's display, runtime folder and bus in its environment. One unit name per
    // session, so a second start in the same session is refused by systemd itself.
    static Launch systemdRun(const QString& clientPath);

    // systemd-run's arguments for the session; exposed for tests.
    static QStringList systemdRunArguments(const QString& clientPath,
                                           const platform::UserSession& session,
                                           const QString& xAuthority,
                                           const QString& waylandDisplay = QString());

signals:
    void agentLaunched(const QString& sessionId);
    // logind reported a change of the log-ins (after the launcher has acted on it).
    void sessionsChanged();

private:
    bool launchInto(const platform::UserSession& session);

    platform::UserSessionSource& m_sessions;
    Launch m_launch;
    QTimer m_firstLaunch;
    std::unique_ptr<QSocketNotifier> m_changes;
    QSet<QString> m_known;
    QSet<QString> m_launched;
};

} // namespace nimbral
