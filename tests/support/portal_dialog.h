#pragma once

#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "capture/mutter_capture_backend.h"
#include "platform/mutter_remote_desktop.h"
#include "wayland_probe.h"

// The user of the headless GNOME behind the desktop portal (headless_portal.h), answering the
// portal's remote-desktop dialog on that desktop through GNOME's own remote desktop: eyes that
// record the monitor and hands that click. The places are where xdg-desktop-portal-gnome 43 draws
// the dialog on a 1280x720 monitor. The pointer is drawn into the pictures, so what is looked at
// lies above or left of where the hands click.
namespace nimbral::test {

class PortalDialogUser {
public:
    // False, with a test failure, when the dialog does not show.
    bool waitForTheDialog() {
        if (!m_eyes.initialize(0) ||
            !see([](const CapturedFrame& f) { return isChosenBlue(::pixelAt(f, 888, 222)); })) {
            ADD_FAILURE() << "the portal's dialog never showed";
            return false;
        }
        return true;
    }

    // Turns on "Allow remote interaction"; false, with a test failure, when it does not turn on.
    bool allowRemoteInteraction() {
        click(830, 432); // the switch
        if (!see([](const CapturedFrame& f) { return isChosenBlue(::pixelAt(f, 812, 432)); })) {
            ADD_FAILURE() << "remote interaction did not turn on";
            return false;
        }
        return true;
    }

    void share() { click(850, 238); }
    void cancel() { click(430, 233); }

    // The whole answer: waits for the dialog, allows input when `allowInput`, shares.
    bool answer(bool allowInput) {
        if (!waitForTheDialog() || (allowInput && !allowRemoteInteraction())) {
            return false;
        }
        share();
        return true;
    }

private:
    // The blue of a chosen button or switch (0x3584e4, lighter under the pointer).
    static bool isChosenBlue(std::uint32_t pixel) {
        return (pixel >> 16) < 0x60 && (pixel & 0xff) > 0xd0;
    }

    template <typename Accept> bool see(Accept accept) {
        return QTest::qWaitFor(
            [&] {
                std::unique_ptr<CapturedFrame> frame = m_eyes.captureFrame();
                return frame && accept(*frame);
            },
            15000);
    }

    void click(int x, int y) {
        const std::shared_ptr<platform::MutterRemoteDesktop> hands =
            platform::MutterRemoteDesktop::current();
        if (!hands) {
            ADD_FAILURE() << "no hands: GNOME's remote desktop is not recording";
            return;
        }
        hands->movePointer(x, y);
        QTest::qWait(100);
        hands->pressButton(0x110, true); // BTN_LEFT
        hands->pressButton(0x110, false);
        QTest::qWait(200);
    }

    MutterCaptureBackend m_eyes;
};

} // namespace nimbral::test
