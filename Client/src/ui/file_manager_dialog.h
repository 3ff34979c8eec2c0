#pragma once

#include <functional>

#include <QDialog>
#include <QList>
#include <QPair>

#include "session/file_transfer_service.h"

class QFileSystemModel;
class QLabel;
class QLayout;
class QProgressBar;
class QPushButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace nimbral {

// The Master's two panes: the Target's folders (through the file transfer service) and the
// local disk, with queued downloads and uploads one file at a time. Borrows the service, which
// must outlive the dialog. Main thread only.
class FileManagerDialog : public QDialog {
    Q_OBJECT

public:
    // Asks a yes/no question; replaced by tests.
    using Question = std::function<bool(const QString& title, const QString& text)>;

    explicit FileManagerDialog(FileTransferService& service, QWidget* parent = nullptr);

    void setQuestion(Question question) { m_question = std::move(question); }

    // Size column text, as Qt's file views write it: "0 bytes", "1.50 KiB", "2.00 MiB".
    static QString fileSizeText(qint64 bytes);
    // Type column text, the same on both sides: "Folder" or "File".
    static QString typeText(bool folder);
    // A remote child path: the name alone at the root, no separator added after "/" or "\".
    static QString joinRemotePath(const QString& folder, const QString& name);

    QString currentRemotePath() const { return m_currentRemotePath; }
    QString statusText() const;
    QTreeWidget* remoteList() const { return m_remoteList; }
    QTreeView* localTree() const { return m_localTree; }
    QFileSystemModel* localModel() const { return m_localModel; }
    QProgressBar* progressBar() const { return m_progress; }
    QProgressBar* overallBar() const { return m_overall; }
    QLabel* rateLabel() const { return m_rate; }
    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* pathLabel() const { return m_pathLabel; }

    // "1.5 MB/s, 0:42 left"; the time as m:ss, or h:mm:ss from an hour on.
    static QString rateText(qint64 bytesPerSecond, int secondsLeft);

signals:
    // Every text the status line shows, in order (some last only until the next file starts).
    void statusChanged(const QString& text);

public slots:
    void onRemoteDirectoryListed(const QString& path, const QList<nimbral::FileEntry>& entries);
    void onRemoteItemDoubleClicked(QTreeWidgetItem* item, int column);
    void onRemoteBackClicked();
    void onDownloadClicked();
    void onUploadClicked();
    void onTransferError(const QString& error);
    void onDownloadComplete(const QString& localPath);
    void onUploadComplete();
    // A folder chosen for download has been listed: its files join the queue.
    void onFolderTreeListed(const QString& folder, const QList<nimbral::FileEntry>& entries);
    // Stops the running file and drops the queued ones; a streamed file's part stays, so
    // asking for it again resumes it.
    void onCancelClicked();

private:
    QWidget* buildRemotePane(QWidget* parent);
    QWidget* buildTransferButtons(QWidget* parent);
    QWidget* buildLocalPane(QWidget* parent);
    QLayout* buildProgressRow();
    // The local pane shows this folder's entries.
    void showLocalFolder(const QString& path);
    void connectToService();
    void browseRemote(const QString& path);
    void startNextDownload();
    void continueDownloads();
    void listNextFolder();
    // Queues a local folder's entries below the current remote folder; false when too many.
    bool queueFolderUpload(const QString& localFolder);
    void startNextUpload();
    void setStatus(const QString& text);
    void showTransferring(bool running);
    void updateOverall();
    QString localTargetFolder() const;

    FileTransferService& m_service;
    Question m_question;
    QString m_currentRemotePath;
    // One upload: a file to a remote path, or an entry (file or folder) named relative to the
    // remote folder it goes into.
    struct Upload {
        QString local;
        QString remote;
        QString folder;
        QString relative;
        bool isFolder = false;
    };
    QList<QPair<QString, QString>> m_downloads;       // (remote, local)
    QList<QPair<QString, QString>> m_folderDownloads; // (remote folder, local folder it goes into)
    QList<Upload> m_uploads;
    int m_downloadBatch = 0;
    int m_uploadBatch = 0;
    bool m_downloadRunning = false;
    bool m_uploadRunning = false;

    QTreeWidget* m_remoteList = nullptr;
    QLabel* m_pathLabel = nullptr;
    QTreeView* m_localTree = nullptr;
    QLabel* m_localPathLabel = nullptr;
    QFileSystemModel* m_localModel = nullptr;
    QProgressBar* m_progress = nullptr;
    QProgressBar* m_overall = nullptr;
    QLabel* m_rate = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace nimbral
