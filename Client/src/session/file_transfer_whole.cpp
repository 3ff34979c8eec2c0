// The whole-file messages: listings, downloads and uploads in one piece, and the volume list.

#include "session/file_transfer_service.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <spdlog/spdlog.h>

#include "common/log_text.h"
#include "session/file_transfer_internal.h"

namespace nimbral {

using namespace file_transfer;

void FileTransferService::requestListing(const QString& remotePath) {
    m_pending.push_back(Pending::Listing);
    QByteArray message = messageOf(kListRequest);
    appendString(message, remotePath);
    spdlog::info("FileTransfer: requested listing for '{}'", remotePath.toStdString());
    send(message);
}

void FileTransferService::requestDownload(const QString& remotePath, const QString& localPath) {
    if (m_peerStreams) {
        startStreamedDownload(remotePath, localPath);
        return;
    }
    m_remoteDownloadPath = remotePath;
    m_localDownloadPath = localPath;
    m_pending.push_back(Pending::Download);
    QByteArray message = messageOf(kDownloadRequest);
    appendString(message, remotePath);
    spdlog::info("FileTransfer: requested download of '{}'", remotePath.toStdString());
    send(message);
}

void FileTransferService::uploadFile(const QString& localPath, const QString& remotePath) {
    if (m_peerStreams) {
        startStreamedUpload(localPath, remotePath);
        return;
    }
    const std::unique_ptr<TransferFile> file = m_files->open(localPath, FileOperations::Mode::Read);
    if (!file) {
        emit fileError(tr("Cannot open local file: %1").arg(localPath));
        return;
    }
    if (file->size() > kMaxFileBytes) {
        emit fileError(tr("File too large to transfer: %1 (%2 bytes, at most %3)")
                           .arg(localPath)
                           .arg(file->size())
                           .arg(kMaxFileBytes));
        return;
    }
    m_bytesTotal = file->size();
    m_bytesDone = 0;
    m_clock.start();
    m_pending.push_back(Pending::Upload);
    QByteArray start = messageOf(kUploadStart);
    appendString(start, remotePath);
    appendU64(start, static_cast<quint64>(m_bytesTotal));
    send(start);

    qint64 offset = 0;
    for (;;) {
        const QByteArray chunk = file->read(kChunkBytes);
        if (chunk.isEmpty()) {
            break;
        }
        QByteArray data = messageOf(kUploadData);
        appendU32(data, static_cast<quint32>(offset));
        data.append(chunk);
        send(data);
        offset += chunk.size();
        if (m_bytesTotal != 0) {
            emit fileUploadProgress(remotePath, static_cast<int>(offset * 100 / m_bytesTotal));
        }
        updateStats(chunk.size());
    }
    QByteArray end = messageOf(kUploadEnd);
    appendString(end, remotePath);
    send(end);
    spdlog::info("FileTransfer: upload complete '{}' ({} bytes)", remotePath.toStdString(), offset);
    emit fileUploadComplete();
}

namespace {

// The size of the file system holding a folder. Asked of the file system itself: the mount
// table that QStorageInfo goes by does not name the root of a chroot or a container.
qint64 capacityOf(const QString& folder) {
    std::error_code error;
    const auto space = std::filesystem::space(QFile::encodeName(folder).toStdString(), error);
    return error ? 0 : static_cast<qint64>(space.capacity);
}

} // namespace

QList<FileEntry> FileTransferService::mountedVolumes() {
    QList<FileEntry> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid()) {
            volumes.append({volume.rootPath(), true, capacityOf(volume.rootPath())});
        }
    }
    return volumes;
}

QList<FileEntry> FileTransferService::volumeList(QList<FileEntry> mounted) {
    for (const QString& folder : {QDir::rootPath(), QDir::homePath()}) {
        const bool listed = std::any_of(mounted.begin(), mounted.end(),
                                        [&](const FileEntry& v) { return v.name == folder; });
        if (!listed && QFileInfo(folder).isDir()) {
            mounted.append({folder, true, capacityOf(folder)});
        }
    }
    return mounted;
}

void FileTransferService::serveListing(Reader& body) {
    const QString path = body.string();
    spdlog::info("FileTransfer: listing directory '{}'", path.toStdString());
    emit partnerUsesFiles(FileUse::Browses, path);
    QByteArray reply = messageOf(kListReply);
    appendString(reply, path);

    // The empty path is the top level: the volumes. "/" is the root directory like any other.
    if (path.isEmpty() || path == QLatin1String("\\")) {
        const QList<FileEntry> volumes = volumeList(mountedVolumes());
        appendU32(reply, static_cast<quint32>(volumes.size()));
        for (const FileEntry& volume : volumes) {
            reply.append(char(1));
            appendU64(reply, static_cast<quint64>(std::max<qint64>(0, volume.size)));
            appendString(reply, volume.name);
        }
        send(reply);
        return;
    }
    const PathInfo directory = m_files->stat(path);
    if (!directory.isDir) {
        sendError(QStringLiteral("Directory does not exist: ") + path);
        return;
    }
    // A folder this end may not read is no empty folder.
    if (!directory.readable) {
        sendError(QStringLiteral("Cannot read directory: ") + path);
        return;
    }
    const std::vector<ListedEntry> entries = m_files->list(path);
    appendU32(reply, static_cast<quint32>(entries.size()));
    for (const ListedEntry& entry : entries) {
        reply.append(char(entry.isDir ? 1 : 0));
        appendU64(reply, static_cast<quint64>(entry.size));
        appendString(reply, entry.name);
    }
    send(reply);
}

void FileTransferService::receiveListing(Reader& body) {
    const QString path = body.string();
    quint32 count = 0;
    if (!body.u32(count)) {
        return;
    }
    QList<FileEntry> entries;
    for (quint32 i = 0; i < count && body.remaining() > 0; ++i) {
        FileEntry entry;
        if (!body.entry(entry)) {
            break;
        }
        // A name becomes a local file name when downloaded: in a folder it must be one plain
        // name, which cannot lead out of the folder it lands in. At the top level (the volumes)
        // only folders are listed.
        const bool usable = path.isEmpty() ? entry.isDir : isSafeFileName(entry.name);
        if (!usable) {
            spdlog::warn("FileTransfer: dropped an unsafe name from the listing of '{}': {}",
                         printable(path.toStdString()), printable(entry.name.toStdString()));
            continue;
        }
        entries.append(entry);
    }
    spdlog::info("FileTransfer: received listing for '{}' ({} entries)", path.toStdString(),
                 entries.size());
    emit directoryListed(path, entries);
}

void FileTransferService::serveDownload(Reader& body) {
    const QString path = body.string();
    spdlog::info("FileTransfer: serving download request for '{}'", path.toStdString());
    emit partnerUsesFiles(FileUse::Takes, path);
    // A device, a FIFO or a socket reports no size and reads without end or blocks: only
    // regular files are served (checked before opening, which alone blocks on a FIFO).
    const PathInfo info = m_files->stat(path);
    if (info.exists && !info.isFile) {
        spdlog::warn("FileTransfer: refusing download '{}': not a regular file",
                     path.toStdString());
        sendError(QStringLiteral("Not a regular file: ") + path);
        return;
    }
    const std::unique_ptr<TransferFile> file = m_files->open(path, FileOperations::Mode::Read);
    if (!file) {
        sendError(QStringLiteral("Cannot open file: ") + path);
        return;
    }
    // The whole file goes as one message: refuse what no link could carry instead of reading
    // it, and never read past the limit, whatever the size said (a file still growing).
    const QByteArray content =
        file->size() > kMaxFileBytes ? QByteArray() : file->read(kMaxFileBytes + 1);
    if (file->size() > kMaxFileBytes || content.size() > kMaxFileBytes) {
        spdlog::warn("FileTransfer: refusing download '{}' of {} bytes", path.toStdString(),
                     std::max<qint64>(file->size(), content.size()));
        sendError(QStringLiteral("File too large: ") + path);
        return;
    }
    QByteArray reply = messageOf(kDownloadReply);
    reply.append(char(0));
    appendU64(reply, static_cast<quint64>(content.size()));
    reply.append(content);
    send(reply);
}

void FileTransferService::receiveDownload(Reader& body) {
    std::uint8_t status = 0;
    if (!body.u8(status)) {
        return;
    }
    if (status != 0) {
        emit fileError(tr("Remote file download failed"));
        return;
    }
    quint64 size = 0;
    if (!body.u64(size)) {
        return;
    }
    m_bytesTotal = static_cast<qint64>(std::min<quint64>(size, INT64_MAX));
    m_bytesDone = 0;
    m_clock.start();
    const std::size_t present = body.remaining();
    if (present < size) {
        spdlog::warn("FileTransfer: download response truncated ({} < {})", present, size);
    }
    const auto count = static_cast<qint64>(std::min<quint64>(size, present));
    // A file that could not be written whole is no finished download.
    const std::unique_ptr<TransferFile> file =
        m_files->open(m_localDownloadPath, FileOperations::Mode::WriteTruncate);
    if (!file || file->write(reinterpret_cast<const char*>(body.current()), count) != count) {
        emit fileError(tr("Cannot write to local file: %1").arg(m_localDownloadPath));
        return;
    }
    updateStats(count);
    spdlog::info("FileTransfer: download complete -> '{}'", m_localDownloadPath.toStdString());
    emit fileDownloadProgress(m_remoteDownloadPath, 100);
    emit fileDownloadComplete(m_localDownloadPath);
}

void FileTransferService::receiveUploadStart(Reader& body) {
    m_uploadTargetPath = body.string();
    emit partnerUsesFiles(FileUse::Puts, m_uploadTargetPath);
    quint64 expected = 0;
    if (!body.u64(expected)) {
        return;
    }
    m_expectedUploadSize = static_cast<qint64>(std::min<quint64>(expected, INT64_MAX));
    m_uploadBuffer.clear();
    m_uploadRefused = m_expectedUploadSize > kMaxFileBytes;
    if (m_uploadRefused) {
        spdlog::warn("FileTransfer: refusing upload '{}' of {} bytes",
                     m_uploadTargetPath.toStdString(), m_expectedUploadSize);
        sendError(QStringLiteral("File too large: ") + m_uploadTargetPath);
        return;
    }
    m_uploadBuffer.reserve(std::min(m_expectedUploadSize, kUploadReserveLimit));
    spdlog::info("FileTransfer: receiving upload '{}' ({} bytes)", m_uploadTargetPath.toStdString(),
                 m_expectedUploadSize);
}

void FileTransferService::receiveUploadData(Reader& body) {
    quint32 offset = 0;
    if (m_uploadRefused || !body.u32(offset)) {
        return;
    }
    // A peer that sends more than it announced (or than any link carries) is not buffered
    // without end.
    if (m_uploadBuffer.size() + static_cast<qint64>(body.remaining()) > kMaxFileBytes) {
        spdlog::warn("FileTransfer: upload '{}' exceeds {} bytes, discarding it",
                     m_uploadTargetPath.toStdString(), kMaxFileBytes);
        m_uploadRefused = true;
        m_uploadBuffer.clear();
        sendError(QStringLiteral("File too large: ") + m_uploadTargetPath);
        return;
    }
    m_uploadBuffer.append(reinterpret_cast<const char*>(body.current()),
                          static_cast<qsizetype>(body.remaining()));
}

void FileTransferService::receiveUploadEnd(Reader& body) {
    const QString path = body.string();
    const QString target = m_uploadTargetPath.isEmpty() ? path : m_uploadTargetPath;
    const PathInfo existing = m_files->stat(target);
    if (!m_uploadRefused && existing.exists && !existing.isFile) {
        spdlog::warn("FileTransfer: refusing upload to '{}': not a regular file",
                     target.toStdString());
        sendError(QStringLiteral("Cannot write file: ") + target);
    } else if (!m_uploadRefused) {
        const std::unique_ptr<TransferFile> file =
            m_files->open(target, FileOperations::Mode::WriteTruncate);
        if (file && file->write(m_uploadBuffer.constData(), m_uploadBuffer.size()) ==
                        m_uploadBuffer.size()) {
            spdlog::info("FileTransfer: received upload -> '{}' ({} bytes)", target.toStdString(),
                         m_uploadBuffer.size());
        } else {
            sendError(QStringLiteral("Cannot write file: ") + target);
        }
    }
    m_uploadBuffer.clear();
    m_uploadTargetPath.clear();
    m_expectedUploadSize = 0;
    m_uploadRefused = false;
}

void FileTransferService::receiveError(Reader& body) {
    const QString text = body.string();
    spdlog::error("FileTransfer: remote error: {}", text.toStdString());
    emit fileError(text);
}

} // namespace nimbral
