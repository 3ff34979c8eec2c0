#include "platform/graphical_display.h"

#include <QtGlobal>

namespace nimbral::platform {

QString missingDisplayReason() {
    // An explicit platform (offscreen, a VNC plugin, ...) brings its own output.
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return {};
    }
    return QStringLiteral("no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); start "
                          "it in a graphical session");
}

} // namespace nimbral::platform
