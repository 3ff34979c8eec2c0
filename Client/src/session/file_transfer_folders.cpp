// Folders: the tree of a folder, the entries of an upload, and the checks that keep every
// name below the folder the user chose.

#include "session/file_transfer_service.h"

#include <algorithm>

#include <QFileInfo>

#include <spdlog/spdlog.h>

#include "session/file_transfer_internal.h"

namespace nimbral {

using namespace file_transfer;

bool FileTransferService::isSafeRelativePath(const QString& relativePath) {
    if (relativePath.isEmpty() || relativePath.size() > 4096 ||
        relativePath.startsWith(QLatin1Char('/'))) {
        return false;
    }
    for (const QChar c : relativePath) {
        if (c == QLatin1Char('\\') || c.unicode() == 0) {
            return false;
        }
#ifdef Q_OS_WIN
        // A drive ("C:x") or an alternate data stream ("a:b").
        if (c == QLatin1Char(':')) {
            return false;
        }
#endif
    }
    const QStringList parts = relativePath.split(QLatin1Char('/'));
    return std::none_of(parts.begin(), parts.end(), [](const QString& part) {
        return part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..");
    });
}

bool FileTransferService::isSafeFileName(const QString& name) {
    return isSafeRelativePath(name) && !name.contains(QLatin1Char('/'));
}

QString FileTransferService::resolveInside(const QString& folder, const QString& relativePath) {
    return resolveInside(*localFileOperations(), folder, relativePath);
}

QString FileTransferService::resolveInside(FileOperations& files, const QString& folder,
                                           const QString& relativePath) {
    if (!isSafeRelativePath(relativePath) || !files.stat(folder).isDir) {
        return {};
    }
    QString path = files.canonicalPath(folder);
    for (const QString& part : relativePath.split(QLatin1Char('/'))) {
        path += QLatin1Char('/') + part;
        if (files.stat(path).isLink) {
            return {};
        }
    }
    return path;
}

void FileTransferService::requestFolderTree(const QString& remoteFolder) {
    m_treeRequestId = ++m_nextStreamId;
    m_treeFolder = remoteFolder;
    QByteArray message = messageOf(kTreeRequest);
    appendU32(message, m_treeRequestId);
    appendString(message, remoteFolder);
    spdlog::info("FileTransfer: requested the tree of '{}'", remoteFolder.toStdString());
    send(message);
}

void FileTransferService::serveTree(Reader& body) {
    quint32 id = 0;
    if (!body.u32(id)) {
        return;
    }
    const QString folder = body.string();
    emit partnerUsesFiles(FileUse::Takes, folder);
    if (folder.isEmpty() || !m_files->stat(folder).isDir) {
        sendStreamFailure(id, QStringLiteral("Directory does not exist: ") + folder);
        return;
    }
    const std::optional<QList<FileEntry>> tree = folderTree(*m_files, folder);
    QByteArray answer = messageOf(kTreeAnswer);
    appendU32(answer, id);
    appendU32(answer, tree ? static_cast<quint32>(tree->size()) : 0);
    for (const FileEntry& entry : tree.value_or(QList<FileEntry>())) {
        answer.append(char(entry.isDir ? 1 : 0));
        appendU64(answer, static_cast<quint64>(entry.size));
        appendString(answer, entry.name);
    }
    if (!tree || answer.size() > kMaxTreeBytes) {
        spdlog::warn("FileTransfer: the tree of '{}' exceeds {} entries or {} bytes",
                     folder.toStdString(), kMaxTreeEntries, kMaxTreeBytes);
        sendStreamFailure(id, QStringLiteral("Folder too large: ") + folder);
        return;
    }
    spdlog::info("FileTransfer: serving the tree of '{}' ({} entries)", folder.toStdString(),
                 tree->size());
    send(answer);
}

std::optional<QList<FileEntry>> FileTransferService::folderTree(const QString& folder) {
    return folderTree(*localFileOperations(), folder);
}

std::optional<QList<FileEntry>> FileTransferService::folderTree(FileOperations& files,
                                                                const QString& folder) {
    const auto walked = files.walk(folder, kMaxTreeEntries);
    if (!walked) {
        return std::nullopt;
    }
    QList<FileEntry> entries;
    entries.reserve(static_cast<qsizetype>(walked->size()));
    for (const ListedEntry& entry : *walked) {
        entries.append({entry.name, entry.isDir, entry.size});
    }
    return entries;
}

void FileTransferService::receiveTree(Reader& body) {
    quint32 id = 0;
    quint32 count = 0;
    if (!body.u32(id) || !body.u32(count)) {
        return;
    }
    if (m_role != FileTransferRole::Requester || m_treeRequestId == 0 || id != m_treeRequestId) {
        spdlog::warn("FileTransfer: dropped a folder tree that answers no request of ours");
        return;
    }
    m_treeRequestId = 0;
    QList<FileEntry> entries;
    // Every entry takes at least 13 bytes: a count beyond what arrived is a lie.
    for (quint32 i = 0; i < count && body.remaining() > 0; ++i) {
        FileEntry entry;
        if (!body.entry(entry)) {
            break;
        }
        if (!isSafeRelativePath(entry.name)) {
            spdlog::warn("FileTransfer: the tree of '{}' names '{}', which would lead outside it",
                         m_treeFolder.toStdString(), entry.name.toStdString());
            emit fileError(tr("Refused an unsafe name in the folder: %1").arg(entry.name));
            return;
        }
        entries.append(entry);
    }
    if (entries.size() != static_cast<qsizetype>(count)) {
        emit fileError(tr("Remote file download failed"));
        return;
    }
    spdlog::info("FileTransfer: received the tree of '{}' ({} entries)", m_treeFolder.toStdString(),
                 entries.size());
    emit folderTreeListed(m_treeFolder, entries);
}

void FileTransferService::uploadIntoFolder(const QString& localPath, const QString& remoteFolder,
                                           const QString& relativePath, bool isFolder) {
    startStreamedUpload(localPath, remoteFolder + QLatin1Char('/') + relativePath, remoteFolder,
                        relativePath, isFolder);
}

void FileTransferService::servePutEntry(Reader& body) {
    quint32 id = 0;
    std::uint8_t isFolder = 0;
    quint64 size = 0;
    if (!body.u32(id) || !body.u8(isFolder) || !body.u64(size)) {
        return;
    }
    const QString folder = body.string();
    const QString relative = body.string();
    if (!m_files->stat(folder).isDir) {
        sendStreamFailure(id, QStringLiteral("Directory does not exist: ") + folder);
        return;
    }
    const QString path = resolveInside(*m_files, folder, relative);
    if (path.isEmpty()) {
        spdlog::warn("FileTransfer: refusing '{}' below '{}': the name leads outside the folder",
                     relative.toStdString(), folder.toStdString());
        sendStreamFailure(id, QStringLiteral("Unsafe name refused: ") + relative);
        return;
    }
    // The folders on the way are created only now the whole name is known to stay inside.
    const QString parent = isFolder != 0 ? path : QFileInfo(path).path();
    if (!m_files->makePath(parent)) {
        sendStreamFailure(id, QStringLiteral("Cannot create folder: ") + parent);
        return;
    }
    if (isFolder == 0) {
        acceptStreamPut(id, size, path);
        return;
    }
    spdlog::info("FileTransfer: created folder '{}'", path.toStdString());
    QByteArray reply = messageOf(kStreamPutDone);
    appendU32(reply, id);
    send(reply);
}

} // namespace nimbral
