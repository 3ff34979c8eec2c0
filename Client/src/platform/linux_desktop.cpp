#include "platform/linux_desktop.h"

#include <QtGlobal>

#include "platform/mutter_remote_desktop.h"

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
    if (why != nullptr) {
        *why = gnomeMissing;
    }
    return LinuxDesktop::Unsupported;
}

} // namespace nimbral::platform
