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

// Whether the user has an open session here: the service serves only such users (and root).
bool ownsOpenSession(UserSessionSource& source, std::uint32_t uid);

// The graphical session a Target shares: the one in front on its seat, else any open one.
std::optional<UserSession> sessionToShare(UserSessionSource& source);

// The X authority file for a session's display: XAUTHORITY from the environment of one of the
// session's processes, else the -auth argument of the X server serving that display. Empty when
// neither is found (the display may need none).
QString xAuthorityFor(const UserSession& session,
                      const QString& procRoot = QStringLiteral("/proc"));

} // namespace nimbral::platform
