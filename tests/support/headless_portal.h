#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "desktop_processes.h"
#include "headless_gnome.h"

// A desktop reached through the desktop portal, private to one test program: the headless GNOME,
// with xdg-desktop-portal and its GNOME backend in front of it. The program is told to take the
// portal (NIMBRAL_WAYLAND_BACKEND) though GNOME's own interfaces answer too. The portal asks its
// user in a dialog on that desktop; the tests answer it there.
class HeadlessPortal {
public:
    static constexpr const char* kPortal = "/usr/libexec/xdg-desktop-portal";
    static constexpr const char* kGnomeBackend = "/usr/libexec/xdg-desktop-portal-gnome";

    // What the portal offers: GNOME's backend in full, or its screen cast alone (as a portal
    // without remote desktop would).
    enum class Offer { RemoteDesktop, ScreenCastOnly };
    explicit HeadlessPortal(Offer offer = Offer::RemoteDesktop)
        : m_offer(offer) {}

    // False, with the reason on stderr, when a piece is missing or does not come up.
    bool start(int width, int height) {
        if (!m_processes.installed({kPortal, kGnomeBackend}) || !m_gnome.start(width, height) ||
            !m_processes.makeFolder()) {
            return false;
        }
        // The client's settings (the portal's restore token) stay in the folder.
        setenv("XDG_CONFIG_HOME", (m_processes.folder() + "/config").c_str(), 1);
        setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
        m_processes.spawn({kGnomeBackend, "--verbose"}, "xdpg.log", {"GDK_BACKEND=wayland"});
        if (!DesktopProcesses::waitFor([] {
                return DesktopProcesses::nameOnBus("org.freedesktop.impl.portal.desktop.gnome");
            })) {
            return m_processes.failed("xdg-desktop-portal-gnome did not start", "xdpg.log");
        }
        std::vector<std::string> portalEnvironment;
        if (m_offer == Offer::ScreenCastOnly) {
            const std::string portals = m_processes.folder() + "/portals";
            std::filesystem::create_directory(portals);
            std::ofstream(portals + "/gnome.portal")
                << "[portal]\nDBusName=org.freedesktop.impl.portal.desktop.gnome\n"
                << "Interfaces=org.freedesktop.impl.portal.ScreenCast;\nUseIn=gnome\n";
            portalEnvironment.push_back("XDG_DESKTOP_PORTAL_DIR=" + portals);
        }
        m_processes.spawn({kPortal, "--verbose"}, "portal.log", portalEnvironment);
        if (!DesktopProcesses::waitFor(
                [] { return DesktopProcesses::nameOnBus("org.freedesktop.portal.Desktop"); })) {
            return m_processes.failed("xdg-desktop-portal did not start", "portal.log");
        }
        setenv("NIMBRAL_WAYLAND_BACKEND", "portal", 1);
        return true;
    }

    const std::string& folder() const { return m_processes.folder(); }

private:
    Offer m_offer;
    HeadlessGnome m_gnome; // stopped after the portal, which holds connections to it
    DesktopProcesses m_processes{"portal"};
};

// The same, whose portal offers the screen cast alone: a view-only Target, whose permission the
// portal can keep.
class HeadlessScreenCastPortal : public HeadlessPortal {
public:
    HeadlessScreenCastPortal()
        : HeadlessPortal(Offer::ScreenCastOnly) {}
};
