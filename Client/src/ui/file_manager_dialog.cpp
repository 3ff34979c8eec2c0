#include "ui/file_manager_dialog.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/display_text.h"
#include "ui/icons.h"

namespace nimbral {

namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;

QString namesPerLine(const QStringList& names) {
    return names.join(QLatin1Char('\n'));
}

} // namespace

QString FileManagerDialog::fileSizeText(qint64 bytes) {
    return sizeText(bytes); // an empty file says so ("0 bytes"); folders leave the cell empty
}

QString FileManagerDialog::joinRemotePath(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ||
        folder.endsWith(QLatin1Char('\\'))) {
        return folder + name;
    }
    return folder + QLatin1Char('/') + name;
}

FileManagerDialog::FileManagerDialog(FileTransferService& service, QWidget* parent)
    : QDialog(parent)
    , m_service(service) {
    m_question = [this](const QString& title, const QString& text) {
        return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    setWindowTitle(tr("File Manager"));
    resize(1000, 600);
    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(buildRemotePane(splitter));
    splitter->addWidget(buildTransferButtons(splitter));
    splitter->addWidget(buildLocalPane(splitter));
    layout->addWidget(splitter, 1);
    layout->addLayout(buildProgressRow());
    showTransferring(false);
    m_status = new QLabel(this);
    m_status->setStyleSheet(QStringLiteral("color: #9aa5c4; font-size: 11px;"));
    layout->addWidget(m_status);
    connectToService();
    browseRemote(QString());
}

void FileManagerDialog::connectToService() {
    connect(&m_service, &FileTransferService::directoryListed, this,
            &FileManagerDialog::onRemoteDirectoryListed);
    connect(&m_service, &FileTransferService::fileError, this, &FileManagerDialog::onTransferError);
    connect(&m_service, &FileTransferService::fileDownloadComplete, this,
            &FileManagerDialog::onDownloadComplete);
    connect(&m_service, &FileTransferService::fileUploadComplete, this,
            &FileManagerDialog::onUploadComplete);
    connect(&m_service, &FileTransferService::folderTreeListed, this,
            &FileManagerDialog::onFolderTreeListed);
    connect(&m_service, &FileTransferService::fileDownloadProgress, m_progress,
            [this](const QString&, int percent) { m_progress->setValue(percent); });
    connect(&m_service, &FileTransferService::fileUploadProgress, m_progress,
            [this](const QString&, int percent) { m_progress->setValue(percent); });
    connect(&m_service, &FileTransferService::transferStats, m_rate,
            [this](qint64 bytesPerSecond, int secondsLeft, int) {
                m_rate->setText(rateText(bytesPerSecond, secondsLeft));
            });
}

QString FileManagerDialog::rateText(qint64 bytesPerSecond, int secondsLeft) {
    const int seconds = std::max(0, secondsLeft);
    const QString left =
        seconds >= 3600
            ? QStringLiteral("%1:%2:%3")
                  .arg(seconds / 3600)
                  .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                  .arg(seconds % 60, 2, 10, QLatin1Char('0'))
            : QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return tr("%1/s, %2 left").arg(sizeText(std::max<qint64>(0, bytesPerSecond)), left);
}

void FileManagerDialog::showTransferring(bool running) {
    m_progress->setVisible(running);
    m_overall->setVisible(running);
    m_rate->setVisible(running);
    m_cancel->setVisible(running);
    if (!running) {
        m_rate->clear();
    }
}

void FileManagerDialog::updateOverall() {
    const int batch = m_downloadRunning ? m_downloadBatch : m_uploadBatch;
    const int left = int(m_downloadRunning ? m_downloads.size() : m_uploads.size());
    m_overall->setRange(0, std::max(1, batch));
    m_overall->setValue(std::clamp(batch - left, 0, batch));
}

void FileManagerDialog::onCancelClicked() {
    m_downloads.clear();
    m_folderDownloads.clear();
    m_uploads.clear();
    m_downloadRunning = false;
    m_uploadRunning = false;
    showTransferring(false);
    // The service says "Transfer cancelled" through its error signal.
    if (m_service.isStreaming()) {
        m_service.cancelTransfer();
    } else {
        setStatus(tr("Transfer cancelled"));
    }
}

QString FileManagerDialog::statusText() const {
    return m_status->text();
}

void FileManagerDialog::setStatus(const QString& text) {
    m_status->setText(text);
    emit statusChanged(text);
}

void FileManagerDialog::browseRemote(const QString& path) {
    m_currentRemotePath = path;
    // The top level lists the partner's drives and home, not a folder called "/".
    m_pathLabel->setText(
        tr("<b>Remote: </b>%1").arg(path.isEmpty() ? tr("Drives") : path.toHtmlEscaped()));
    m_remoteList->clear();
    setStatus(tr("Loading remote directory..."));
    m_service.requestListing(path);
}

void FileManagerDialog::onRemoteDirectoryListed(const QString& path,
                                                const QList<FileEntry>& entries) {
    // A late answer for a folder the user has already left.
    if (path != m_currentRemotePath) {
        return;
    }
    m_remoteList->clear();
    m_remoteList->setSortingEnabled(false);
    for (const FileEntry& entry : entries) {
        auto* item = new QTreeWidgetItem(m_remoteList);
        // Among the drives, a Unix root is named for what it is rather than shown as "/".
        const bool unixRoot = path.isEmpty() && entry.name == QLatin1String("/");
        item->setText(0, unixRoot ? tr("File system (/)") : entry.name);
        item->setIcon(0,
                      nimbralIcon(entry.isDir ? QStringLiteral("folder") : QStringLiteral("file")));
        item->setText(1, entry.isDir ? QString() : fileSizeText(entry.size));
        item->setText(2, typeText(entry.isDir));
        item->setData(0, kNameRole, entry.name);
        item->setData(0, kFolderRole, entry.isDir);
    }
    m_remoteList->setSortingEnabled(true);
    setStatus(tr("%1 items").arg(entries.size()));
}

void FileManagerDialog::onRemoteItemDoubleClicked(QTreeWidgetItem* item, int /*column*/) {
    if (item == nullptr || !item->data(0, kFolderRole).toBool()) {
        return;
    }
    browseRemote(joinRemotePath(m_currentRemotePath, item->data(0, kNameRole).toString()));
}

void FileManagerDialog::onRemoteBackClicked() {
    const QString current = m_currentRemotePath;
    if (current.isEmpty()) {
        return;
    }
    if (current.size() < 4 && current.contains(QLatin1Char(':'))) {
        browseRemote(QString());
        return;
    }
    static const QRegularExpression separator(QStringLiteral("[/\\\\]"));
    const qsizetype last = current.lastIndexOf(separator);
    browseRemote(last > 0 ? current.left(last) : QString());
}

QString FileManagerDialog::localTargetFolder() const {
    const QModelIndex current = m_localTree->currentIndex();
    if (!current.isValid()) {
        return m_localModel->filePath(m_localTree->rootIndex()); // the folder shown
    }
    const QFileInfo info = m_localModel->fileInfo(current);
    return info.isDir() ? info.absoluteFilePath() : info.absolutePath();
}

void FileManagerDialog::onDownloadClicked() {
    // In the order the list shows them, not the order they were clicked.
    QList<QTreeWidgetItem*> selected;
    for (int i = 0; i < m_remoteList->topLevelItemCount(); ++i) {
        if (m_remoteList->topLevelItem(i)->isSelected()) {
            selected.append(m_remoteList->topLevelItem(i));
        }
    }
    if (selected.isEmpty()) {
        setStatus(tr("Select one or more remote files to download."));
        return;
    }
    const QString folder = localTargetFolder();
    QList<QPair<QString, QString>> pairs;
    QList<QPair<QString, QString>> folders;
    QStringList existing;
    bool refused = false;
    for (const QTreeWidgetItem* item : selected) {
        const QString name = item->data(0, kNameRole).toString();
        const bool isFolder = item->data(0, kFolderRole).toBool();
        // A peer that only knows single files gets none of a folder; the top level's entries
        // are volumes, not folders to copy.
        if (isFolder && (!m_service.peerTransfersFolders() || m_currentRemotePath.isEmpty())) {
            continue;
        }
        // The name comes from the partner: it lands in the chosen folder or nowhere.
        const QString localPath = FileTransferService::isSafeFileName(name)
                                      ? FileTransferService::resolveInside(folder, name)
                                      : QString();
        if (localPath.isEmpty()) {
            setStatus(
                tr("Error: %1").arg(tr("Refused an unsafe name in the listing: %1").arg(name)));
            refused = true;
            continue;
        }
        if (isFolder) {
            folders.append({joinRemotePath(m_currentRemotePath, name), folder});
        } else {
            pairs.append({joinRemotePath(m_currentRemotePath, name), localPath});
        }
        if (QFileInfo::exists(localPath)) {
            existing.append(name);
        }
    }
    if (pairs.isEmpty() && folders.isEmpty()) {
        if (!refused) {
            setStatus(tr("No files selected (folders are skipped)."));
        }
        return;
    }
    if (!existing.isEmpty() &&
        !m_question(tr("Overwrite?"), tr("These files already exist locally and will be "
                                         "overwritten:\n%1\n\nContinue?")
                                          .arg(namesPerLine(existing)))) {
        return;
    }
    // A batch added while another runs joins its queue; asking for the running head again
    // would fetch it twice and complete the queue out of step. After an error the failed head
    // is still queued and is tried again first.
    m_downloads.append(pairs);
    m_folderDownloads.append(folders);
    if (m_downloadRunning) {
        m_downloadBatch += int(pairs.size());
        return;
    }
    m_downloadBatch = int(m_downloads.size());
    continueDownloads();
}

void FileManagerDialog::continueDownloads() {
    if (!m_downloads.isEmpty()) {
        startNextDownload();
    } else if (!m_folderDownloads.isEmpty()) {
        listNextFolder();
    } else {
        m_downloadRunning = false;
        showTransferring(false);
        setStatus(tr("All downloads complete."));
    }
}

void FileManagerDialog::listNextFolder() {
    const QString remote = m_folderDownloads.first().first;
    m_downloadRunning = true;
    showTransferring(true);
    updateOverall();
    setStatus(tr("Listing folder %1...").arg(remote));
    m_service.requestFolderTree(remote);
}

void FileManagerDialog::onFolderTreeListed(const QString& folder, const QList<FileEntry>& entries) {
    if (m_folderDownloads.isEmpty() || m_folderDownloads.first().first != folder) {
        return;
    }
    const auto [remote, localParent] = m_folderDownloads.takeFirst();
    static const QRegularExpression separator(QStringLiteral("[/\\\\]"));
    const QStringList parts = remote.split(separator, Qt::SkipEmptyParts);
    const QString name = parts.isEmpty() ? QString() : parts.last();
    // The Target's names are checked again here, where they are written: each must lead below
    // the folder the user chose.
    const QString localRoot = FileTransferService::resolveInside(localParent, name);
    if (localRoot.isEmpty() || !QDir().mkpath(localRoot)) {
        onTransferError(tr("Cannot write to local file: %1").arg(localParent + "/" + name));
        return;
    }
    QList<QPair<QString, QString>> pairs;
    QStringList folders;
    for (const FileEntry& entry : entries) {
        const QString local = FileTransferService::resolveInside(localRoot, entry.name);
        if (local.isEmpty()) {
            onTransferError(tr("Refused an unsafe name in the folder: %1").arg(entry.name));
            return;
        }
        if (entry.isDir) {
            folders.append(local);
        } else {
            pairs.append({joinRemotePath(remote, entry.name), local});
        }
    }
    for (const QString& path : folders) {
        if (!QDir().mkpath(path)) {
            onTransferError(tr("Cannot write to local file: %1").arg(path));
            return;
        }
    }
    m_downloads.append(pairs);
    m_downloadBatch += int(pairs.size());
    continueDownloads();
}

void FileManagerDialog::startNextDownload() {
    if (m_downloads.isEmpty()) {
        return;
    }
    // Copies: the service may answer before it returns, and the answer pops the queue.
    const auto [remote, local] = m_downloads.first();
    m_downloadRunning = true;
    const int position = m_downloadBatch - int(m_downloads.size()) + 1;
    setStatus(tr("Downloading %1 of %2: %3")
                  .arg(position)
                  .arg(m_downloadBatch)
                  .arg(QFileInfo(local).fileName()));
    m_progress->setValue(0);
    showTransferring(true);
    updateOverall();
    m_service.requestDownload(remote, local);
}

void FileManagerDialog::onDownloadComplete(const QString& localPath) {
    if (!m_downloads.isEmpty()) {
        m_downloads.removeFirst();
    }
    if (!m_downloads.isEmpty()) {
        setStatus(tr("Downloaded: %1 — %2 remaining")
                      .arg(QFileInfo(localPath).fileName())
                      .arg(m_downloads.size()));
        startNextDownload();
        return;
    }
    continueDownloads();
}

void FileManagerDialog::onUploadClicked() {
    QStringList localFiles;
    QStringList localFolders;
    for (const QModelIndex& index : m_localTree->selectionModel()->selectedRows(0)) {
        const QFileInfo info = m_localModel->fileInfo(index);
        if (info.isFile()) {
            localFiles.append(info.absoluteFilePath());
        } else if (info.isDir() && !info.isSymLink() && m_service.peerTransfersFolders() &&
                   !m_currentRemotePath.isEmpty()) {
            localFolders.append(info.absoluteFilePath());
        }
    }
    if (localFiles.isEmpty() && localFolders.isEmpty()) {
        setStatus(tr("Select one or more local files to upload."));
        return;
    }
    QStringList remoteNames;
    for (int i = 0; i < m_remoteList->topLevelItemCount(); ++i) {
        remoteNames.append(m_remoteList->topLevelItem(i)->data(0, kNameRole).toString());
    }
    const qsizetype queuedBefore = m_uploads.size();
    QList<Upload> pairs;
    QStringList existing;
    for (const QString& local : localFiles) {
        const QString name = QFileInfo(local).fileName();
        pairs.append({local, joinRemotePath(m_currentRemotePath, name), {}, {}, false});
        if (remoteNames.contains(name)) {
            existing.append(name);
        }
    }
    for (const QString& local : localFolders) {
        if (remoteNames.contains(QFileInfo(local).fileName())) {
            existing.append(QFileInfo(local).fileName());
        }
    }
    if (!existing.isEmpty() &&
        !m_question(tr("Overwrite?"), tr("These files already exist on the remote and will be "
                                         "overwritten:\n%1\n\nContinue?")
                                          .arg(namesPerLine(existing)))) {
        return;
    }
    if (!m_uploadRunning) {
        m_uploads.clear();
    }
    m_uploads.append(pairs);
    for (const QString& local : localFolders) {
        if (!queueFolderUpload(local)) {
            m_uploads.resize(m_uploadRunning ? queuedBefore : 0);
            setStatus(tr("Error: %1").arg(tr("Folder too large: %1").arg(local)));
            return;
        }
    }
    if (m_uploadRunning) {
        m_uploadBatch += int(m_uploads.size() - queuedBefore);
        return;
    }
    m_uploadBatch = int(m_uploads.size());
    startNextUpload();
}

bool FileManagerDialog::queueFolderUpload(const QString& localFolder) {
    const std::optional<QList<FileEntry>> tree = FileTransferService::folderTree(localFolder);
    if (!tree) {
        return false;
    }
    const QString name = QFileInfo(localFolder).fileName();
    QList<Upload> entries{
        {localFolder, joinRemotePath(m_currentRemotePath, name), m_currentRemotePath, name, true}};
    for (const FileEntry& entry : *tree) {
        const QString relative = name + QLatin1Char('/') + entry.name;
        entries.append({localFolder + QLatin1Char('/') + entry.name,
                        joinRemotePath(m_currentRemotePath, relative), m_currentRemotePath,
                        relative, entry.isDir});
    }
    m_uploads.append(entries);
    return true;
}

void FileManagerDialog::startNextUpload() {
    if (m_uploads.isEmpty()) {
        return;
    }
    const Upload upload = m_uploads.first();
    m_uploadRunning = true;
    const int position = m_uploadBatch - int(m_uploads.size()) + 1;
    setStatus(
        tr("Uploading %1 of %2: %3")
            .arg(position)
            .arg(m_uploadBatch)
            .arg(upload.relative.isEmpty() ? QFileInfo(upload.local).fileName() : upload.relative));
    m_progress->setValue(0);
    showTransferring(true);
    updateOverall();
    if (upload.relative.isEmpty()) {
        m_service.uploadFile(upload.local, upload.remote);
    } else {
        m_service.uploadIntoFolder(upload.local, upload.folder, upload.relative, upload.isFolder);
    }
}

void FileManagerDialog::onUploadComplete() {
    if (!m_uploads.isEmpty()) {
        m_uploads.removeFirst();
    }
    if (!m_uploads.isEmpty()) {
        startNextUpload();
        return;
    }
    m_uploadRunning = false;
    showTransferring(false);
    setStatus(tr("All uploads complete."));
    browseRemote(m_currentRemotePath);
}

void FileManagerDialog::onTransferError(const QString& error) {
    m_downloadRunning = false;
    m_uploadRunning = false;
    showTransferring(false);
    setStatus(tr("Error: %1").arg(error));
}

} // namespace nimbral
