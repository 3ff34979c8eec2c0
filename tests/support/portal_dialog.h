#pragma once

#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "capture/mutter_capture_backend.h"
#include "platform/mutter_remote_desktop.h"
#include "wayland_probe.h"

// The user of the headless GNOME behind the desktop portal (headless_portal.h), answering the
// portal's remote-desktop or screen-cast dialog on that desktop through GNOME's own remote desktop:
// eyes that record the monitor and hands that click. The places are where xdg-desktop-portal-gnome
// 43 draws the dialog on a 1280x720 monitor. The pointer is drawn into the pictures, so what is
// looked at lies above or left of where the hands click.
namespace nimbral::test {

class PortalDialogUser {
public:
    // False, with a test failure, when no dialog shows.
    bool waitForTheDialog() {
        if (!m_eyes.initialize(0) ||
            !see([](const CapturedFrame& f) { return ::pixelAt(f, 395, 222) == 0xd9d9d9u; })) {
            ADD_FAILURE() << "the portal's dialog never showed"; // its Cancel button's grey
            return false;
        }
        return true;
    }

    // False, with a test failure, when the dialog stays.
    bool waitForTheDialogToGo() {
        if (!see([](const CapturedFrame& f) { return ::pixelAt(f, 395, 222) != 0xd9d9d9u; })) {
            ADD_FAILURE() << "the portal's dialog stayed";
            return false;
        }
        return true;
    }

    // Picks the monitor in the screen-cast dialog (the remote-desktop one has it picked).
    void chooseTheMonitor() { click(470, 386); }

    // Turns on "Allow remote interaction"; false, with a test failure, when it does not turn on.
    bool allowRemoteInteraction() {
        click(830, 432); // the switch
        if (!see([](const CapturedFrame& f) { return isChosenBlue(::pixelAt(f, 812, 432)); })) {
            ADD_FAILURE() << "remote interaction did not turn on";
            return false;
        }
        return true;
    }

    // Presses Share once it may be pressed; false, with a test failure, when it never may.
    bool share() {
        if (!see([](const CapturedFrame& f) { return isChosenBlue(::pixelAt(f, 888, 222)); })) {
            ADD_FAILURE() << "Share never became pressable";
            return false;
        }
        click(850, 238);
        return true;
    }

    void cancel() { click(430, 233); }

    // The remote-desktop dialog's whole answer: allows input when `allowInput`, shares.
    bool answer(bool allowInput) {
        return waitForTheDialog() && (!allowInput || allowRemoteInteraction()) && share();
    }

    // The screen-cast dialog's whole answer: the monitor, remembered (as the dialog proposes).
    bool answerTheScreenCast() {
        if (!waitForTheDialog()) {
            return false;
        }
        chooseTheMonitor();
        return share();
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
