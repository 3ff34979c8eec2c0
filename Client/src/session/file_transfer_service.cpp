#include "session/file_transfer_service.h"

#include <algorithm>

#include <QFile>

#include <spdlog/spdlog.h>

#include "session/file_transfer_internal.h"

namespace nimbral {

using namespace file_transfer;

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

bool FileTransferService::dispatchAnswer(std::uint8_t type, Reader& body) {
    const auto unasked = [](const char* what) {
        spdlog::warn("FileTransfer: dropped a {} that answers no request of ours", what);
    };
    switch (type) {
    case kListReply:
        if (takePending(Pending::Listing)) {
            receiveListing(body);
        } else {
            unasked("listing");
        }
        return true;
    case kDownloadReply:
        if (takePending(Pending::Download)) {
            receiveDownload(body);
        } else {
            unasked("download");
        }
        return true;
    case kError:
        // An error answers the oldest request still open.
        if (m_role == FileTransferRole::Requester && !m_pending.empty()) {
            m_pending.pop_front();
            receiveError(body);
        } else {
            unasked("error");
        }
        return true;
    default:
        return false;
    }
}

void FileTransferService::dispatch(const std::vector<std::uint8_t>& message) {
    // Who handles each sub-type; a request only the Target serves names itself for the log
    // line that drops it anywhere else.
    struct Handler {
        SubType type;
        const char* serverOnly;
        void (FileTransferService::*handle)(Reader&);
    };
    static constexpr Handler kHandlers[] = {
        {kListRequest, "list request", &FileTransferService::serveListing},
        {kDownloadRequest, "download request", &FileTransferService::serveDownload},
        {kUploadStart, "upload", &FileTransferService::receiveUploadStart},
        {kUploadData, "upload", &FileTransferService::receiveUploadData},
        {kUploadEnd, "upload", &FileTransferService::receiveUploadEnd},
        {kHello, nullptr, &FileTransferService::receiveHello},
        {kStreamGet, "download request", &FileTransferService::serveStreamGet},
        {kStreamGetAnswer, nullptr, &FileTransferService::receiveStreamGetAnswer},
        {kStreamPut, "upload", &FileTransferService::serveStreamPut},
        {kStreamPutAnswer, nullptr, &FileTransferService::receiveStreamPutAnswer},
        {kStreamData, nullptr, &FileTransferService::receiveStreamData},
        {kStreamEnd, nullptr, &FileTransferService::receiveStreamEnd},
        {kStreamFailure, nullptr, &FileTransferService::receiveStreamFailure},
        {kStreamPutDone, nullptr, &FileTransferService::receiveStreamPutDone},
        {kTreeRequest, "folder request", &FileTransferService::serveTree},
        {kTreeAnswer, nullptr, &FileTransferService::receiveTree},
        {kPutEntry, "upload", &FileTransferService::servePutEntry},
        {kStreamAck, nullptr, &FileTransferService::receiveStreamAck},
    };
    Reader body(message.data() + 1, message.size() - 1);
    if (dispatchAnswer(message[0], body)) {
        return;
    }
    const auto handler =
        std::find_if(std::begin(kHandlers), std::end(kHandlers),
                     [type = message[0]](const Handler& h) { return h.type == type; });
    if (handler == std::end(kHandlers)) {
        spdlog::warn("FileTransfer: unknown sub-type 0x{:02x}", message[0]);
        return;
    }
    if (handler->serverOnly != nullptr && dropUnlessServer(handler->serverOnly)) {
        return;
    }
    (this->*handler->handle)(body);
}

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
        sendStreamFailure(m_outgoing->id(), QStringLiteral("Transfer cancelled"));
        m_outgoing.reset();
        m_pump.stop();
    }
    if (m_incoming) {
        sendStreamFailure(m_incoming->id(), QStringLiteral("Transfer cancelled"));
        m_incoming.reset(); // the partial file stays for a resume
    }
    m_treeRequestId = 0; // a late tree is dropped
    emit fileError(tr("Transfer cancelled"));
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
