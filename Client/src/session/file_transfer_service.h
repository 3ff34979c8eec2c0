#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>

#include "platform/file_access.h"
#include "session/file_operations.h"
#include "session/file_stream.h"

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

// What the partner does with this side's files.
enum class FileUse : std::uint8_t { Browses, Takes, Puts };

// Browsing, downloading and uploading files over the session's control channel. The requesting
// half (the Master's) is driven by the file manager, the serving half (the Target's) answers
// from the local file system; each drops, with a warning, what belongs to the other.
// Messages start with a sub-type byte (1 list request, 2 list reply, 3 download request,
// 4 download reply, 5 upload start, 6 upload data, 7 upload end, 8 error); integers are
// little-endian, strings UTF-8 behind a u32 byte length. These whole-file messages travel in
// memory, so both directions are bounded (kMaxFileBytes), and only regular files are read or
// written.
//
// Peers that both announce it (9 hello) stream instead, files of any size: 10 get, 11 get
// answer, 15 put, 16 put answer, 12 data, 13 end (SHA-256 of the whole file), 14 failure or
// cancel, 17 put done. The file is read and written in chunks as the link drains, lands under
// a temporary name (kPartialSuffix) and gets its real name only once its checksum matched; a
// later request for the same file resumes from the verified part. Folders (announced too):
// 18 tree request, 19 tree answer (every entry below a folder, by relative path), 20 put entry
// (a file or folder named relative to a folder); a relative name leads only below its folder,
// which the receiving end checks. And 21 ack: how far the receiver has written. Main thread
// only.
class FileTransferService : public QObject {
    Q_OBJECT

public:
    using SendFunction = std::function<void(const std::vector<std::uint8_t>&)>;
    static constexpr qint64 kChunkBytes = 65536;
    // A download is one message and must fit the relay's 16 MiB frame with the channel's own
    // headers (sealing, tags) around it.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024 - 64 * 1024;
    static constexpr qint64 kUploadReserveLimit = 64 * 1024 * 1024;

    static constexpr quint32 kCapabilityStreams = 1;
    static constexpr quint32 kCapabilityFolders = 2;
    // The receiver says how far it has written (21 ack); the sender keeps at most a window
    // beyond that in flight, so a receiver slower than the link (a slow disk, a busy main
    // thread) never piles the file up in memory.
    static constexpr quint32 kCapabilityAcks = 4;
    static constexpr qint64 kStreamWindowBytes = 8 * 1024 * 1024;
    static constexpr qint64 kStreamAckEveryBytes = 1024 * 1024;
    // A folder's tree travels as one message: bounded in entries and in bytes.
    static constexpr int kMaxTreeEntries = 100000;
    static constexpr qint64 kMaxTreeBytes = 8 * 1024 * 1024;
    static constexpr qint64 kStreamChunkBytes = 64 * 1024;
    // What may wait in the link's control queue before the sender pauses: about this long of
    // what the link has been draining, so the session's other messages (and video frames, which
    // share the relay's one connection and the data channel's association) wait no longer
    // behind a file, whether the link carries a megabyte a second or a gigabyte.
    static constexpr qint64 kStreamBacklogMs = 15;
    static constexpr qint64 kStreamBacklogMinBytes = 128 * 1024;
    static constexpr qint64 kStreamBacklogMaxBytes = 8 * 1024 * 1024;
    // The budget for a link that drained `bytesPerSecond` lately.
    static qint64 backlogBudget(qint64 bytesPerSecond);
    static constexpr int kStreamChunksPerTurn = 16;
    static constexpr const char* kPartialSuffix = ".nimbral-part";

    FileTransferService(FileTransferRole role, SendFunction send, QObject* parent = nullptr);
    ~FileTransferService() override;

    // Tells the peer what this end understands; answered by a peer that understands it. Said
    // again a few times until the peer's own hello arrives: the two services start at about
    // the same moment, and a hello that reaches the peer before its service exists is lost.
    static constexpr int kHelloRetryMs = 200;
    static constexpr int kHelloAttempts = 5;
    void announceCapabilities();
    bool peerStreams() const { return m_peerStreams; }
    bool peerTransfersFolders() const { return m_peerFolders; }
    // Bytes still waiting in the link; a streaming sender pauses above backlogBudget().
    void setBacklogProbe(std::function<qint64()> probe) { m_backlog = std::move(probe); }
    bool isStreaming() const {
        return m_outgoing != nullptr || m_incoming != nullptr || m_treeRequestId != 0;
    }
    // Stops the running streamed transfers; what arrived stays for a later resume.
    void cancelTransfer();

    FileTransferRole role() const { return m_role; }

    // Whose rights the serving half reaches the disk with: unset, this process's own. A service
    // that runs as root serves as the user of the desktop it shares; asked before each piece of
    // disk work, and nothing (or a switch that fails) refuses the request.
    using ServingUser = std::function<std::optional<platform::LocalUserId>()>;
    void setServingUser(ServingUser user) { m_servingUser = std::move(user); }
    // The disk files are read from and written to; the real one unless a test gives another.
    void setFileOperations(std::unique_ptr<FileOperations> files) { m_files = std::move(files); }

    // The top level of the file browser: the mounted volumes, always with the root file system
    // and the user's home folder among them (containers and chroots may report no mounts, and a
    // browser that shows nothing there is useless). Capacities are those of the volumes holding
    // the added folders.
    static QList<FileEntry> volumeList(QList<FileEntry> mounted);
    static QList<FileEntry> mountedVolumes();

    void requestListing(const QString& remotePath);
    void requestDownload(const QString& remotePath, const QString& localPath);
    void uploadFile(const QString& localPath, const QString& remotePath);

    // Asks for every entry below a remote folder; answered by folderTreeListed with the names
    // relative to it ("a/b.txt"), each checked to stay below it.
    void requestFolderTree(const QString& remoteFolder);
    // Uploads a file, or creates a folder, at `relativePath` below the remote folder; the
    // Target creates the folders on the way and refuses a name that would lead elsewhere.
    // Completes with fileUploadComplete like a file.
    void uploadIntoFolder(const QString& localPath, const QString& remoteFolder,
                          const QString& relativePath, bool isFolder);

    // Every file and folder below a local folder, named relative to it with "/" (folders before
    // what they hold); symbolic links, devices and FIFOs left out. Nothing when there are more
    // than kMaxTreeEntries.
    static std::optional<QList<FileEntry>> folderTree(const QString& folder);
    static std::optional<QList<FileEntry>> folderTree(FileOperations& files, const QString& folder);
    // A relative name that can only lead below the folder it is joined to: "/" separators, no
    // empty, "." or ".." part, no leading "/", no "\" (a separator on Windows) and nothing
    // a Windows path would read as a drive or stream.
    static bool isSafeRelativePath(const QString& relativePath);
    // One plain file or folder name: a safe relative path without a separator.
    static bool isSafeFileName(const QString& name);
    // The path of `relativePath` below `folder` (which must exist), or empty when the name is
    // unsafe or leads through a symbolic link, which could point anywhere.
    static QString resolveInside(const QString& folder, const QString& relativePath);
    static QString resolveInside(FileOperations& files, const QString& folder,
                                 const QString& relativePath);
    // The bytes after the control channel's file-transfer tag.
    void handleMessage(const std::vector<std::uint8_t>& message);

signals:
    void directoryListed(const QString& path, const QList<nimbral::FileEntry>& entries);
    // Entry names are relative paths below `folder`; folders come before what they hold.
    void folderTreeListed(const QString& folder, const QList<nimbral::FileEntry>& entries);
    void fileDownloadProgress(const QString& path, int percent);
    void fileDownloadComplete(const QString& localPath);
    void fileUploadProgress(const QString& path, int percent);
    void fileUploadComplete();
    void fileError(const QString& error);
    void transferStats(qint64 bytesPerSec, int etaSeconds, int percent);
    // As the serving side: the partner looks into a folder, takes a file or folder from here,
    // or puts one here (whether or not the request is then granted). For the person at this
    // screen, who should know.
    void partnerUsesFiles(nimbral::FileUse use, const QString& path);

private:
    class Reader;

    void startStreamedDownload(const QString& remotePath, const QString& localPath);
    // A plain put when relativePath is empty, else an entry below remoteFolder.
    void startStreamedUpload(const QString& localPath, const QString& remotePath,
                             const QString& remoteFolder = {}, const QString& relativePath = {},
                             bool isFolder = false);
    void acceptStreamPut(quint32 id, quint64 size, const QString& path);
    void serveTree(Reader& body);
    void receiveTree(Reader& body);
    void servePutEntry(Reader& body);
    void receiveHello(Reader& body);
    void serveStreamGet(Reader& body);
    void receiveStreamGetAnswer(Reader& body);
    void serveStreamPut(Reader& body);
    void receiveStreamPutAnswer(Reader& body);
    void receiveStreamData(Reader& body);
    void receiveStreamEnd(Reader& body);
    void receiveStreamFailure(Reader& body);
    void receiveStreamPutDone(Reader& body);
    void receiveStreamAck(Reader& body);
    void pumpOutgoing();
    // False when the link's backlog holds the sender back for a moment.
    bool linkHasRoom();
    void sendStreamFailure(quint32 id, const QString& text);
    void failIncoming(const QString& localText, const QString& peerText);
    void finishOutgoing();

    void dispatch(const std::vector<std::uint8_t>& message);
    // The answers to a request still open (listing, whole file, error); false for the rest.
    bool dispatchAnswer(std::uint8_t type, Reader& body);
    void refuseWithoutUser(const std::vector<std::uint8_t>& message);
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
    ServingUser m_servingUser;
    std::unique_ptr<FileOperations> m_files = localFileOperations();
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

    bool m_peerStreams = false;
    bool m_peerFolders = false;
    bool m_peerAcks = false;
    quint32 m_treeRequestId = 0; // the folder tree asked for and not answered yet
    QString m_treeFolder;
    bool m_heardHello = false;
    int m_helloAttempts = 0;
    QTimer m_helloRetry;
    std::function<qint64()> m_backlog;
    quint32 m_nextStreamId = 0;
    // What this end sends (a served download or an upload) and what it receives.
    std::unique_ptr<FileStreamSender> m_outgoing;
    std::unique_ptr<FileStreamReceiver> m_incoming;
    QTimer m_pump;
    LinkDrainMeter m_drain;
};

} // namespace nimbral

Q_DECLARE_METATYPE(nimbral::FileEntry)
Q_DECLARE_METATYPE(nimbral::FileUse)
