#pragma once

#include <QString>

namespace nimbral::platform {

enum class LinuxDesktop {
    X11,         // an X display: XTest and MIT-SHM
    Gnome,       // a Wayland session whose compositor is GNOME's Mutter
    Wlroots,     // a Wayland compositor with wlr-screencopy (sway and others)
    Portal,      // any other Wayland desktop, through the desktop portal (KDE and others)
    Unsupported, // a Wayland session nothing here can share
};

// The kind of desktop this process would share, from XDG_SESSION_TYPE / WAYLAND_DISPLAY and what
// answers on the session bus and on the Wayland display; an X11 program under XWayland counts as
// Wayland, since XWayland shows only its X windows. NIMBRAL_WAYLAND_BACKEND ("gnome", "wlroots"
// or "portal") picks one of them instead of the first that answers. When it is Unsupported, `why`
// (if given) says why.
LinuxDesktop linuxDesktop(QString* why = nullptr);

} // namespace nimbral::platform
