#include "platform/linux_desktop.h"

#include <QStringList>
#include <QtGlobal>

#include "platform/mutter_remote_desktop.h"
#include "platform/portal_remote_desktop.h"
#include "platform/wlroots_connection.h"

namespace nimbral::platform {

namespace {

// Empty when `desktop` can be shared here, else why not.
QString unavailableReason(LinuxDesktop desktop) {
    switch (desktop) {
    case LinuxDesktop::Gnome:
        return MutterRemoteDesktop::unavailableReason();
    case LinuxDesktop::Wlroots:
        return QString::fromStdString(WlrootsConnection::unavailableReason());
    case LinuxDesktop::Portal:
        return PortalRemoteDesktop::unavailableReason();
    default:
        return QStringLiteral("not a Wayland desktop");
    }
}

} // namespace

LinuxDesktop linuxDesktop(QString* why) {
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
                         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!wayland) {
        return LinuxDesktop::X11;
    }
    const QString chosen = qEnvironmentVariable("NIMBRAL_WAYLAND_BACKEND");
    struct Candidate {
        const char* name;
        LinuxDesktop desktop;
    };
    const Candidate candidates[] = {{"gnome", LinuxDesktop::Gnome},
                                    {"wlroots", LinuxDesktop::Wlroots},
                                    {"portal", LinuxDesktop::Portal}};
    QStringList reasons;
    for (const Candidate& candidate : candidates) {
        if (!chosen.isEmpty() && chosen != QLatin1String(candidate.name)) {
            continue;
        }
        const QString missing = unavailableReason(candidate.desktop);
        if (missing.isEmpty()) {
            return candidate.desktop;
        }
        reasons << missing;
    }
    if (why != nullptr) {
        *why = reasons.isEmpty()
                   ? QStringLiteral("NIMBRAL_WAYLAND_BACKEND names no backend (gnome, wlroots, "
                                    "portal): \"%1\"")
                         .arg(chosen)
                   : reasons.join(QStringLiteral(", and "));
    }
    return LinuxDesktop::Unsupported;
}

} // namespace nimbral::platform
