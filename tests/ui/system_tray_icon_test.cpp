#include "ui/system_tray_icon.h"

#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "log_capture.h"

namespace nimbral {
namespace {

TEST(SystemTrayIcon, TheMenuCarriesStatusAndRequests) {
    SystemTrayIcon tray;
    EXPECT_EQ(tray.toolTip(), "Nimbral - Remote Access");
    EXPECT_FALSE(tray.icon().isNull());
    EXPECT_EQ(tray.statusText(), "Status: Disconnected");
    tray.setStatusText("Ready");
    EXPECT_EQ(tray.statusText(), "Ready") << "the prefix belongs to the first text only";

    const QList<QAction*> actions = tray.menu()->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_EQ(actions[0]->text(), "Show");
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3]->text(), "Disconnect");
    EXPECT_EQ(actions[4]->text(), "Quit");
    EXPECT_FALSE(tray.disconnectEnabled());
    tray.setDisconnectEnabled(true);
    EXPECT_TRUE(actions[3]->isEnabled());

    QSignalSpy show(&tray, &SystemTrayIcon::showWindowRequested);
    QSignalSpy disconnect(&tray, &SystemTrayIcon::disconnectRequested);
    QSignalSpy quit(&tray, &SystemTrayIcon::quitRequested);
    actions[0]->trigger();
    actions[3]->trigger();
    actions[4]->trigger();
    emit tray.activated(QSystemTrayIcon::Trigger); // a single click asks for nothing
    emit tray.activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(show.count(), 2);
    EXPECT_EQ(disconnect.count(), 1);
    EXPECT_EQ(quit.count(), 1);
}

TEST(SystemTrayIcon, ANoticeIsShownWhereBalloonsExistAndOnlyLoggedElsewhere) {
    SystemTrayIcon tray;
    test::LogCapture log;
    tray.showIncomingConnection("123 456 789");
    if (QSystemTrayIcon::supportsMessages()) {
        EXPECT_TRUE(log.has(spdlog::level::info,
                            "Tray notification shown: Incoming Connection - Client 123 456 789 "
                            "is requesting a remote connection."));
    } else {
        EXPECT_TRUE(
            log.has(spdlog::level::warn, "System tray does not support balloon notifications"));
        EXPECT_FALSE(log.hasPrefix(spdlog::level::info, "Tray notification shown"));
    }
}

} // namespace
} // namespace nimbral
