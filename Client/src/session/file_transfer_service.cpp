#include "session/file_transfer_service.h"

#include <algorithm>
#include <filesystem>
#include <span>
#include <system_error>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <spdlog/spdlog.h>

#include "common/log_text.h"
#include "common/wire.h"
#include "crypto/sha256.h"

namespace nimbral {

namespace {

enum SubType : std::uint8_t {
    kListRequest = 1,
    kListReply = 2,
    kDownloadRequest = 3,
    kDownloadReply = 4,
    kUploadStart = 5,
    kUploadData = 6,
    kUploadEnd = 7,
    kError = 8,
    kHello = 9,
    kStreamGet = 10,
    kStreamGetAnswer = 11,
    kStreamData = 12,
    kStreamEnd = 13,
    kStreamFailure = 14,
    kStreamPut = 15,
    kStreamPutAnswer = 16,
    kStreamPutDone = 17,
    kTreeRequest = 18,
    kTreeAnswer = 19,
    kPutEntry = 20,
    kStreamAck = 21,
};

constexpr quint32 kOwnCapabilities = FileTransferService::kCapabilityStreams |
                                     FileTransferService::kCapabilityFolders |
                                     FileTransferService::kCapabilityAcks;

constexpr int kDigestBytes = 32;
// Between two turns of the sender when the link is full.
constexpr int kBacklogWaitMs = 2;

void appendU32(QByteArray& out, quint32 value) {
    wire::put(out, value);
}

void appendU64(QByteArray& out, quint64 value) {
    wire::put(out, value);
}

void appendString(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    appendU32(out, static_cast<quint32>(utf8.size()));
    out.append(utf8);
}

QByteArray messageOf(SubType type) {
    return QByteArray(1, static_cast<char>(type));
}

} // namespace

// Reads a message body without ever going past its end.
class FileTransferService::Reader : public wire::Reader {
public:
    using wire::Reader::Reader;

    // Empty when the length field or the text is cut short; in the latter case the position
    // stays behind the length field.
    QString string() {
        quint32 length = 0;
        std::span<const std::uint8_t> utf8;
        if (!u32(length) || !bytes(length, utf8)) {
            return {};
        }
        return QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()),
                                 static_cast<qsizetype>(utf8.size()));
    }
};

// One streamed file on either end: the file (the source, or the partial file being written),
// where it stands and the running checksum of everything before that.
struct FileTransferService::Stream {
    quint32 id = 0;
    bool upload = false; // the Master's file going to the Target
    bool folder = false; // an upload that creates a folder: no data, done when the Target says
    // Sender: the receiver has not said where to start yet. Receiver of a download: the Target
    // has not answered the request yet.
    bool awaiting = false;
    QString displayPath; // the remote path, as the progress signals name it
    QString finalPath;   // receiver: the name the file gets once verified
    QFile file;
    qint64 size = 0;
    qint64 next = 0;
    qint64 started = 0;
    qint64 acked = 0; // sender: what the receiver has written; receiver: what it said so
    Sha256 hash;
};

namespace {

QByteArray digestOf(const Sha256& hash) {
    const Sha256::Digest digest = hash.result();
    return QByteArray(reinterpret_cast<const char*>(digest.data()), int(digest.size()));
}

QString partialPathOf(const QString& path) {
    return path + QLatin1String(FileTransferService::kPartialSuffix);
}

// Feeds the first `length` bytes of an open file to the checksum; false when the file is
// shorter.
bool hashPrefix(QFile& file, qint64 length, Sha256& hash) {
    if (!file.seek(0)) {
        return false;
    }
    QByteArray buffer;
    qint64 left = length;
    while (left > 0) {
        buffer = file.read(std::min<qint64>(left, 1024 * 1024));
        if (buffer.isEmpty()) {
            return false;
        }
        hash.add(buffer.constData(), std::size_t(buffer.size()));
        left -= buffer.size();
    }
    return true;
}

} // namespace

FileTransferService::FileTransferService(FileTransferRole role, SendFunction send, QObject* parent)
    : QObject(parent)
    , m_role(role)
    , m_send(std::move(send)) {
    qRegisterMetaType<QList<nimbral::FileEntry>>("QList<FileEntry>");
    m_pump.setSingleShot(true);
    connect(&m_pump, &QTimer::timeout, this, &FileTransferService::pumpOutgoing);
    m_helloRetry.setSingleShot(true);
    connect(&m_helloRetry, &QTimer::timeout, this, &FileTransferService::announceCapabilities);
}

FileTransferService::~FileTransferService() = default;

bool FileTransferService::takePending(Pending kind) {
    if (m_role != FileTransferRole::Requester) {
        return false;
    }
    while (kind != Pending::Upload && !m_pending.empty() && m_pending.front() == Pending::Upload) {
        m_pending.pop_front();
    }
    if (m_pending.empty() || m_pending.front() != kind) {
        return false;
    }
    m_pending.pop_front();
    return true;
}

bool FileTransferService::dropUnlessServer(const char* what) const {
    if (m_role == FileTransferRole::Server) {
        return false;
    }
    spdlog::warn("FileTransfer: dropped a {} from the peer: only the Target serves files", what);
    return true;
}

void FileTransferService::send(const QByteArray& message) {
    if (m_send) {
        m_send(std::vector<std::uint8_t>(message.begin(), message.end()));
    }
}

void FileTransferService::sendError(const QString& text) {
    QByteArray message = messageOf(kError);
    appendString(message, text);
    send(message);
}

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
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly)) {
        emit fileError(tr("Cannot open local file: %1").arg(localPath));
        return;
    }
    if (file.size() > kMaxFileBytes) {
        emit fileError(tr("File too large to transfer: %1 (%2 bytes, at most %3)")
                           .arg(localPath)
                           .arg(file.size())
                           .arg(kMaxFileBytes));
        return;
    }
    m_bytesTotal = file.size();
    m_bytesDone = 0;
    m_clock.start();
    m_pending.push_back(Pending::Upload);
    QByteArray start = messageOf(kUploadStart);
    appendString(start, remotePath);
    appendU64(start, static_cast<quint64>(m_bytesTotal));
    send(start);

    qint64 offset = 0;
    for (;;) {
        const QByteArray chunk = file.read(kChunkBytes);
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
    file.close();
    QByteArray end = messageOf(kUploadEnd);
    appendString(end, remotePath);
    send(end);
    spdlog::info("FileTransfer: upload complete '{}' ({} bytes)", remotePath.toStdString(), offset);
    emit fileUploadComplete();
}

namespace {

// What the serving half does on disk for the Master: read, list, write, create, rename.
bool touchesDisk(std::uint8_t type) {
    switch (type) {
    case kListRequest:
    case kDownloadRequest:
    case kUploadStart:
    case kUploadData:
    case kUploadEnd:
    case kStreamGet:
    case kStreamPut:
    case kStreamData:
    case kStreamEnd:
    case kTreeRequest:
    case kPutEntry:
        return true;
    default:
        return false;
    }
}

} // namespace

void FileTransferService::handleMessage(const std::vector<std::uint8_t>& message) {
    if (message.empty()) {
        return;
    }
    if (m_role != FileTransferRole::Server || !m_servingUser || !touchesDisk(message[0])) {
        dispatch(message);
        return;
    }
    // Everything the Master asks of this disk is done with the serving user's rights, and
    // nothing at all when there is no such user.
    std::optional<platform::FileAccessAs> access;
    if (const std::optional<platform::LocalUserId> user = m_servingUser()) {
        access.emplace(*user);
    }
    if (!access || !access->active()) {
        refuseWithoutUser(message);
        return;
    }
    dispatch(message);
}

void FileTransferService::refuseWithoutUser(const std::vector<std::uint8_t>& message) {
    const QString text = QStringLiteral(
        "File transfer is not available: nobody is logged in to this device's desktop");
    spdlog::warn("FileTransfer: refused a request (sub-type {}): no user to serve files as",
                 message[0]);
    Reader body(message.data() + 1, message.size() - 1);
    quint32 id = 0;
    switch (message[0]) {
    case kListRequest:
    case kDownloadRequest:
        sendError(text);
        break;
    case kUploadStart:
        m_uploadRefused = true;
        m_uploadBuffer.clear();
        sendError(text);
        break;
    case kStreamGet:
    case kStreamPut:
    case kTreeRequest:
    case kPutEntry:
        if (body.u32(id)) {
            sendStreamFailure(id, text);
        }
        break;
    case kStreamData:
    case kStreamEnd:
        failIncoming(text, text);
        break;
    default:
        break; // the rest of an upload whose start was refused
    }
}

void FileTransferService::dispatch(const std::vector<std::uint8_t>& message) {
    Reader body(message.data() + 1, message.size() - 1);
    const auto unasked = [](const char* what) {
        spdlog::warn("FileTransfer: dropped a {} that answers no request of ours", what);
    };
    switch (message[0]) {
    case kListRequest:
        if (!dropUnlessServer("list request")) {
            serveListing(body);
        }
        break;
    case kListReply:
        if (takePending(Pending::Listing)) {
            receiveListing(body);
        } else {
            unasked("listing");
        }
        break;
    case kDownloadRequest:
        if (!dropUnlessServer("download request")) {
            serveDownload(body);
        }
        break;
    case kDownloadReply:
        if (takePending(Pending::Download)) {
            receiveDownload(body);
        } else {
            unasked("download");
        }
        break;
    case kUploadStart:
        if (!dropUnlessServer("upload")) {
            receiveUploadStart(body);
        }
        break;
    case kUploadData:
        if (!dropUnlessServer("upload")) {
            receiveUploadData(body);
        }
        break;
    case kUploadEnd:
        if (!dropUnlessServer("upload")) {
            receiveUploadEnd(body);
        }
        break;
    case kError:
        // An error answers the oldest request still open.
        if (m_role == FileTransferRole::Requester && !m_pending.empty()) {
            m_pending.pop_front();
            receiveError(body);
        } else {
            unasked("error");
        }
        break;
    case kHello:
        receiveHello(body);
        break;
    case kStreamGet:
        if (!dropUnlessServer("download request")) {
            serveStreamGet(body);
        }
        break;
    case kStreamGetAnswer:
        receiveStreamGetAnswer(body);
        break;
    case kStreamPut:
        if (!dropUnlessServer("upload")) {
            serveStreamPut(body);
        }
        break;
    case kStreamPutAnswer:
        receiveStreamPutAnswer(body);
        break;
    case kStreamData:
        receiveStreamData(body);
        break;
    case kStreamEnd:
        receiveStreamEnd(body);
        break;
    case kStreamFailure:
        receiveStreamFailure(body);
        break;
    case kStreamPutDone:
        receiveStreamPutDone(body);
        break;
    case kTreeRequest:
        if (!dropUnlessServer("folder request")) {
            serveTree(body);
        }
        break;
    case kTreeAnswer:
        receiveTree(body);
        break;
    case kPutEntry:
        if (!dropUnlessServer("upload")) {
            servePutEntry(body);
        }
        break;
    case kStreamAck:
        receiveStreamAck(body);
        break;
    default:
        spdlog::warn("FileTransfer: unknown sub-type 0x{:02x}", message[0]);
        break;
    }
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
    const QDir directory(path);
    if (!directory.exists()) {
        sendError(QStringLiteral("Directory does not exist: ") + path);
        return;
    }
    // A folder this end may not read is no empty folder.
    if (!QFileInfo(path).isReadable()) {
        sendError(QStringLiteral("Cannot read directory: ") + path);
        return;
    }
    const QFileInfoList entries = directory.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
        QDir::Name | QDir::DirsFirst | QDir::IgnoreCase);
    appendU32(reply, static_cast<quint32>(entries.size()));
    for (const QFileInfo& entry : entries) {
        reply.append(char(entry.isDir() ? 1 : 0));
        appendU64(reply, static_cast<quint64>(entry.isDir() ? 0 : entry.size()));
        appendString(reply, entry.fileName());
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
        std::uint8_t isDir = 0;
        quint64 size = 0;
        if (!body.u8(isDir) || !body.u64(size)) {
            break;
        }
        FileEntry entry;
        entry.isDir = isDir != 0;
        entry.size = static_cast<qint64>(size);
        entry.name = body.string();
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
    // A device, a FIFO or a socket reports no size and reads without end or blocks: only
    // regular files are served (checked before opening, which alone blocks on a FIFO).
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        spdlog::warn("FileTransfer: refusing download '{}': not a regular file",
                     path.toStdString());
        sendError(QStringLiteral("Not a regular file: ") + path);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        sendError(QStringLiteral("Cannot open file: ") + path);
        return;
    }
    // The whole file goes as one message: refuse what no link could carry instead of reading
    // it, and never read past the limit, whatever the size said (a file still growing).
    const QByteArray content =
        file.size() > kMaxFileBytes ? QByteArray() : file.read(kMaxFileBytes + 1);
    if (file.size() > kMaxFileBytes || content.size() > kMaxFileBytes) {
        spdlog::warn("FileTransfer: refusing download '{}' of {} bytes", path.toStdString(),
                     std::max<qint64>(file.size(), content.size()));
        sendError(QStringLiteral("File too large: ") + path);
        return;
    }
    file.close();
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
    QFile file(m_localDownloadPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        emit fileError(tr("Cannot write to local file: %1").arg(m_localDownloadPath));
        return;
    }
    const auto count = static_cast<qint64>(std::min<quint64>(size, present));
    file.write(reinterpret_cast<const char*>(body.current()), count);
    file.close();
    updateStats(count);
    spdlog::info("FileTransfer: download complete -> '{}'", m_localDownloadPath.toStdString());
    emit fileDownloadProgress(m_remoteDownloadPath, 100);
    emit fileDownloadComplete(m_localDownloadPath);
}

void FileTransferService::receiveUploadStart(Reader& body) {
    m_uploadTargetPath = body.string();
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
    const QFileInfo existing(target);
    if (!m_uploadRefused && existing.exists() && !existing.isFile()) {
        spdlog::warn("FileTransfer: refusing upload to '{}': not a regular file",
                     target.toStdString());
        sendError(QStringLiteral("Cannot write file: ") + target);
    } else if (!m_uploadRefused) {
        QFile file(target);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(m_uploadBuffer);
            file.close();
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

// ------------------------------------------------------------------ streamed transfers

void FileTransferService::announceCapabilities() {
    QByteArray hello = messageOf(kHello);
    appendU32(hello, kOwnCapabilities);
    hello.append(char(0)); // not an answer
    send(hello);
    if (!m_heardHello && ++m_helloAttempts < kHelloAttempts) {
        m_helloRetry.start(kHelloRetryMs << (m_helloAttempts - 1));
    }
}

void FileTransferService::receiveHello(Reader& body) {
    quint32 capabilities = 0;
    std::uint8_t answer = 1;
    if (!body.u32(capabilities)) {
        return;
    }
    body.u8(answer);
    m_heardHello = true;
    m_helloRetry.stop();
    const bool streams = (capabilities & kCapabilityStreams) != 0;
    if (streams != m_peerStreams) {
        spdlog::info("FileTransfer: the peer {} streamed transfers",
                     streams ? "understands" : "does not understand");
    }
    m_peerStreams = streams;
    // Folders travel as streamed files: one without the other is not used.
    m_peerFolders = streams && (capabilities & kCapabilityFolders) != 0;
    m_peerAcks = streams && (capabilities & kCapabilityAcks) != 0;
    // Whichever end started its service first missed the other's hello: answering it once
    // tells that end too.
    if (answer == 0) {
        QByteArray reply = messageOf(kHello);
        appendU32(reply, kOwnCapabilities);
        reply.append(char(1));
        send(reply);
    }
}

void FileTransferService::sendStreamFailure(quint32 id, const QString& text) {
    QByteArray message = messageOf(kStreamFailure);
    appendU32(message, id);
    appendString(message, text);
    send(message);
}

void FileTransferService::cancelTransfer() {
    if (m_outgoing) {
        sendStreamFailure(m_outgoing->id, QStringLiteral("Transfer cancelled"));
        m_outgoing.reset();
        m_pump.stop();
    }
    if (m_incoming) {
        sendStreamFailure(m_incoming->id, QStringLiteral("Transfer cancelled"));
        m_incoming.reset(); // the partial file stays for a resume
    }
    m_treeRequestId = 0; // a late tree is dropped
    emit fileError(tr("Transfer cancelled"));
}

// Receiver side: opens the partial file and takes what it already holds up to offset as
// arrived (its checksum included); offset 0 starts afresh.
bool FileTransferService::openIncoming(Stream& stream, qint64 offset) {
    stream.file.close();
    stream.file.setFileName(partialPathOf(stream.finalPath));
    if (!stream.file.open(QIODevice::ReadWrite)) {
        return false;
    }
    stream.hash.reset();
    if (offset > 0 && !hashPrefix(stream.file, offset, stream.hash)) {
        stream.hash.reset();
        offset = 0;
    }
    if (!stream.file.resize(offset) || !stream.file.seek(offset)) {
        return false;
    }
    stream.next = offset;
    stream.started = offset;
    stream.acked = offset;
    return true;
}

void FileTransferService::startStreamedDownload(const QString& remotePath,
                                                const QString& localPath) {
    if (m_incoming) {
        emit fileError(tr("Remote file download failed"));
        return;
    }
    auto stream = std::make_unique<Stream>();
    stream->id = ++m_nextStreamId;
    stream->displayPath = remotePath;
    stream->finalPath = localPath;
    stream->awaiting = true;
    // Resume from a part left by an earlier attempt; its checksum goes along, so the Target
    // resumes only when its file starts with exactly those bytes. The part is read once: the
    // checksum so far goes on with the data that follows.
    const QFileInfo part(partialPathOf(localPath));
    if (part.isFile() && part.size() > 0 && !openIncoming(*stream, part.size())) {
        stream->file.close();
        stream->next = 0;
    }
    const qint64 offset = stream->file.isOpen() ? stream->next : 0;
    QByteArray message = messageOf(kStreamGet);
    appendU32(message, stream->id);
    appendU64(message, static_cast<quint64>(offset));
    message.append(offset > 0 ? digestOf(stream->hash) : QByteArray(kDigestBytes, '\0'));
    appendString(message, remotePath);
    m_incoming = std::move(stream);
    spdlog::info("FileTransfer: requested streamed download of '{}' from byte {}",
                 remotePath.toStdString(), offset);
    send(message);
}

void FileTransferService::serveStreamGet(Reader& body) {
    quint32 id = 0;
    quint64 offset = 0;
    if (!body.u32(id) || !body.u64(offset) || body.remaining() < kDigestBytes) {
        return;
    }
    const QByteArray prefixDigest(reinterpret_cast<const char*>(body.current()), kDigestBytes);
    Reader rest(body.current() + kDigestBytes, body.remaining() - kDigestBytes);
    const QString path = rest.string();
    spdlog::info("FileTransfer: serving streamed download of '{}' from byte {}", path.toStdString(),
                 offset);
    if (m_outgoing) {
        sendStreamFailure(id, QStringLiteral("Busy with another transfer: ") + path);
        return;
    }
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        sendStreamFailure(id, QStringLiteral("Not a regular file: ") + path);
        return;
    }
    auto stream = std::make_unique<Stream>();
    stream->id = id;
    stream->displayPath = path;
    stream->file.setFileName(path);
    if (!stream->file.open(QIODevice::ReadOnly)) {
        sendStreamFailure(id, QStringLiteral("Cannot open file: ") + path);
        return;
    }
    stream->size = stream->file.size();
    qint64 start = static_cast<qint64>(std::min<quint64>(offset, stream->size));
    if (start > 0) {
        if (!hashPrefix(stream->file, start, stream->hash) ||
            digestOf(stream->hash) != prefixDigest) {
            // Not the file the part came from: all of it again.
            start = 0;
            stream->hash.reset();
        }
    }
    stream->file.seek(start);
    stream->next = start;
    stream->started = start;
    stream->acked = start;
    QByteArray answer = messageOf(kStreamGetAnswer);
    appendU32(answer, id);
    appendU64(answer, static_cast<quint64>(stream->size));
    appendU64(answer, static_cast<quint64>(start));
    send(answer);
    m_outgoing = std::move(stream);
    m_bytesTotal = m_outgoing->size - start;
    m_bytesDone = 0;
    m_clock.start();
    pumpOutgoing();
}

void FileTransferService::receiveStreamGetAnswer(Reader& body) {
    quint32 id = 0;
    quint64 size = 0;
    quint64 start = 0;
    if (!body.u32(id) || !body.u64(size) || !body.u64(start)) {
        return;
    }
    if (m_role != FileTransferRole::Requester || !m_incoming || m_incoming->upload ||
        m_incoming->id != id || !m_incoming->awaiting || start > size ||
        size > static_cast<quint64>(INT64_MAX)) {
        spdlog::warn("FileTransfer: dropped a download answer that answers no request of ours");
        return;
    }
    Stream& stream = *m_incoming;
    stream.awaiting = false;
    stream.size = static_cast<qint64>(size);
    // Where the Target starts is where the part ends, unless the Target's file is another one
    // (from 0) or shorter now; only then is the part read again.
    const bool ready = stream.file.isOpen() && stream.next == static_cast<qint64>(start);
    if ((!ready && !openIncoming(stream, static_cast<qint64>(start))) ||
        stream.next != static_cast<qint64>(start)) {
        failIncoming(tr("Cannot write to local file: %1").arg(stream.finalPath),
                     QStringLiteral("Download stopped by the receiver"));
        return;
    }
    m_bytesTotal = stream.size - stream.next;
    m_bytesDone = 0;
    m_clock.start();
    spdlog::info("FileTransfer: receiving '{}' ({} bytes, from byte {})",
                 stream.displayPath.toStdString(), stream.size, stream.next);
}

void FileTransferService::startStreamedUpload(const QString& localPath, const QString& remotePath,
                                              const QString& remoteFolder,
                                              const QString& relativePath, bool isFolder) {
    if (m_outgoing) {
        emit fileError(tr("Cannot open local file: %1").arg(localPath));
        return;
    }
    auto stream = std::make_unique<Stream>();
    stream->id = ++m_nextStreamId;
    stream->upload = true;
    stream->folder = isFolder;
    stream->awaiting = true;
    stream->displayPath = remotePath;
    if (!isFolder) {
        stream->file.setFileName(localPath);
        if (!QFileInfo(localPath).isFile() || !stream->file.open(QIODevice::ReadOnly)) {
            emit fileError(tr("Cannot open local file: %1").arg(localPath));
            return;
        }
        stream->size = stream->file.size();
    }
    QByteArray message;
    if (relativePath.isEmpty()) {
        message = messageOf(kStreamPut);
        appendU32(message, stream->id);
        appendU64(message, static_cast<quint64>(stream->size));
        appendString(message, remotePath);
    } else {
        message = messageOf(kPutEntry);
        appendU32(message, stream->id);
        message.append(char(isFolder ? 1 : 0));
        appendU64(message, static_cast<quint64>(stream->size));
        appendString(message, remoteFolder);
        appendString(message, relativePath);
    }
    m_outgoing = std::move(stream);
    spdlog::info("FileTransfer: offering streamed upload '{}' ({} bytes)", remotePath.toStdString(),
                 m_outgoing->size);
    send(message);
}

void FileTransferService::serveStreamPut(Reader& body) {
    quint32 id = 0;
    quint64 size = 0;
    if (!body.u32(id) || !body.u64(size)) {
        return;
    }
    acceptStreamPut(id, size, body.string());
}

void FileTransferService::acceptStreamPut(quint32 id, quint64 size, const QString& path) {
    if (m_incoming) {
        sendStreamFailure(id, QStringLiteral("Busy with another transfer: ") + path);
        return;
    }
    const QFileInfo target(path);
    const QFileInfo part(partialPathOf(path));
    if (path.isEmpty() || size > static_cast<quint64>(INT64_MAX) ||
        (target.exists() && !target.isFile()) || (part.exists() && !part.isFile()) ||
        !target.absoluteDir().exists()) {
        spdlog::warn("FileTransfer: refusing upload to '{}'", path.toStdString());
        sendStreamFailure(id, QStringLiteral("Cannot write file: ") + path);
        return;
    }
    auto stream = std::make_unique<Stream>();
    stream->id = id;
    stream->upload = true;
    stream->displayPath = path;
    stream->finalPath = path;
    stream->size = static_cast<qint64>(size);
    const qint64 held = part.isFile() ? std::min(part.size(), stream->size) : 0;
    if (!openIncoming(*stream, held)) {
        sendStreamFailure(id, QStringLiteral("Cannot write file: ") + path);
        return;
    }
    // The uploader compares this checksum with its own file's start and sends from byte 0
    // instead when they differ.
    QByteArray answer = messageOf(kStreamPutAnswer);
    appendU32(answer, id);
    appendU64(answer, static_cast<quint64>(stream->next));
    answer.append(stream->next > 0 ? digestOf(stream->hash) : QByteArray(kDigestBytes, '\0'));
    spdlog::info("FileTransfer: receiving streamed upload '{}' ({} bytes, from byte {})",
                 path.toStdString(), stream->size, stream->next);
    m_incoming = std::move(stream);
    send(answer);
}

void FileTransferService::receiveStreamPutAnswer(Reader& body) {
    quint32 id = 0;
    quint64 start = 0;
    if (!body.u32(id) || !body.u64(start) || body.remaining() < kDigestBytes) {
        return;
    }
    if (m_role != FileTransferRole::Requester || !m_outgoing || !m_outgoing->upload ||
        m_outgoing->id != id || !m_outgoing->awaiting) {
        spdlog::warn("FileTransfer: dropped an upload answer that answers no request of ours");
        return;
    }
    Stream& stream = *m_outgoing;
    const QByteArray theirs(reinterpret_cast<const char*>(body.current()), kDigestBytes);
    qint64 offset = static_cast<qint64>(std::min<quint64>(start, stream.size));
    stream.hash.reset();
    if (offset > 0 &&
        (!hashPrefix(stream.file, offset, stream.hash) || digestOf(stream.hash) != theirs)) {
        offset = 0; // the Target's part is of another file: data from byte 0 restarts it
        stream.hash.reset();
    }
    stream.file.seek(offset);
    stream.next = offset;
    stream.started = offset;
    stream.acked = offset;
    stream.awaiting = false;
    m_bytesTotal = stream.size - offset;
    m_bytesDone = 0;
    m_clock.start();
    pumpOutgoing();
}

qint64 FileTransferService::backlogBudget(qint64 bytesPerSecond) {
    return std::clamp(bytesPerSecond * kStreamBacklogMs / 1000, kStreamBacklogMinBytes,
                      kStreamBacklogMaxBytes);
}

void FileTransferService::measureDrain(qint64 pending) {
    constexpr qint64 kWindowMs = 10;
    if (!m_drainClock.isValid()) {
        m_drainClock.start();
        m_drainPending = pending;
        m_queuedSince = 0;
        return;
    }
    const qint64 elapsed = m_drainClock.elapsed();
    if (elapsed < kWindowMs) {
        return;
    }
    // Other traffic in the same queue (video on the relay) makes this an underestimate.
    const qint64 drained = std::max<qint64>(0, m_drainPending + m_queuedSince - pending);
    const qint64 sample = drained * 1000 / elapsed;
    m_drainRate = m_drainRate == 0 ? sample : (3 * m_drainRate + sample) / 4;
    m_drainClock.restart();
    m_drainPending = pending;
    m_queuedSince = 0;
}

void FileTransferService::pumpOutgoing() {
    if (!m_outgoing || m_outgoing->awaiting) {
        return;
    }
    Stream& stream = *m_outgoing;
    for (int turn = 0; turn < kStreamChunksPerTurn; ++turn) {
        if (m_peerAcks && stream.next - stream.acked >= kStreamWindowBytes) {
            return; // the receiver's next ack starts the pump again
        }
        if (m_backlog) {
            const qint64 pending = m_backlog();
            measureDrain(pending);
            if (pending > backlogBudget(m_drainRate)) {
                m_pump.start(kBacklogWaitMs);
                return;
            }
        }
        const QByteArray chunk = stream.file.read(kStreamChunkBytes);
        if (chunk.isEmpty()) {
            finishOutgoing();
            return;
        }
        stream.hash.add(chunk.constData(), std::size_t(chunk.size()));
        QByteArray data = messageOf(kStreamData);
        appendU32(data, stream.id);
        appendU64(data, static_cast<quint64>(stream.next));
        data.append(chunk);
        stream.next += chunk.size();
        m_queuedSince += data.size();
        send(data);
        if (!m_outgoing) {
            return; // the send ended the session
        }
        if (stream.upload && stream.size > 0) {
            emit fileUploadProgress(stream.displayPath,
                                    static_cast<int>(stream.next * 100 / stream.size));
        }
        updateStats(chunk.size());
    }
    // The rest at the next turn of the event loop, after whatever else is waiting there.
    m_pump.start(0);
}

void FileTransferService::finishOutgoing() {
    Stream& stream = *m_outgoing;
    const quint32 id = stream.id;
    const bool upload = stream.upload;
    spdlog::info("FileTransfer: sent '{}' ({} bytes, {} of them now)",
                 stream.displayPath.toStdString(), stream.next, stream.next - stream.started);
    QByteArray end = messageOf(kStreamEnd);
    appendU32(end, id);
    appendU64(end, static_cast<quint64>(stream.next));
    end.append(digestOf(stream.hash));
    // A served download is done once sent, and this end is free for the next request, which
    // may come before send returns; an upload is done when the Target has checked and named
    // the file (put done).
    if (!upload) {
        m_outgoing.reset();
    }
    send(end);
}

void FileTransferService::failIncoming(const QString& localText, const QString& peerText) {
    if (!m_incoming) {
        return;
    }
    sendStreamFailure(m_incoming->id, peerText);
    m_incoming.reset();
    if (m_role == FileTransferRole::Requester) {
        emit fileError(localText);
    }
}

void FileTransferService::receiveStreamData(Reader& body) {
    quint32 id = 0;
    quint64 offset = 0;
    if (!body.u32(id) || !body.u64(offset)) {
        return;
    }
    if (!m_incoming || m_incoming->id != id || m_incoming->awaiting) {
        spdlog::warn("FileTransfer: dropped data of no transfer of ours");
        return;
    }
    Stream& stream = *m_incoming;
    const auto length = static_cast<qint64>(body.remaining());
    if (offset == 0 && stream.next > 0) {
        // The sender's file does not start with our part: it starts over.
        stream.hash.reset();
        stream.file.resize(0);
        stream.file.seek(0);
        stream.next = 0;
        stream.started = 0;
        stream.acked = 0;
    }
    if (static_cast<qint64>(offset) != stream.next || length < 1 || length > kStreamChunkBytes ||
        stream.next + length > stream.size) {
        spdlog::warn("FileTransfer: '{}': data at byte {} ({} bytes) does not fit (expected byte "
                     "{} of {})",
                     stream.displayPath.toStdString(), offset, length, stream.next, stream.size);
        failIncoming(tr("Remote file download failed"),
                     QStringLiteral("Transfer out of order: ") + stream.displayPath);
        return;
    }
    const char* bytes = reinterpret_cast<const char*>(body.current());
    if (stream.file.write(bytes, length) != length) {
        failIncoming(tr("Cannot write to local file: %1").arg(stream.finalPath),
                     QStringLiteral("Cannot write file: ") + stream.displayPath);
        return;
    }
    stream.hash.add(bytes, std::size_t(length));
    stream.next += length;
    if (m_peerAcks && stream.next - stream.acked >= kStreamAckEveryBytes) {
        stream.acked = stream.next;
        QByteArray ack = messageOf(kStreamAck);
        appendU32(ack, stream.id);
        appendU64(ack, static_cast<quint64>(stream.next));
        send(ack);
        if (!m_incoming) {
            return; // the send ended the session
        }
    }
    if (!stream.upload) {
        emit fileDownloadProgress(
            stream.displayPath,
            static_cast<int>(stream.next * 100 / std::max<qint64>(1, stream.size)));
        updateStats(length);
    }
}

void FileTransferService::receiveStreamEnd(Reader& body) {
    quint32 id = 0;
    quint64 total = 0;
    if (!body.u32(id) || !body.u64(total) || body.remaining() < kDigestBytes) {
        return;
    }
    if (!m_incoming || m_incoming->id != id || m_incoming->awaiting) {
        spdlog::warn("FileTransfer: dropped the end of no transfer of ours");
        return;
    }
    Stream& stream = *m_incoming;
    const QByteArray theirs(reinterpret_cast<const char*>(body.current()), kDigestBytes);
    if (static_cast<qint64>(total) != stream.next || stream.next != stream.size ||
        digestOf(stream.hash) != theirs) {
        spdlog::warn("FileTransfer: '{}' arrived damaged ({} of {} bytes, checksum {}), discarded",
                     stream.displayPath.toStdString(), stream.next, stream.size,
                     digestOf(stream.hash) == theirs ? "matches" : "differs");
        stream.file.remove();
        failIncoming(tr("Transfer corrupted, checksum mismatch: %1").arg(stream.displayPath),
                     QStringLiteral("Checksum mismatch: ") + stream.displayPath);
        return;
    }
    stream.file.close();
    // The verified file takes its real name, replacing an older one.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(stream.file.fileName()).toStdString(),
                            QFile::encodeName(stream.finalPath).toStdString(), error);
    if (error) {
        failIncoming(tr("Cannot write to local file: %1").arg(stream.finalPath),
                     QStringLiteral("Cannot write file: ") + stream.displayPath);
        return;
    }
    const std::unique_ptr<Stream> done = std::move(m_incoming);
    spdlog::info("FileTransfer: '{}' verified and saved as '{}' ({} bytes)",
                 done->displayPath.toStdString(), done->finalPath.toStdString(), done->size);
    if (done->upload) {
        QByteArray reply = messageOf(kStreamPutDone);
        appendU32(reply, done->id);
        send(reply);
    } else {
        emit fileDownloadProgress(done->displayPath, 100);
        emit fileDownloadComplete(done->finalPath);
    }
}

void FileTransferService::receiveStreamPutDone(Reader& body) {
    quint32 id = 0;
    if (!body.u32(id)) {
        return;
    }
    if (m_role != FileTransferRole::Requester || !m_outgoing || !m_outgoing->upload ||
        m_outgoing->id != id ||
        (!m_outgoing->folder && (m_outgoing->awaiting || !m_outgoing->file.atEnd()))) {
        spdlog::warn("FileTransfer: dropped an upload confirmation of no upload of ours");
        return;
    }
    const std::unique_ptr<Stream> done = std::move(m_outgoing);
    spdlog::info("FileTransfer: upload complete '{}' ({} bytes)", done->displayPath.toStdString(),
                 done->size);
    emit fileUploadComplete();
}

void FileTransferService::receiveStreamAck(Reader& body) {
    quint32 id = 0;
    quint64 written = 0;
    if (!body.u32(id) || !body.u64(written)) {
        return;
    }
    if (!m_outgoing || m_outgoing->id != id || m_outgoing->awaiting) {
        spdlog::warn("FileTransfer: dropped an acknowledgement of no transfer of ours");
        return;
    }
    // Only forward, and never past what was sent: a lying peer gains no larger window.
    Stream& stream = *m_outgoing;
    const qint64 before = stream.acked;
    stream.acked = std::clamp(static_cast<qint64>(std::min<quint64>(written, INT64_MAX)),
                              stream.acked, stream.next);
    if (stream.acked > before && !m_pump.isActive()) {
        m_pump.start(0);
    }
}

void FileTransferService::receiveStreamFailure(Reader& body) {
    quint32 id = 0;
    if (!body.u32(id)) {
        return;
    }
    const QString text = body.string();
    bool ours = false;
    if (m_outgoing && m_outgoing->id == id) {
        m_outgoing.reset();
        m_pump.stop();
        ours = true;
    }
    if (m_incoming && m_incoming->id == id) {
        m_incoming.reset(); // the partial file stays for a resume
        ours = true;
    }
    if (m_treeRequestId != 0 && m_treeRequestId == id) {
        m_treeRequestId = 0;
        ours = true;
    }
    if (!ours) {
        spdlog::warn("FileTransfer: dropped a failure of no transfer of ours");
        return;
    }
    spdlog::error("FileTransfer: remote error: {}", text.toStdString());
    if (m_role == FileTransferRole::Requester) {
        emit fileError(text);
    }
}

void FileTransferService::updateStats(qint64 bytes) {
    m_bytesDone += bytes;
    const qint64 elapsed = std::max<qint64>(1, m_clock.isValid() ? m_clock.elapsed() : 1);
    const qint64 bytesPerSec = m_bytesDone * 1000 / elapsed;
    int percent = 0;
    int eta = 0;
    if (m_bytesTotal >= 1) {
        percent = static_cast<int>(m_bytesDone * 100 / m_bytesTotal);
        eta = bytesPerSec > 0 ? static_cast<int>((m_bytesTotal - m_bytesDone) / bytesPerSec) : 0;
    }
    emit transferStats(bytesPerSec, eta, percent);
}

} // namespace nimbral

// ------------------------------------------------------------------ folders

namespace nimbral {

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
    const QFileInfo root(folder);
    if (!isSafeRelativePath(relativePath) || !root.isDir()) {
        return {};
    }
    QString path = root.canonicalFilePath();
    for (const QString& part : relativePath.split(QLatin1Char('/'))) {
        path += QLatin1Char('/') + part;
        if (QFileInfo(path).isSymLink()) {
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
    const QFileInfo root(folder);
    if (folder.isEmpty() || !root.isDir()) {
        sendStreamFailure(id, QStringLiteral("Directory does not exist: ") + folder);
        return;
    }
    const std::optional<QList<FileEntry>> tree = folderTree(folder);
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
    // Links are left out, not followed: one could lead out of the folder or round in a loop.
    QDirIterator walk(folder,
                      QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System |
                          QDir::NoSymLinks,
                      QDirIterator::Subdirectories);
    const QDir base(folder);
    QList<FileEntry> entries;
    while (walk.hasNext()) {
        walk.next();
        const QFileInfo entry = walk.fileInfo();
        if (!entry.isDir() && !entry.isFile()) {
            continue; // devices, FIFOs and sockets are not files to copy
        }
        if (entries.size() == kMaxTreeEntries) {
            return std::nullopt;
        }
        entries.append({base.relativeFilePath(entry.filePath()), entry.isDir(),
                        entry.isDir() ? 0 : entry.size()});
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
        std::uint8_t isDir = 0;
        quint64 size = 0;
        if (!body.u8(isDir) || !body.u64(size)) {
            break;
        }
        FileEntry entry;
        entry.isDir = isDir != 0;
        entry.size = static_cast<qint64>(std::min<quint64>(size, INT64_MAX));
        entry.name = body.string();
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
    if (!QFileInfo(folder).isDir()) {
        sendStreamFailure(id, QStringLiteral("Directory does not exist: ") + folder);
        return;
    }
    const QString path = resolveInside(folder, relative);
    if (path.isEmpty()) {
        spdlog::warn("FileTransfer: refusing '{}' below '{}': the name leads outside the folder",
                     relative.toStdString(), folder.toStdString());
        sendStreamFailure(id, QStringLiteral("Unsafe name refused: ") + relative);
        return;
    }
    // The folders on the way are created only now the whole name is known to stay inside.
    const QString parent = isFolder != 0 ? path : QFileInfo(path).path();
    if (!QDir().mkpath(parent)) {
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
