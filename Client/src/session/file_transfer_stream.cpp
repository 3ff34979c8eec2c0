// Streamed transfers: a file of any size sent in chunks the link and the receiver's
// acknowledgements pace, checked against its checksum, resumable from a partial file.

#include "session/file_transfer_service.h"

#include <algorithm>

#include <QFileInfo>

#include <spdlog/spdlog.h>

#include "session/file_transfer_internal.h"

namespace nimbral {

using namespace file_transfer;

// Receiver side: opens the partial file and takes what it already holds up to offset as
// arrived (its checksum included); offset 0 starts afresh.
bool FileTransferService::openIncoming(Stream& stream, qint64 offset) {
    stream.file.reset();
    stream.filePath = partialPathOf(stream.finalPath);
    stream.file = m_files->open(stream.filePath, FileOperations::Mode::ReadWrite);
    if (!stream.file) {
        return false;
    }
    stream.hash.reset();
    if (offset > 0 && !hashPrefix(*stream.file, offset, stream.hash)) {
        stream.hash.reset();
        offset = 0;
    }
    if (!stream.file->resize(offset) || !stream.file->seek(offset)) {
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
    const PathInfo part = m_files->stat(partialPathOf(localPath));
    if (part.isFile && part.size > 0 && !openIncoming(*stream, part.size)) {
        stream->file.reset();
        stream->next = 0;
    }
    const qint64 offset = stream->file ? stream->next : 0;
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
    const PathInfo info = m_files->stat(path);
    if (info.exists && !info.isFile) {
        sendStreamFailure(id, QStringLiteral("Not a regular file: ") + path);
        return;
    }
    auto stream = std::make_unique<Stream>();
    stream->id = id;
    stream->displayPath = path;
    stream->filePath = path;
    stream->file = m_files->open(path, FileOperations::Mode::Read);
    if (!stream->file) {
        sendStreamFailure(id, QStringLiteral("Cannot open file: ") + path);
        return;
    }
    stream->size = stream->file->size();
    qint64 start = static_cast<qint64>(std::min<quint64>(offset, stream->size));
    if (start > 0) {
        if (!hashPrefix(*stream->file, start, stream->hash) ||
            digestOf(stream->hash) != prefixDigest) {
            // Not the file the part came from: all of it again.
            start = 0;
            stream->hash.reset();
        }
    }
    stream->file->seek(start);
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
    const bool ready = stream.file && stream.next == static_cast<qint64>(start);
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
        stream->filePath = localPath;
        if (m_files->stat(localPath).isFile) {
            stream->file = m_files->open(localPath, FileOperations::Mode::Read);
        }
        if (!stream->file) {
            emit fileError(tr("Cannot open local file: %1").arg(localPath));
            return;
        }
        stream->size = stream->file->size();
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
    const PathInfo target = m_files->stat(path);
    const PathInfo part = m_files->stat(partialPathOf(path));
    if (path.isEmpty() || size > static_cast<quint64>(INT64_MAX) ||
        (target.exists && !target.isFile) || (part.exists && !part.isFile) ||
        !m_files->stat(QFileInfo(path).absolutePath()).isDir) {
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
    const qint64 held = part.isFile ? std::min(part.size, stream->size) : 0;
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
    if (offset > 0 && (!stream.file || !hashPrefix(*stream.file, offset, stream.hash) ||
                       digestOf(stream.hash) != theirs)) {
        offset = 0; // the Target's part is of another file: data from byte 0 restarts it
        stream.hash.reset();
    }
    if (stream.file) {
        stream.file->seek(offset);
    }
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
        // A folder entry has no file: nothing to send, whatever the peer answered.
        const QByteArray chunk = stream.file ? stream.file->read(kStreamChunkBytes) : QByteArray();
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
        stream.file->resize(0);
        stream.file->seek(0);
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
    if (stream.file->write(bytes, length) != length) {
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
        stream.file.reset();
        m_files->remove(stream.filePath);
        failIncoming(tr("Transfer corrupted, checksum mismatch: %1").arg(stream.displayPath),
                     QStringLiteral("Checksum mismatch: ") + stream.displayPath);
        return;
    }
    stream.file.reset();
    // The verified file takes its real name, replacing an older one.
    if (!m_files->rename(stream.filePath, stream.finalPath)) {
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
        (!m_outgoing->folder && (m_outgoing->awaiting || !m_outgoing->file->atEnd()))) {
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

} // namespace nimbral
