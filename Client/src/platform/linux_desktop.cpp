#include "platform/linux_desktop.h"

#include <QtGlobal>

#include "platform/mutter_remote_desktop.h"
#include "platform/wlroots_connection.h"

namespace nimbral::platform {

LinuxDesktop linuxDesktop(QString* why) {
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
                         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!wayland) {
        return LinuxDesktop::X11;
    }
    const QString gnomeMissing = MutterRemoteDesktop::unavailableReason();
    if (gnomeMissing.isEmpty()) {
        return LinuxDesktop::Gnome;
    }
    const std::string wlrootsMissing = WlrootsConnection::unavailableReason();
    if (wlrootsMissing.empty()) {
        return LinuxDesktop::Wlroots;
    }
    if (why != nullptr) {
        *why =
            QStringLiteral("%1, and %2").arg(gnomeMissing, QString::fromStdString(wlrootsMissing));
    }
    return LinuxDesktop::Unsupported;
}

} // namespace nimbral::platform
