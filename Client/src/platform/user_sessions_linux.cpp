#include "platform/user_sessions.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <systemd/sd-login.h>
#include <unistd.h>

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace nimbral::platform {

namespace {

QString takeText(char* text) {
    QString result = text != nullptr ? QString::fromUtf8(text) : QString();
    std::free(text);
    return result;
}

QString userNameOf(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        return QString::fromLocal8Bit(found->pw_name);
    }
    return QString::number(uid);
}

// The NUL-separated contents of a /proc file; at most a few hundred kilobytes are read.
QByteArrayList procList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(512 * 1024).split('\0');
}

class LogindSessions final : public UserSessionSource {
public:
    LogindSessions() {
        // Every category: a switch of the session in front is a change of its seat.
        if (sd_login_monitor_new(nullptr, &m_monitor) < 0) {
            m_monitor = nullptr;
        }
    }
    ~LogindSessions() override { sd_login_monitor_unref(m_monitor); }
    LogindSessions(const LogindSessions&) = delete;
    LogindSessions& operator=(const LogindSessions&) = delete;

    std::vector<UserSession> sessions() override {
        std::vector<UserSession> result;
        char** ids = nullptr;
        const int count = sd_get_sessions(&ids);
        for (int i = 0; i < count; ++i) {
            UserSession session;
            session.id = QString::fromUtf8(ids[i]);
            uid_t uid = 0;
            if (sd_session_get_uid(ids[i], &uid) >= 0) {
                session.uid = uid;
                session.userName = userNameOf(uid);
            }
            char* text = nullptr;
            if (sd_session_get_seat(ids[i], &text) >= 0) {
                session.seat = takeText(text);
            }
            text = nullptr;
            if (sd_session_get_type(ids[i], &text) >= 0) {
                session.type = takeText(text);
            }
            text = nullptr;
            if (sd_session_get_state(ids[i], &text) >= 0) {
                session.state = takeText(text);
            }
            text = nullptr;
            if (sd_session_get_display(ids[i], &text) >= 0) {
                session.display = takeText(text);
            }
            result.push_back(std::move(session));
            std::free(ids[i]);
        }
        std::free(ids);
        return result;
    }

    int changeDescriptor() override {
        return m_monitor != nullptr ? sd_login_monitor_get_fd(m_monitor) : -1;
    }
    void acknowledgeChange() override {
        if (m_monitor != nullptr) {
            sd_login_monitor_flush(m_monitor);
        }
    }

private:
    sd_login_monitor* m_monitor = nullptr;
};

} // namespace

std::unique_ptr<UserSessionSource> systemSessions() {
    return std::make_unique<LogindSessions>();
}

bool ownsOpenSession(UserSessionSource& source, std::uint32_t uid) {
    for (const UserSession& session : source.sessions()) {
        if (session.uid == uid && session.isOpen()) {
            return true;
        }
    }
    return false;
}

bool ownsDesktopInFront(UserSessionSource& source, std::uint32_t uid) {
    for (const UserSession& session : source.sessions()) {
        if (session.uid == uid && session.isGraphical() && session.isInFront() &&
            !session.seat.isEmpty()) {
            return true;
        }
    }
    return false;
}

std::optional<UserSession> sessionToShare(UserSessionSource& source) {
    std::optional<UserSession> fallback;
    for (UserSession& session : source.sessions()) {
        if (!session.isGraphical() || !session.isOpen()) {
            continue;
        }
        if (session.isInFront()) {
            return std::move(session);
        }
        if (!fallback) {
            fallback = std::move(session);
        }
    }
    return fallback;
}

namespace {

// The value of `name` in the environment of a process of `session` (logind sets XDG_SESSION_ID
// in every process of a log-in; the desktop's start-up sets the rest). Only the session user's
// processes are read.
QString sessionEnvironmentValue(const UserSession& session, const QByteArray& name,
                                const QString& procRoot) {
    QDir proc(procRoot);
    const QByteArray sessionMark = "XDG_SESSION_ID=" + session.id.toUtf8();
    const QByteArray prefix = name + '=';
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        pid.toLongLong(&numeric);
        if (!numeric || QFileInfo(proc.filePath(pid)).ownerId() != session.uid) {
            continue;
        }
        const QByteArrayList environment = procList(proc.filePath(pid) + "/environ");
        if (!environment.contains(sessionMark)) {
            continue;
        }
        for (const QByteArray& entry : environment) {
            if (entry.startsWith(prefix)) {
                return QString::fromLocal8Bit(entry.mid(prefix.size()));
            }
        }
    }
    return {};
}

} // namespace

QString waylandDisplayFor(const UserSession& session, const QString& procRoot) {
    const QString display = sessionEnvironmentValue(session, "WAYLAND_DISPLAY", procRoot);
    // A socket's name, or its path: anything longer is no Wayland display.
    return display.size() <= kMaxWaylandDisplayName ? display : QString();
}

QString xAuthorityFor(const UserSession& session, const QString& procRoot) {
    const QString named = sessionEnvironmentValue(session, "XAUTHORITY", procRoot);
    if (!named.isEmpty()) {
        return named;
    }
    QDir proc(procRoot);
    const QStringList processes = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (session.display.isEmpty()) {
        return {};
    }
    // Else the display manager's: it starts the X server with "-auth FILE" and the display.
    for (const QString& pid : processes) {
        bool numeric = false;
        pid.toLongLong(&numeric);
        if (!numeric) {
            continue;
        }
        const uint owner = QFileInfo(proc.filePath(pid)).ownerId();
        if (owner != 0 && owner != session.uid) {
            continue;
        }
        const QByteArrayList arguments = procList(proc.filePath(pid) + "/cmdline");
        if (arguments.isEmpty() || !arguments.contains(session.display.toLocal8Bit())) {
            continue;
        }
        const QByteArray program = arguments.first().mid(arguments.first().lastIndexOf('/') + 1);
        if (program != "Xorg" && program != "X" && program != "Xvfb" && program != "Xwayland") {
            continue;
        }
        const qsizetype at = arguments.indexOf("-auth");
        if (at >= 0 && at + 1 < arguments.size()) {
            return QString::fromLocal8Bit(arguments.at(at + 1));
        }
    }
    return {};
}

QString privateXAuthorityCopy(const QString& path, const UserSession& session,
                              const QString& folder) {
    constexpr qint64 kMaxAuthorityBytes = 64 * 1024;
    // logind names sessions with letters and digits; anything else has no place in a file name.
    const bool plainId =
        !session.id.isEmpty() && std::all_of(session.id.begin(), session.id.end(), [](QChar c) {
            return c.isLetterOrNumber() && c.unicode() < 128;
        });
    if (path.isEmpty() || !plainId) {
        return {};
    }
    const int source = open(QFile::encodeName(path).constData(),
                            O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (source < 0) {
        return {};
    }
    QByteArray content;
    struct stat info {};
    if (fstat(source, &info) == 0 && S_ISREG(info.st_mode) &&
        (info.st_uid == session.uid || info.st_uid == 0) && info.st_size <= kMaxAuthorityBytes) {
        content.resize(static_cast<qsizetype>(info.st_size));
        const ssize_t got = read(source, content.data(), static_cast<std::size_t>(content.size()));
        content.resize(got > 0 ? static_cast<qsizetype>(got) : 0);
    }
    close(source);
    if (content.isEmpty()) {
        return {};
    }
    const QString copy = folder + QStringLiteral("/xauthority-session-") + session.id;
    const QString partial = copy + QStringLiteral(".new");
    QFile::remove(partial);
    const int target = open(QFile::encodeName(partial).constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (target < 0) {
        return {};
    }
    const bool written =
        write(target, content.constData(), static_cast<std::size_t>(content.size())) ==
        static_cast<ssize_t>(content.size());
    close(target);
    if (!written || std::rename(QFile::encodeName(partial).constData(),
                                QFile::encodeName(copy).constData()) != 0) {
        QFile::remove(partial);
        return {};
    }
    return copy;
}

} // namespace nimbral::platform
