#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

namespace nimbral {

struct FileEntry {
    QString name; // file or directory name; a volume's root path in a volume listing
    bool isDir = false;
    qint64 size = 0; // bytes; 0 for directories; capacity for a volume
    bool operator==(const FileEntry&) const = default;
};

// Which half of the service an end runs: the Master browses and asks, the Target serves its
// own files. A Target must never reach into the viewer's disks, and a Master takes answers
// only to what it asked.
enum class FileTransferRole : std::uint8_t { Requester, Server };

// Browsing, downloading and uploading files over the session's control channel. The requesting
// half (the Master's) is driven by the file manager, the serving half (the Target's) answers
// from the local file system; each drops, with a warning, what belongs to the other.
// Messages start with a sub-type byte (1 list request, 2 list reply, 3 download request,
// 4 download reply, 5 upload start, 6 upload data, 7 upload end, 8 error); integers are
// little-endian, strings UTF-8 behind a u32 byte length. Whole files travel in memory, so both
// directions are bounded (kMaxFileBytes), and only regular files are read or written.
// Main thread only.
class FileTransferService : public QObject {
    Q_OBJECT

public:
    using SendFunction = std::function<void(const std::vector<std::uint8_t>&)>;
    static constexpr qint64 kChunkBytes = 65536;
    // A download is one message and must fit the relay's 16 MiB frame with the channel's own
    // headers (sealing, tags) around it.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024 - 64 * 1024;
    static constexpr qint64 kUploadReserveLimit = 64 * 1024 * 1024;

    FileTransferService(FileTransferRole role, SendFunction send, QObject* parent = nullptr);

    FileTransferRole role() const { return m_role; }

    // The top level of the file browser: the mounted volumes, always with the root file system
    // and the user's home folder among them (containers and chroots may report no mounts, and a
    // browser that shows nothing there is useless). Capacities are those of the volumes holding
    // the added folders.
    static QList<FileEntry> volumeList(QList<FileEntry> mounted);
    static QList<FileEntry> mountedVolumes();

    void requestListing(const QString& remotePath);
    void requestDownload(const QString& remotePath, const QString& localPath);
    void uploadFile(const QString& localPath, const QString& remotePath);
    // The bytes after the control channel's file-transfer tag.
    void handleMessage(const std::vector<std::uint8_t>& message);

signals:
    void directoryListed(const QString& path, const QList<nimbral::FileEntry>& entries);
    void fileDownloadProgress(const QString& path, int percent);
    void fileDownloadComplete(const QString& localPath);
    void fileUploadProgress(const QString& path, int percent);
    void fileUploadComplete();
    void fileError(const QString& error);
    void transferStats(qint64 bytesPerSec, int etaSeconds, int percent);

private:
    class Reader;

    void send(const QByteArray& message);
    void sendError(const QString& text);
    void updateStats(qint64 bytes);

    void serveListing(Reader& body);
    void receiveListing(Reader& body);
    void serveDownload(Reader& body);
    void receiveDownload(Reader& body);
    void receiveUploadStart(Reader& body);
    void receiveUploadData(Reader& body);
    void receiveUploadEnd(Reader& body);
    void receiveError(Reader& body);

    // The Master's requests the Target has not answered yet, oldest first. An upload has an
    // answer only when it fails, so a later answer means the uploads before it went through.
    enum class Pending : std::uint8_t { Listing, Download, Upload };
    bool takePending(Pending kind);
    bool dropUnlessServer(const char* what) const;

    FileTransferRole m_role;
    std::deque<Pending> m_pending;
    SendFunction m_send;
    QString m_localDownloadPath;
    QString m_remoteDownloadPath;
    QString m_uploadTargetPath;
    qint64 m_expectedUploadSize = 0;
    QByteArray m_uploadBuffer;
    bool m_uploadRefused = false;
    QElapsedTimer m_clock;
    qint64 m_bytesDone = 0;
    qint64 m_bytesTotal = 0;
};

} // namespace nimbral

Q_DECLARE_METATYPE(nimbral::FileEntry)
