#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

#include NIMBRAL_TEST_DESKTOP_HEADER

namespace {
bool g_desktopRunning = false;
}

bool headlessDesktopRunning() {
    return g_desktopRunning;
}

// For tests of the Wayland backends, built once per desktop (headless GNOME, headless sway): the
// program's private desktop is started before the application object reads the environment. The
// program itself draws off screen; the desktop is for the code under test and the probe windows
// the tests start on it. Without the desktop the tests skip; listing them needs none.
int main(int argc, char** argv) {
    std::unique_ptr<NIMBRAL_TEST_DESKTOP> desktop;
    if (!onlyListingTests(argc, argv)) {
        desktop = std::make_unique<NIMBRAL_TEST_DESKTOP>();
        g_desktopRunning = desktop->start(1280, 720);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        QGuiApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
