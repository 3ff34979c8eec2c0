#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

#include "headless_gnome.h"

namespace {
bool g_gnomeRunning = false;
}

bool headlessGnomeRunning() {
    return g_gnomeRunning;
}

// For tests of the GNOME (Wayland) backends: a private headless GNOME is started before the
// application object reads the environment. The program itself draws off screen; the desktop is
// for the code under test and for the probe windows the tests start on it. Without GNOME the
// tests skip.
int main(int argc, char** argv) {
    auto gnome = std::make_unique<HeadlessGnome>();
    g_gnomeRunning = gnome->start(1280, 720);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        QGuiApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
