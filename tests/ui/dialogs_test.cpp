#include <ctime>

#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QDirIterator>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "file_service_link.h"
#include "qstring_printer.h"
#include "session/connection_quality_monitor.h"
#include "session/file_transfer_service.h"
#include "ui/chat_dialog.h"
#include "ui/connection_dialog.h"
#include "ui/connection_info_dialog.h"
#include "ui/file_manager_dialog.h"
#include "ui/password_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/wake_on_lan.h"
#include "wait_until.h"

namespace nimbral {
namespace {

// ------------------------------------------------------------------ new password

// A rule error keeps the dialog open with the rule under the field and the typed text in it;
// the complaint goes once the user types again, and a password that passes closes it.
TEST(PasswordDialog, StaysOpenWithTheBrokenRuleUntilThePasswordPasses) {
    PasswordDialog dialog("Change Session Password",
                          "New password:", &AuthController::validatePassword);
    dialog.show();
    auto* field = dialog.findChild<QLineEdit*>("newPassword");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    QTest::keyClicks(field, "short");
    dialog.tryAccept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.problem(), "Password must be at least 8 characters.");
    EXPECT_EQ(dialog.password(), "short") << "nothing typed is lost";

    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClicks(field, "-enough9");
    EXPECT_TRUE(dialog.problem().isEmpty()) << "the old complaint goes when the field changes";
    dialog.tryAccept();
    EXPECT_EQ(dialog.problem(), "Password must contain at least one uppercase letter.");
    field->setText("Short-enough9");
    dialog.tryAccept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.password(), "Short-enough9");
}

// ------------------------------------------------------------------ chat

TEST(ChatDialog, SendsTrimmedBoundedTextAndShowsMarkupLiterally) {
    ChatDialog dialog;
    QSignalSpy sent(&dialog, &ChatDialog::messageSent);
    EXPECT_EQ(dialog.windowTitle(), "Chat");
    EXPECT_FALSE(dialog.sendButton()->isDefault());
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);

    dialog.input()->setText("     ");
    dialog.onSendClicked();
    EXPECT_EQ(sent.count(), 0) << "blanks only are not a message";

    dialog.input()->setText("  hello  ");
    dialog.sendButton()->click();
    ASSERT_EQ(sent.count(), 1);
    EXPECT_EQ(sent.takeFirst().at(0).toString(), "hello");
    EXPECT_TRUE(dialog.input()->text().isEmpty());

    dialog.input()->setText(QString(12000, QLatin1Char('x')));
    emit dialog.input()->returnPressed();
    ASSERT_EQ(sent.count(), 1);
    EXPECT_EQ(sent.takeFirst().at(0).toString(), QString(10000, QLatin1Char('x')));
    EXPECT_TRUE(dialog.history()->toPlainText().isEmpty()) << "the owner shows own messages";

    const QDateTime at(QDate(2026, 12, 7), QTime(9, 5));
    dialog.appendMessage("Me", "<b>bold</b> & <script>", at);
    dialog.appendMessage("Remote", "second", at);
    const QString plain = dialog.history()->toPlainText();
    EXPECT_TRUE(plain.contains("<b>bold</b> & <script>")) << plain.toStdString();
    EXPECT_TRUE(plain.contains("09:05"));
    const QString html = dialog.history()->toHtml();
    EXPECT_FALSE(html.contains("<b>bold</b>")) << "markup is escaped, not rendered";
    // The sender's colour tells who wrote: own lines blue, the partner's green.
    EXPECT_TRUE(html.contains("#4da6ff")) << html.toStdString();
    EXPECT_TRUE(html.contains("#66bb6a")) << html.toStdString();

    // A partner's time arrives as UTC and is shown in this machine's time.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "XYZ-3"); // three hours east of Greenwich
    tzset();
    dialog.appendMessage("Remote", "from afar",
                         QDateTime(QDate(2026, 12, 7), QTime(9, 5), Qt::UTC));
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    tzset();
    EXPECT_TRUE(dialog.history()->toPlainText().contains("12:05"))
        << dialog.history()->toPlainText().toStdString();
}

// ------------------------------------------------------------------ connection information

TEST(ConnectionInfoDialog, FormatsIdentityAndFigures) {
    EXPECT_EQ(ConnectionInfoDialog::remoteIdText("123456789"), "123 456 789");
    EXPECT_EQ(ConnectionInfoDialog::remoteIdText("12345678"), "12345678");
    EXPECT_EQ(ConnectionInfoDialog::bandwidthText(999), "999 Kbps");
    EXPECT_EQ(ConnectionInfoDialog::bandwidthText(1000), "1,000 Kbps");
    EXPECT_EQ(ConnectionInfoDialog::bandwidthText(1500), "1.5 Mbps");
    {
        // Numbers as the user's language writes them.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German));
        EXPECT_EQ(ConnectionInfoDialog::bandwidthText(1500), "1,5 Mbps");
        EXPECT_EQ(FileManagerDialog::fileSizeText(1536), "1,50 KiB");
        QLocale::setDefault(before);
    }
    EXPECT_EQ(ConnectionInfoDialog::uptimeText(3725), "01:02:05");
    EXPECT_EQ(ConnectionInfoDialog::uptimeText(0), "00:00:00");
    EXPECT_EQ(ConnectionInfoDialog::uptimeText(100 * 3600), "100:00:00");

    ConnectionQualityMonitor monitor;
    monitor.recordBytesSent(1536);
    monitor.recordBytesReceived(3 * 1048576);
    monitor.recordDroppedFrame();
    monitor.setLatency(12.34);
    monitor.onUpdateTick();
    ConnectionInfoDialog dialog({"sess-1", "987654321", SessionRole::Master, "p2p", true, "042917",
                                 "aaaa bbbb", "cccc dddd"},
                                monitor);
    EXPECT_EQ(dialog.windowTitle(), "Connection Information");
    EXPECT_EQ(dialog.rowValue("Session ID:"), "sess-1");
    EXPECT_EQ(dialog.rowValue("Remote ID:"), "987 654 321");
    EXPECT_EQ(dialog.rowValue("Role:"), "Master (Viewer)");
    EXPECT_EQ(dialog.rowValue("Transport:"), "p2p");
    EXPECT_EQ(dialog.rowValue("Latency:"), "12.3 ms");
    EXPECT_EQ(dialog.rowValue("Sent:"), "1.50 KiB");
    EXPECT_EQ(dialog.rowValue("Received:"), "3.00 MiB");
    EXPECT_EQ(dialog.rowValue("Dropped Frames:"), "1");
    EXPECT_EQ(dialog.rowValue("FPS:"), "0.0");
    EXPECT_EQ(dialog.rowValue("Status:"), "Verified");
    EXPECT_EQ(dialog.rowValue("Security code:"), "042917");
    EXPECT_EQ(dialog.rowValue("Partner's device key:"), "aaaa bbbb");
    EXPECT_EQ(dialog.rowValue("This device's key:"), "cccc dddd");

    ConnectionInfoDialog target({"s", "1", SessionRole::Target, "relay", false, "123456", {}, {}},
                                monitor);
    EXPECT_EQ(target.rowValue("Role:"), "Target (Sharing)");
    EXPECT_EQ(target.rowValue("Status:"), "Not verified");
    EXPECT_EQ(target.rowValue("Sent:"), "1.50 KiB");
    ConnectionQualityMonitor idle;
    ConnectionInfoDialog empty({"s", "1", SessionRole::Target, "relay", false, {}, {}, {}}, idle);
    EXPECT_EQ(empty.rowValue("Sent:"), "0 bytes");

    // The figures follow the monitor every second.
    monitor.setLatency(40);
    monitor.onUpdateTick();
    ASSERT_WAIT(dialog.rowValue("Latency:") == "40.0 ms", 3000);
}

// ------------------------------------------------------------------ account dialog

TEST(ConnectionDialog, ValidatesBeforeItHandsOn) {
    ConnectionDialog dialog;
    std::vector<QString> warnings;
    dialog.setWarning([&](const QString& title, const QString& text) {
        EXPECT_EQ(title, "Error");
        warnings.push_back(text);
    });
    QSignalSpy login(&dialog, &ConnectionDialog::loginRequested);
    QSignalSpy registration(&dialog, &ConnectionDialog::registerRequested);

    dialog.loginUserEdit()->setText("alice");
    dialog.loginButton()->click();
    dialog.registerUserEdit()->setText("bob");
    dialog.registerPasswordEdit()->setText("1234567");
    dialog.registerButton()->click();
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0], "Please fill in all fields.");
    EXPECT_EQ(warnings[1], "Password must be at least 8 characters.");
    EXPECT_EQ(login.count() + registration.count(), 0);

    dialog.loginPasswordEdit()->setText("secret");
    emit dialog.loginPasswordEdit()->returnPressed();
    ASSERT_EQ(login.count(), 1);
    EXPECT_EQ(login.at(0).at(1).toString(), "secret");
    dialog.registerPasswordEdit()->setText("12345678");
    dialog.registerButton()->click();
    ASSERT_EQ(registration.count(), 1);
    EXPECT_EQ(registration.at(0).at(2).toString(), "") << "the client name may stay empty";
    EXPECT_EQ(dialog.loginPasswordEdit()->echoMode(), QLineEdit::Password);
}

// ------------------------------------------------------------------ file manager

// The Master's half of the service, recording what it would send instead of sending it.
struct RecordingFileService {
    RecordingFileService()
        : service(FileTransferRole::Requester,
                  [this](const std::vector<std::uint8_t>& message) { sent.push_back(message); }) {}
    std::vector<std::vector<std::uint8_t>> sent;
    FileTransferService service;
    // Sub-type of each request sent (1 list, 3 download, 5/6/7 upload).
    std::vector<int> kinds() const {
        std::vector<int> result;
        for (const auto& message : sent) {
            result.push_back(message.empty() ? -1 : message[0]);
        }
        return result;
    }
};

class FileManagerDialogTest : public ::testing::Test {
protected:
    FileManagerDialogTest()
        : dialog(files.service) {
        dialog.setQuestion([this](const QString& title, const QString& text) {
            questions.push_back({title, text});
            return answer;
        });
        QObject::connect(&dialog, &FileManagerDialog::statusChanged,
                         [this](const QString& text) { statuses.push_back(text); });
    }

    void list(const QString& path, const QList<FileEntry>& entries) {
        dialog.onRemoteDirectoryListed(path, entries);
    }
    void selectRemote(const QStringList& names) {
        dialog.remoteList()->clearSelection();
        for (int i = 0; i < dialog.remoteList()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = dialog.remoteList()->topLevelItem(i);
            item->setSelected(names.contains(item->text(0)));
        }
    }
    void setLocalFolder(const QString& folder) {
        const QModelIndex index = dialog.localModel()->index(folder);
        dialog.localTree()->setCurrentIndex(index);
    }

    RecordingFileService files;
    FileManagerDialog dialog;
    QTemporaryDir local;
    std::vector<std::pair<QString, QString>> questions;
    std::vector<QString> statuses;
    bool answer = false;
};

TEST(FileManagerDialogTexts, SizesAndRemotePaths) {
    // The units of Qt's own file view, which shows the local side.
    EXPECT_EQ(FileManagerDialog::fileSizeText(0), "0 bytes");
    EXPECT_EQ(FileManagerDialog::fileSizeText(1023), "1,023 bytes");
    EXPECT_EQ(FileManagerDialog::fileSizeText(1024), "1.00 KiB");
    EXPECT_EQ(FileManagerDialog::fileSizeText(1536), "1.50 KiB");
    EXPECT_EQ(FileManagerDialog::fileSizeText(5 * 1048576 / 2), "2.50 MiB");
    EXPECT_EQ(FileManagerDialog::fileSizeText(1073741824), "1.00 GiB");
    EXPECT_EQ(FileManagerDialog::joinRemotePath("", "/"), "/");
    EXPECT_EQ(FileManagerDialog::joinRemotePath("/", "etc"), "/etc");
    EXPECT_EQ(FileManagerDialog::joinRemotePath("/etc", "ssh"), "/etc/ssh");
    EXPECT_EQ(FileManagerDialog::joinRemotePath("E:\\", "Users"), "E:\\Users");
}

TEST_F(FileManagerDialogTest, BrowsesAndIgnoresLateListings) {
    EXPECT_EQ(dialog.windowTitle(), "File Manager");
    ASSERT_EQ(files.kinds(), std::vector<int>{1}) << "the remote root is asked for at once";
    EXPECT_EQ(dialog.statusText(), "Loading remote directory...");
    EXPECT_EQ(dialog.pathLabel()->text(), "<b>Remote: </b>Drives");

    list("", {{"/", true, 100}, {"/home/u", true, 50}});
    EXPECT_EQ(dialog.statusText(), "2 items");
    ASSERT_EQ(dialog.remoteList()->topLevelItemCount(), 2);
    QTreeWidgetItem* root =
        dialog.remoteList()->findItems("File system (/)", Qt::MatchExactly).value(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(1), "") << "folders show no size";
    EXPECT_EQ(root->text(2), "Folder");
    // Enter on the current row opens it, as a double click does (Enter used to press the
    // dialog's first button, the one that goes up).
    dialog.show();
    dialog.remoteList()->setFocus();
    dialog.remoteList()->setCurrentItem(root);
    QTest::keyClick(dialog.remoteList(), Qt::Key_Return);
    EXPECT_EQ(dialog.currentRemotePath(), "/");

    list("/", {{"etc", true, 0}, {"notes.txt", false, 1536}});
    dialog.onRemoteItemDoubleClicked(
        dialog.remoteList()->findItems("notes.txt", Qt::MatchExactly)[0], 0);
    EXPECT_EQ(dialog.currentRemotePath(), "/") << "a file is not a folder to open";
    EXPECT_EQ(dialog.remoteList()->findItems("notes.txt", Qt::MatchExactly)[0]->text(1),
              "1.50 KiB");
    // The local pane writes the same size the same way.
    QFile same(local.filePath("same.txt"));
    ASSERT_TRUE(same.open(QIODevice::WriteOnly));
    same.write(QByteArray(1536, 's'));
    same.close();
    dialog.localModel()->setRootPath(local.path());
    const QModelIndex localSize = dialog.localModel()->index(same.fileName()).siblingAtColumn(1);
    ASSERT_WAIT(!dialog.localModel()->data(localSize).toString().isEmpty(), 5000);
    EXPECT_EQ(dialog.localModel()->data(localSize).toString(), "1.50 KiB");
    // And it is the same kind of list: one folder, without dates, entered by activating it.
    EXPECT_FALSE(dialog.localTree()->rootIsDecorated());
    EXPECT_TRUE(dialog.localTree()->isColumnHidden(3));
    ASSERT_TRUE(QDir(local.path()).mkdir("inner"));
    emit dialog.localTree()->activated(dialog.localModel()->index(local.path()));
    emit dialog.localTree()->activated(dialog.localModel()->index(local.filePath("inner")));
    EXPECT_EQ(dialog.localModel()->filePath(dialog.localTree()->rootIndex()),
              local.filePath("inner"));
    emit dialog.localTree()->activated(dialog.localModel()->index(same.fileName()));
    EXPECT_EQ(dialog.localModel()->filePath(dialog.localTree()->rootIndex()),
              local.filePath("inner"))
        << "a file is not a folder to enter";
    dialog.onRemoteItemDoubleClicked(dialog.remoteList()->findItems("etc", Qt::MatchExactly)[0], 0);
    EXPECT_EQ(dialog.currentRemotePath(), "/etc");

    // The answer for "/" comes late, after the user went on to /etc: the list stays empty.
    list("/", {{"late", false, 1}});
    EXPECT_EQ(dialog.remoteList()->topLevelItemCount(), 0);
    EXPECT_EQ(dialog.statusText(), "Loading remote directory...");

    // Back: one level up, and from a top folder or a drive to the root.
    for (const auto& [from, to] :
         std::vector<std::pair<QString, QString>>{{"E:\\Users\\x", "E:\\Users"},
                                                  {"E:\\", ""},
                                                  {"E:", ""},
                                                  {"plain", ""},
                                                  {"/etc/ssh", "/etc"},
                                                  {"/etc", ""}}) {
        dialog.onRemoteDirectoryListed(dialog.currentRemotePath(), {});
        // Reach `from` the way a user would not, but as the dialog keeps it.
        QTreeWidgetItem item;
        item.setData(0, Qt::UserRole, from);
        item.setData(0, Qt::UserRole + 1, true);
        // From the root a folder's name is its whole path.
        while (!dialog.currentRemotePath().isEmpty()) {
            dialog.onRemoteBackClicked();
        }
        dialog.onRemoteItemDoubleClicked(&item, 0);
        ASSERT_EQ(dialog.currentRemotePath(), from);
        dialog.onRemoteBackClicked();
        EXPECT_EQ(dialog.currentRemotePath(), to) << from.toStdString();
    }
    const std::size_t asked = files.sent.size();
    dialog.onRemoteBackClicked();
    EXPECT_EQ(files.sent.size(), asked) << "back at the root does nothing";
}

TEST_F(FileManagerDialogTest, DownloadsAQueueOneAfterAnotherAndAsksBeforeOverwriting) {
    list("", {{"/", true, 0}});
    dialog.onRemoteItemDoubleClicked(dialog.remoteList()->topLevelItem(0), 0);
    list("/", {{"dir", true, 0}, {"a.txt", false, 1}, {"b.txt", false, 2}, {"c.txt", false, 3}});

    dialog.onDownloadClicked();
    EXPECT_EQ(dialog.statusText(), "Select one or more remote files to download.");
    selectRemote({"dir"});
    dialog.onDownloadClicked();
    EXPECT_EQ(dialog.statusText(), "No files selected (folders are skipped).");

    setLocalFolder(local.path());
    QFile existing(local.filePath("b.txt"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    selectRemote({"a.txt", "b.txt", "c.txt", "dir"});
    const std::size_t before = files.sent.size();
    answer = false;
    dialog.onDownloadClicked();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].first, "Overwrite?");
    EXPECT_EQ(questions[0].second,
              "These files already exist locally and will be overwritten:\nb.txt\n\nContinue?");
    EXPECT_EQ(files.sent.size(), before) << "No means nothing is queued";

    answer = true;
    statuses.clear();
    dialog.onDownloadClicked();
    ASSERT_EQ(files.sent.size(), before + 1) << "one request at a time";
    EXPECT_EQ(files.sent.back()[0], 3);
    EXPECT_TRUE(dialog.progressBar()->isVisibleTo(&dialog));
    // A second click while the queue runs joins it instead of asking for the head again.
    selectRemote({"a.txt"});
    answer = true;
    dialog.onDownloadClicked();
    EXPECT_EQ(files.sent.size(), before + 1);

    dialog.onDownloadComplete(local.filePath("a.txt"));
    EXPECT_EQ(files.sent.size(), before + 2);
    dialog.onDownloadComplete(local.filePath("b.txt"));
    dialog.onDownloadComplete(local.filePath("c.txt"));
    dialog.onDownloadComplete(local.filePath("a.txt"));
    EXPECT_EQ(files.sent.size(), before + 4) << "four files, four requests";
    const std::vector<QString> expected = {
        "Downloading 1 of 3: a.txt", "Downloaded: a.txt — 3 remaining",
        "Downloading 2 of 4: b.txt", "Downloaded: b.txt — 2 remaining",
        "Downloading 3 of 4: c.txt", "Downloaded: c.txt — 1 remaining",
        "Downloading 4 of 4: a.txt", "All downloads complete.",
    };
    EXPECT_EQ(statuses, expected);
    EXPECT_FALSE(dialog.progressBar()->isVisibleTo(&dialog));
}

// A whole folder each way through the dialog, between two real services: the tree arrives
// below the folder chosen on the receiving side, empty folders included.
TEST(FileManagerDialogFolders, AFolderTravelsWithItsTreeBothWays) {
    QTemporaryDir remote;
    QTemporaryDir local;
    const auto write = [](const QString& path, const QByteArray& content) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    };
    const auto treeOf = [](const QString& folder) {
        QStringList names;
        QDirIterator walk(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                          QDirIterator::Subdirectories);
        while (walk.hasNext()) {
            walk.next();
            QFile file(walk.filePath());
            const QString name = QDir(folder).relativeFilePath(walk.filePath());
            names << (walk.fileInfo().isDir()
                          ? name + "/"
                          : name + "=" +
                                (file.open(QIODevice::ReadOnly) ? QString(file.readAll())
                                                                : QString("?")));
        }
        names.sort();
        return names;
    };
    ASSERT_TRUE(write(remote.filePath("photos/2026/beach.jpg"), "jpeg bytes"));
    ASSERT_TRUE(write(remote.filePath("photos/notes.txt"), "notes"));
    ASSERT_TRUE(QDir().mkpath(remote.filePath("photos/empty")));
    test::Link link;
    link.greet();
    FileManagerDialog dialog(link.master);
    std::vector<QString> statuses;
    QObject::connect(&dialog, &FileManagerDialog::statusChanged,
                     [&](const QString& text) { statuses.push_back(text); });

    dialog.localModel()->setRootPath(local.path());
    dialog.localTree()->setCurrentIndex(dialog.localModel()->index(local.path()));
    // Into the remote temporary folder from the top level, as a double-click would go.
    dialog.onRemoteDirectoryListed(QString(), {{remote.path(), true, 0}});
    dialog.onRemoteItemDoubleClicked(dialog.remoteList()->topLevelItem(0), 0);
    ASSERT_EQ(dialog.currentRemotePath(), remote.path());
    ASSERT_WAIT(dialog.remoteList()->topLevelItemCount() == 1, 5000);
    dialog.remoteList()->topLevelItem(0)->setSelected(true);
    statuses.clear();
    dialog.onDownloadClicked();
    ASSERT_WAIT(dialog.statusText() == "All downloads complete." ||
                    dialog.statusText().startsWith("Error"),
                10000);
    EXPECT_EQ(treeOf(local.filePath("photos")), treeOf(remote.filePath("photos")));
    EXPECT_EQ(treeOf(local.filePath("photos")),
              (QStringList{"2026/", "2026/beach.jpg=jpeg bytes", "empty/", "notes.txt=notes"}));
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front(), "Listing folder " + remote.filePath("photos") + "...");

    // And back up under another name, into a remote folder that already exists.
    ASSERT_TRUE(QDir(local.path()).rename("photos", "album"));
    ASSERT_TRUE(write(local.filePath("album/2026/deep/more.txt"), "more"));
    const QModelIndex album = dialog.localModel()->index(local.filePath("album"));
    ASSERT_TRUE(album.isValid());
    dialog.localTree()->selectionModel()->select(album, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
    statuses.clear();
    dialog.onUploadClicked();
    // Once done the dialog lists the remote folder again.
    ASSERT_WAIT(std::count(statuses.begin(), statuses.end(), "All uploads complete.") == 1 ||
                    dialog.statusText().startsWith("Error"),
                10000);
    EXPECT_EQ(treeOf(remote.filePath("album")), treeOf(local.filePath("album")));
    EXPECT_TRUE(QFileInfo(remote.filePath("album/empty")).isDir());
}

TEST(FileManagerDialogTexts, RateAndTimeLeft) {
    EXPECT_EQ(FileManagerDialog::rateText(1536, 42), "1.50 KiB/s, 0:42 left");
    EXPECT_EQ(FileManagerDialog::rateText(5 * 1048576, 3725), "5.00 MiB/s, 1:02:05 left");
    EXPECT_EQ(FileManagerDialog::rateText(0, -1), "0 bytes/s, 0:00 left");
}

TEST_F(FileManagerDialogTest, TheOverallBarCountsFilesAndCancelDropsTheQueue) {
    list("", {{"a", false, 1}, {"b", false, 1}, {"c", false, 1}});
    setLocalFolder(local.path());
    selectRemote({"a", "b", "c"});
    dialog.onDownloadClicked();
    EXPECT_TRUE(dialog.cancelButton()->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.overallBar()->maximum(), 3);
    EXPECT_EQ(dialog.overallBar()->value(), 0);
    emit files.service.transferStats(2048, 5, 50);
    EXPECT_EQ(dialog.rateLabel()->text(), "2.00 KiB/s, 0:05 left");
    dialog.onDownloadComplete(local.filePath("a"));
    EXPECT_EQ(dialog.overallBar()->value(), 1);

    const std::size_t sent = files.sent.size();
    dialog.cancelButton()->click();
    EXPECT_EQ(dialog.statusText(), "Transfer cancelled");
    EXPECT_FALSE(dialog.progressBar()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.cancelButton()->isVisibleTo(&dialog));
    dialog.onDownloadComplete(local.filePath("b")); // the answer to what was already asked
    EXPECT_EQ(files.sent.size(), sent) << "nothing more is asked for";
}

TEST_F(FileManagerDialogTest, AnErrorStopsTheQueueAndTheNextClickRetriesIt) {
    list("", {{"a", false, 1}, {"b", false, 1}});
    setLocalFolder(local.path());
    selectRemote({"a", "b"});
    dialog.onDownloadClicked();
    const std::size_t afterFirst = files.sent.size();
    dialog.onTransferError("Remote file download failed");
    EXPECT_EQ(dialog.statusText(), "Error: Remote file download failed");
    EXPECT_FALSE(dialog.progressBar()->isVisibleTo(&dialog));
    selectRemote({"b"});
    dialog.onDownloadClicked();
    EXPECT_EQ(files.sent.size(), afterFirst + 1) << "the failed head is asked for again";
    EXPECT_EQ(dialog.statusText(), "Downloading 1 of 3: a");
}

TEST_F(FileManagerDialogTest, UploadsAskAboutNamesAlreadyOnTheRemote) {
    list("", {{"/", true, 0}});
    dialog.onRemoteItemDoubleClicked(dialog.remoteList()->topLevelItem(0), 0);
    list("/", {{"report.txt", false, 10}});
    dialog.onUploadClicked();
    EXPECT_EQ(dialog.statusText(), "Select one or more local files to upload.");

    QFile file(local.filePath("report.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("new report");
    file.close();
    dialog.localModel()->setRootPath(local.path());
    const QModelIndex index = dialog.localModel()->index(local.filePath("report.txt"));
    ASSERT_TRUE(index.isValid());
    dialog.localTree()->selectionModel()->select(index, QItemSelectionModel::Select |
                                                            QItemSelectionModel::Rows);

    answer = false;
    const std::size_t before = files.sent.size();
    dialog.onUploadClicked();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].second, "These files already exist on the remote and will be "
                                   "overwritten:\nreport.txt\n\nContinue?");
    EXPECT_EQ(files.sent.size(), before);

    answer = true;
    statuses.clear();
    dialog.onUploadClicked();
    // start, data, end, then the refreshed listing of the folder
    ASSERT_GE(files.kinds().size(), before + 4);
    EXPECT_EQ(files.kinds()[before], 5);
    EXPECT_EQ(files.kinds().back(), 1);
    EXPECT_EQ(statuses.front(), "Uploading 1 of 1: report.txt");
    EXPECT_TRUE(std::find(statuses.begin(), statuses.end(), "All uploads complete.") !=
                statuses.end());
    EXPECT_EQ(dialog.currentRemotePath(), "/");
}

// ------------------------------------------------------------------ settings

// Records the commands instead of running them; answers with the given exit codes.
struct FakeCommands {
    std::vector<QStringList> ran;
    std::optional<int> serviceQuery = 1; // systemctl is-enabled: not installed
    std::optional<int> elevation = 0;    // pkexec
    CommandRunner runner() {
        CommandRunner commands;
        commands.run = [this](const QString& program, const QStringList& arguments,
                              int) -> std::optional<int> {
            ran.push_back(QStringList{program} + arguments);
            return program == "pkexec" ? elevation : serviceQuery;
        };
        commands.startDetached = [this](const QString& program, const QStringList& arguments) {
            ran.push_back(QStringList{program} + arguments);
            return true;
        };
        return commands;
    }
};

class SettingsDialogTest : public ::testing::Test {
protected:
    SettingsDialogTest()
        : settings(folder.filePath("settings.ini")) {
        qputenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8());
    }
    ~SettingsDialogTest() override { qunsetenv("XDG_CONFIG_HOME"); }

    std::unique_ptr<SettingsDialog> open() {
        auto dialog = std::make_unique<SettingsDialog>(settings, monitors, commands.runner());
        dialog->setServiceProgram("/opt/nimbral/NimbralService");
        dialog->setInformation([this](const QString& title, const QString& text) {
            information.push_back({title, text});
        });
        dialog->setRestartQuestion([this](const QString& title, const QString& text) {
            restartQuestions.push_back({title, text});
            return restartNow;
        });
        return dialog;
    }

    QTemporaryDir folder;
    SettingsController settings;
    FakeCommands commands;
    std::vector<MonitorInfo> monitors = {{0, "DP-1", 0, 0, 1920, 1080, true},
                                         {1, "HDMI-1", 1920, 0, 2560, 1440, false}};
    std::vector<std::pair<QString, QString>> information;
    std::vector<std::pair<QString, QString>> restartQuestions;
    bool restartNow = true;
};

TEST_F(SettingsDialogTest, LoadsStoredValuesAndFallsBackForUnknownOnes) {
    EXPECT_EQ(SettingsDialog::monitorEntry(0, monitors[0]), "Monitor 1: DP-1 (1920x1080, Primary)");
    EXPECT_EQ(SettingsDialog::monitorEntry(1, monitors[1]), "Monitor 2: HDMI-1 (2560x1440)");

    settings.setLanguage("xx");
    settings.setDisplayMode(7);
    settings.setMonitorIndex(5);
    settings.setAutoReconnect(false);
    auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), "Settings");
    EXPECT_EQ(dialog->languageBox()->count(), 13);
    EXPECT_EQ(dialog->languageBox()->currentText(), "System default");
    EXPECT_EQ(dialog->languageBox()->itemText(1), "Čeština");
    EXPECT_EQ(dialog->languageBox()->itemData(12).toString(), "sv");
    EXPECT_EQ(dialog->displayModeBox()->currentText(), "Optimize Speed");
    EXPECT_EQ(dialog->monitorBox()->count(), 2);
    EXPECT_EQ(dialog->monitorBox()->currentIndex(), 0);
    EXPECT_FALSE(dialog->attemptsBox()->isEnabled());
    dialog->autoReconnectBox()->setChecked(true);
    EXPECT_TRUE(dialog->attemptsBox()->isEnabled());
    EXPECT_EQ(dialog->attemptsBox()->maximum(), 30);
    EXPECT_EQ(dialog->startAtLoginBox()->text(), "Start when I log in");
    EXPECT_EQ(dialog->serviceBox()->text(), "Run as system service (unattended)");
    EXPECT_FALSE(dialog->serviceBox()->isChecked());
    ASSERT_FALSE(commands.ran.empty());
    EXPECT_EQ(commands.ran[0],
              (QStringList{"systemctl", "is-enabled", "--quiet", "nimbral.service"}));

    settings.setLanguage("de");
    settings.setDisplayMode(0);
    settings.setMonitorIndex(1);
    commands.serviceQuery = 0;
    auto again = open();
    EXPECT_EQ(again->languageBox()->currentText(), "Deutsch");
    EXPECT_EQ(again->displayModeBox()->currentText(), "Optimize Quality");
    EXPECT_EQ(again->monitorBox()->currentIndex(), 1);
    EXPECT_TRUE(again->serviceBox()->isChecked());
}

TEST_F(SettingsDialogTest, ApplyStoresAndChangesTheSystemOnlyWhenAsked) {
    auto dialog = open();
    QSignalSpy changed(dialog.get(), &SettingsDialog::settingsChanged);
    QSignalSpy quit(dialog.get(), &SettingsDialog::quitRequested);
    QSignalSpy restart(dialog.get(), &SettingsDialog::restartRequested);
    // The languages under their own names, in the order of those names.
    QStringList names;
    for (int i = 1; i < dialog->languageBox()->count(); ++i) {
        names << dialog->languageBox()->itemText(i);
    }
    QStringList sorted = names;
    QCollator collator{QLocale(QLocale::English)};
    std::sort(sorted.begin(), sorted.end(), collator);
    EXPECT_EQ(names, sorted);
    EXPECT_EQ(names.size(), 12);
    dialog->languageBox()->setCurrentIndex(dialog->languageBox()->findData("fr"));
    dialog->displayModeBox()->setCurrentIndex(0);
    dialog->clipboardBox()->setChecked(false);
    EXPECT_FALSE(dialog->onlyVerifiedBox()->isChecked()) << "off by default for the client";
    dialog->onlyVerifiedBox()->setChecked(true);
    dialog->trayBox()->setChecked(true);
    dialog->startAtLoginBox()->setChecked(true);
    commands.ran.clear();
    dialog->applySettings();
    EXPECT_EQ(settings.language(), "fr");
    ASSERT_EQ(restartQuestions.size(), 1u);
    EXPECT_EQ(restartQuestions[0].first, "Language Changed");
    EXPECT_EQ(restart.count(), 1) << "the user chose Restart now";
    EXPECT_EQ(settings.displayMode(), 0);
    EXPECT_FALSE(settings.clipboardSharing());
    EXPECT_TRUE(settings.acceptOnlyVerifiedSessions(false));
    EXPECT_TRUE(settings.minimizeToTray());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(commands.ran.empty()) << "the service was not touched: no elevation prompt";
    EXPECT_TRUE(QFile::exists(folder.filePath("config/autostart/NimbralClient.desktop")));

    dialog->applySettings();
    EXPECT_EQ(restartQuestions.size(), 1u) << "the language did not change again";

    // Declined elevation: the box goes back and the rest is still stored.
    commands.elevation = 126;
    dialog->serviceBox()->setChecked(true);
    dialog->trayBox()->setChecked(false);
    dialog->applySettings();
    ASSERT_EQ(commands.ran.size(), 1u);
    EXPECT_EQ(commands.ran[0], (QStringList{"pkexec", "/opt/nimbral/NimbralService", "--install"}));
    EXPECT_FALSE(dialog->serviceBox()->isChecked());
    EXPECT_FALSE(settings.minimizeToTray());
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(quit.count(), 0);

    // Granted: the service takes over and the client is asked to quit, storing nothing more.
    commands.elevation = 0;
    dialog->serviceBox()->setChecked(true);
    dialog->trayBox()->setChecked(true);
    dialog->startAtLoginBox()->setChecked(false);
    dialog->applySettings();
    EXPECT_EQ(commands.ran.back(),
              (QStringList{"pkexec", "/opt/nimbral/NimbralService", "--install"}));
    EXPECT_EQ(quit.count(), 1);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_FALSE(settings.minimizeToTray());
    EXPECT_FALSE(QFile::exists(folder.filePath("config/autostart/NimbralClient.desktop")));

    // Unchecking removes it again.
    dialog->serviceBox()->setChecked(false);
    dialog->applySettings();
    EXPECT_EQ(commands.ran.back(),
              (QStringList{"pkexec", "/opt/nimbral/NimbralService", "--uninstall"}));
    EXPECT_EQ(changed.count(), 4);

    // "Later" for another language: stored, no restart.
    restartNow = false;
    dialog->languageBox()->setCurrentIndex(dialog->languageBox()->findData("nb"));
    dialog->applySettings();
    EXPECT_EQ(settings.language(), "nb");
    EXPECT_EQ(restartQuestions.size(), 2u);
    EXPECT_EQ(restart.count(), 1);
}

// ------------------------------------------------------------------ Wake-on-LAN

TEST(WakeOnLan, AcceptsTheUsualSpellingsAndBuildsTheMagicPacket) {
    const auto colons = wakeOnLanPacket("00:1A:2b:3C:4d:5E");
    ASSERT_TRUE(colons.has_value());
    EXPECT_EQ(colons->size(), 102);
    EXPECT_EQ(colons->left(6), QByteArray(6, char(0xFF)));
    for (int copy = 0; copy < 16; ++copy) {
        EXPECT_EQ(colons->mid(6 + copy * 6, 6), QByteArray::fromHex("001a2b3c4d5e"));
    }
    EXPECT_EQ(wakeOnLanPacket("00-1A-2B-3C-4D-5E"), colons);
    EXPECT_EQ(wakeOnLanPacket("001A 2B3C 4D5E"), colons);
    EXPECT_FALSE(wakeOnLanPacket("00:1A:2B:3C:4D:5").has_value()) << "11 digits";
    EXPECT_FALSE(wakeOnLanPacket("00:1A:2B:3C:4D:5G").has_value()) << "not hex";
    EXPECT_FALSE(wakeOnLanPacket("").has_value());
}

} // namespace
} // namespace nimbral
