// The window's tools in a real session: two complete devices, each with its main window, at our
// real server on loopback.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "common/client_id_text.h"
#include "find_child.h"
#include "qstring_printer.h"
#include "session/chat_service.h"
#include "session/session_channel.h"
#include "session_pair.h"
#include "ui/chat_dialog.h"
#include "ui/display_text.h"
#include "ui/file_manager_dialog.h"
#include "ui/main_window.h"
#include "ui/session_notice.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using test::DeviceStack;
using test::kPassword;

// The pair of devices, each with its window; the Target's window accepts the session.
class ClientSession : public test::SessionPairTest {
protected:
    void SetUp() override {
        bringDevicesOnline();
        masterWindow = makeWindow(*master);
        targetWindow = makeWindow(*target);
        masterWindow->connectTo(target->clientId(), kPassword);
        ASSERT_WAIT(master->session.state() == SessionState::Connected &&
                        target->session.state() == SessionState::Connected,
                    15000);
    }

    void TearDown() override {
        masterWindow.reset();
        targetWindow.reset();
    }

    std::unique_ptr<MainWindow> makeWindow(DeviceStack& device) {
        auto window = std::make_unique<MainWindow>(device.auth, device.api, device.signaling,
                                                   device.session, device.settings, nullptr,
                                                   /*withTray=*/false);
        window->setDialogs([this](const QString&, const QString& text) { warnings << text; },
                           [](const QString&, const QString&) { return true; });
        window->setReconnectOffer([this](const QString&, const QString& text) {
            reconnectOffers << text;
            return false;
        });
        return window;
    }

    // The Target's notice, a window of its own.
    static SessionNotice* targetNotice() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* notice = qobject_cast<SessionNotice*>(widget)) {
                return notice;
            }
        }
        return nullptr;
    }

    std::unique_ptr<MainWindow> masterWindow;
    std::unique_ptr<MainWindow> targetWindow;
    QStringList warnings;
    QStringList reconnectOffers;
};

// While connected, the Target shows on top of everything who is there, with a button that ends
// the session; the Master is told its partner ended it.
TEST_F(ClientSession, TheTargetsNoticeNamesThePartnerAndEndsTheSession) {
    SessionNotice* notice = targetNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(notice->text(), QString("Partner %1 sees and controls this screen")
                                  .arg(formatClientId(master->clientId())));
    test::child<QPushButton>(*notice, "endSessionButton")->click();
    EXPECT_EQ(target->session.state(), SessionState::Idle);
    EXPECT_EQ(targetNotice(), nullptr);
    ASSERT_WAIT(reconnectOffers.size() == 1, 5000);
    EXPECT_EQ(reconnectOffers.at(0),
              QString("Partner %1 ended the session.").arg(formatClientId(target->clientId())));
}

// A failed connection is one message that names the partner and says what to do, whatever
// failed: the server's refusal and the session's own report used to come as two boxes.
class ClientFailures : public test::SessionPairTest {
protected:
    void SetUp() override {
        bringDevicesOnline();
        QObject::connect(&target->signaling, &SignalingClient::sessionAutoAccept, &target->session,
                         &SessionManager::acceptSession);
        window = std::make_unique<MainWindow>(master->auth, master->api, master->signaling,
                                              master->session, master->settings, nullptr,
                                              /*withTray=*/false);
        window->setDialogs([this](const QString&, const QString& text) { warnings << text; },
                           [](const QString&, const QString&) { return false; });
        window->onAuthenticated(master->clientId());
    }

    // The messages one attempt brings, once it has settled.
    QStringList attempt(const QString& partnerId, const QString& password) {
        warnings.clear();
        window->connectTo(partnerId, password);
        EXPECT_WAIT(master->session.state() == SessionState::Failed, 15000);
        QTest::qWait(300); // a second box would come now
        return warnings;
    }

    std::unique_ptr<MainWindow> window;
    QStringList warnings;
};

TEST_F(ClientFailures, EachFailedConnectionShowsOneMessageNamingThePartner) {
    const QString grouped = formatClientId(target->clientId());
    EXPECT_EQ(attempt(target->clientId(), "Wrong-Pass1"),
              QStringList{QString("Wrong password for partner %1: check it, or ask them for the "
                                  "current one")
                              .arg(grouped)});
    EXPECT_EQ(attempt("100000001", kPassword),
              QStringList{"Partner 100 000 001 is unknown: check the ID"});
    EXPECT_EQ(attempt(master->clientId(), kPassword),
              QStringList{QString("%1 is this device's own ID: enter the partner's ID")
                              .arg(formatClientId(master->clientId()))});
}

// A session the partner ends is told as such with a Reconnect button; a lost one comes back by
// itself, the status line counting the attempts and the Disconnect button standing by to stop
// them, with no box at all.
TEST_F(ClientFailures, AnEndedSessionOffersReconnectAndALostOneComesBackByItself) {
    master->settings.setAutoReconnect(true);
    master->settings.setMaxReconnectAttempts(3);
    QStringList offers;
    window->setReconnectOffer([&offers](const QString&, const QString& text) {
        offers << text;
        return true;
    });
    const auto bothConnected = [this] {
        return master->session.state() == SessionState::Connected &&
               target->session.state() == SessionState::Connected;
    };
    window->connectTo(target->clientId(), kPassword);
    ASSERT_WAIT(bothConnected(), 15000);

    target->session.endSession(QStringLiteral("user_disconnect"));
    ASSERT_WAIT(offers.size() == 1, 5000);
    EXPECT_EQ(offers.at(0),
              QString("Partner %1 ended the session.").arg(formatClientId(target->clientId())));
    ASSERT_WAIT(bothConnected(), 15000); // the user chose Reconnect

    auto* disconnect = test::child<QPushButton>(*window, "disconnectButton");
    target->session.endSession(QLatin1String(kLinkLostReason)); // gone without a word
    ASSERT_WAIT(window->statusText().contains("reconnecting (attempt 1 of 3)"), 5000);
    EXPECT_FALSE(disconnect->isHidden());
    ASSERT_WAIT(bothConnected(), 15000);
    EXPECT_EQ(offers.size(), 1);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();

    // Disconnect during the wait stops the attempts.
    target->session.endSession(QLatin1String(kLinkLostReason));
    ASSERT_WAIT(window->statusText().contains("reconnecting (attempt 1 of 3)"), 5000);
    disconnect->click();
    EXPECT_TRUE(disconnect->isHidden());
    EXPECT_FALSE(window->statusText().contains("reconnecting"));
    QTest::qWait(2500); // past the first attempt's time
    EXPECT_EQ(master->session.state(), SessionState::Idle);
}

// The monitor menu lists the monitors the Target has, the one it sends ticked; one it does not
// have is reported instead of freezing the picture.
TEST_F(ClientSession, TheMonitorMenuListsThePartnersMonitorsAndAFailedSwitchIsReported) {
    auto* menu = test::child<QMenu>(*masterWindow, "monitorMenu");
    ASSERT_NE(menu, nullptr);
    ASSERT_WAIT(menu->actions().size() == 1, 5000); // four until the Target has said
    EXPECT_EQ(menu->actions().at(0)->text(), "Monitor 1: SYN-1 (320 × 240)");
    EXPECT_TRUE(menu->actions().at(0)->isChecked());
    master->session.requestMonitorSwitch(3);
    ASSERT_WAIT(!warnings.isEmpty(), 5000);
    EXPECT_EQ(warnings.constLast(), "Monitor 4 is not available on the partner's computer.");
    EXPECT_EQ(target->session.monitorIndex(), 0u);
}

TEST_F(ClientSession, ChatOpensOnTheTargetAndMarksTheMastersTool) {
    ChatDialog* targetChat = test::child<ChatDialog>(*targetWindow, "chatDialog");
    ChatDialog* masterChat = test::child<ChatDialog>(*masterWindow, "chatDialog");
    ASSERT_NE(targetChat, nullptr);
    ASSERT_NE(masterChat, nullptr);
    EXPECT_FALSE(targetChat->isVisible());

    // The Master writes: the Target's dialog opens by itself with the message in it.
    masterChat->input()->setText("Hello <there>");
    masterChat->onSendClicked();
    ASSERT_WAIT(targetChat->isVisible(), 5000);
    EXPECT_TRUE(targetChat->history()->toPlainText().contains("Hello <there>"));
    EXPECT_TRUE(targetChat->history()->toPlainText().contains("Remote"));
    EXPECT_TRUE(masterChat->history()->toPlainText().contains("Me"))
        << "own lines are shown by the owner";

    // The Target answers while the Master's dialog is closed: only the tool is marked.
    targetChat->input()->setText("Hi");
    targetChat->onSendClicked();
    ASSERT_WAIT(test::child<QAction>(*masterWindow, "chatAction")->text() == "Chat (!)", 5000);
    EXPECT_FALSE(masterChat->isVisible());
    EXPECT_TRUE(masterChat->history()->toPlainText().contains("Hi"));
    masterWindow->onChatClicked();
    EXPECT_TRUE(masterChat->isVisible());
    EXPECT_EQ(test::child<QAction>(*masterWindow, "chatAction")->text(), "Chat");
}

TEST_F(ClientSession, TheTargetCountsTheFramesItSends) {
    const ConnectionQualityMonitor& monitor = targetWindow->qualityMonitor();
    ASSERT_TRUE(monitor.isRunning());
    ASSERT_WAIT(monitor.stats().fps > 0, 8000);
}

TEST_F(ClientSession, TheFileManagerBrowsesDownloadsAndUploads) {
    QTemporaryDir remote; // the Target's folder
    QTemporaryDir local;  // the Master's
    for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
        QFile file(remote.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(name) + QByteArray(5000, 'x'));
    }
    ASSERT_TRUE(QDir(remote.path()).mkdir("sub"));
    FileTransferService* files = master->session.fileTransferService();
    ASSERT_NE(files, nullptr);
    FileManagerDialog dialog(*files);
    dialog.setQuestion([](const QString&, const QString&) { return true; });
    QStringList statuses;
    QObject::connect(&dialog, &FileManagerDialog::statusChanged,
                     [&statuses](const QString& text) { statuses << text; });

    // The root lists the Target's volumes; from there a folder is opened by its whole path.
    ASSERT_WAIT(dialog.statusText().endsWith(" items"), 5000);
    EXPECT_GT(dialog.remoteList()->topLevelItemCount(), 0);
    QTreeWidgetItem folder;
    folder.setData(0, Qt::UserRole, remote.path());
    folder.setData(0, Qt::UserRole + 1, true);
    dialog.onRemoteItemDoubleClicked(&folder, 0);
    ASSERT_WAIT(dialog.statusText() == "4 items", 5000);
    // The person at the Target sees what the partner does with its files.
    const SessionNotice* notice = targetNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().endsWith("Looking at files in " + QDir(remote.path()).dirName()))
        << notice->text().toStdString();

    // Three files in a row into the Master's folder.
    dialog.localTree()->setCurrentIndex(dialog.localModel()->index(local.path()));
    for (int i = 0; i < dialog.remoteList()->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = dialog.remoteList()->topLevelItem(i);
        item->setSelected(true);
    }
    statuses.clear();
    dialog.onDownloadClicked();
    ASSERT_WAIT(dialog.statusText() == "All downloads complete.", 10000);
    EXPECT_EQ(statuses.first(), "Downloading 1 of 3: one.txt");
    EXPECT_TRUE(statuses.contains("Downloading 3 of 3: two.txt"))
        << statuses.join(" | ").toStdString();
    for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
        QFile copy(local.filePath(name));
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(copy.readAll(), QByteArray(name) + QByteArray(5000, 'x'));
    }
    EXPECT_TRUE(notice->text().endsWith("Copying two.txt from this computer"));

    // One file up into the Target's folder; the list is refreshed with it.
    QFile upload(local.filePath("up.bin"));
    ASSERT_TRUE(upload.open(QIODevice::WriteOnly));
    upload.write(QByteArray(70000, 'u'));
    upload.close();
    dialog.localModel()->setRootPath(local.path());
    const QModelIndex index = dialog.localModel()->index(upload.fileName());
    dialog.localTree()->selectionModel()->clearSelection();
    dialog.localTree()->selectionModel()->select(index, QItemSelectionModel::Select |
                                                            QItemSelectionModel::Rows);
    dialog.onUploadClicked();
    ASSERT_WAIT(dialog.statusText() == "5 items", 10000);
    QFile arrived(remote.filePath("up.bin"));
    ASSERT_TRUE(arrived.open(QIODevice::ReadOnly));
    EXPECT_EQ(arrived.readAll(), QByteArray(70000, 'u'));
    EXPECT_TRUE(notice->text().endsWith("Copying up.bin to this computer"));

    // A file that went away meanwhile: the Target's error reaches the status line.
    ASSERT_TRUE(QFile::remove(remote.filePath("one.txt")));
    dialog.remoteList()->clearSelection();
    dialog.remoteList()->findItems("one.txt", Qt::MatchExactly)[0]->setSelected(true);
    dialog.onDownloadClicked();
    ASSERT_WAIT(dialog.statusText().startsWith("Error: "), 10000);
    EXPECT_FALSE(dialog.progressBar()->isVisibleTo(&dialog));
}

} // namespace
} // namespace nimbral
