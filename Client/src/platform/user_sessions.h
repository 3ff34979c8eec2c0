#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QString>

namespace nimbral::platform {

// One log-in on this machine, as the system's session manager reports it.
struct UserSession {
    QString id;
    std::uint32_t uid = 0;
    QString userName;
    QString seat;
    QString type;  // "x11", "wayland", "tty", ...
    QString state; // "active" (in front), "online" (logged in, behind), "closing"
    QString display;

    bool isGraphical() const {
        return type == QLatin1String("x11") || type == QLatin1String("wayland");
    }
    // Logged in and not on its way out.
    bool isOpen() const {
        return state == QLatin1String("active") || state == QLatin1String("online");
    }
    bool isInFront() const { return state == QLatin1String("active"); }
};

// The machine's log-ins, and a descriptor that turns readable when they change.
class UserSessionSource {
public:
    virtual ~UserSessionSource() = default;
    virtual std::vector<UserSession> sessions() = 0;
    // -1 when changes cannot be watched.
    virtual int changeDescriptor() { return -1; }
    // After the descriptor turned readable: consume the notice so it can fire again.
    virtual void acknowledgeChange() {}
};

// systemd-logind's view (sd-login). Never null; a machine without logind lists nothing.
std::unique_ptr<UserSessionSource> systemSessions();

// Whether the user has an open session here (any kind: a text or SSH log-in counts).
bool ownsOpenSession(UserSessionSource& source, std::uint32_t uid);

// Whether the user owns the graphical session in front on a seat (active, x11 or wayland): the
// desktop the service shares, and the only user (besides root) it takes commands from.
bool ownsDesktopInFront(UserSessionSource& source, std::uint32_t uid);

// The graphical session a Target shares: the one in front on its seat, else any open one.
std::optional<UserSession> sessionToShare(UserSessionSource& source);

// The X authority file for a session's display: XAUTHORITY from the environment of one of the
// session's processes, else the -auth argument of the X server serving that display (a process
// of root or the session's user: anyone can start a process named like an X server). Empty when
// neither is found (the display may need none). The path is the user's choice: a process of
// another account must not open it as it is (privateXAuthorityCopy).
QString xAuthorityFor(const UserSession& session,
                      const QString& procRoot = QStringLiteral("/proc"));

// The Wayland display (a socket's name in the runtime folder, or its path) that the processes of
// a Wayland log-in were given; empty when none of them says.
constexpr int kMaxWaylandDisplayName = 108; // a Unix socket's path
QString waylandDisplayFor(const UserSession& session,
                          const QString& procRoot = QStringLiteral("/proc"));

// The authority file at `path` copied into `folder` for this process's own X connection: read
// only when it is a regular file of the session's user or root, opened without blocking and
// without following a final link (a FIFO or device planted there cannot hang the reader), at
// most 64 KiB; the copy is private to this process's account. Empty when it is none of that.
QString privateXAuthorityCopy(const QString& path, const UserSession& session,
                              const QString& folder);

} // namespace nimbral::platform
