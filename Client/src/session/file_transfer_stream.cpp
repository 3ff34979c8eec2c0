// Streamed transfers: a file of any size sent in chunks the link and the receiver's
// acknowledgements pace, checked against its checksum, resumable from a partial file.

#include "session/file_transfer_service.h"

#include <algorithm>

#include <QFileInfo>

#include <spdlog/spdlog.h>

#include "session/file_transfer_internal.h"

namespace nimbral {

using namespace file_transfer;

void FileTransferService::startStreamedDownload(const QString& remotePath,
                                                const QString& localPath) {
    if (m_incoming) {
        emit fileError(tr("Remote file download failed"));
        return;
    }
    auto stream = std::make_unique<FileStreamReceiver>(*m_files, ++m_nextStreamId, remotePath,
                                                       localPath, false);
    // Resume from a part left by an earlier attempt; its checksum goes along, so the Target
    // resumes only when its file starts with exactly those bytes. The part is read once: the
    // checksum so far goes on with the data that follows.
    const PathInfo part = m_files->stat(partialPathOf(localPath));
    if (part.isFile && part.size > 0 && !stream->open(part.size)) {
        stream->closeFile();
    }
    const qint64 offset = stream->hasFile() ? stream->next() : 0;
    QByteArray message = messageOf(kStreamGet);
    appendU32(message, stream->id());
    appendU64(message, static_cast<quint64>(offset));
    message.append(stream->partDigest());
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
    emit partnerUsesFiles(FileUse::Takes, path);
    if (m_outgoing) {
        sendStreamFailure(id, QStringLiteral("Busy with another transfer: ") + path);
        return;
    }
    const PathInfo info = m_files->stat(path);
    if (info.exists && !info.isFile) {
        sendStreamFailure(id, QStringLiteral("Not a regular file: ") + path);
        return;
    }
    auto stream = std::make_unique<FileStreamSender>(id, path, false, false);
    stream->setSource(m_files->open(path, FileOperations::Mode::Read));
    if (!stream->hasFile()) {
        sendStreamFailure(id, QStringLiteral("Cannot open file: ") + path);
        return;
    }
    const qint64 start =
        stream->startAt(static_cast<qint64>(std::min<quint64>(offset, INT64_MAX)), prefixDigest);
    QByteArray answer = messageOf(kStreamGetAnswer);
    appendU32(answer, id);
    appendU64(answer, static_cast<quint64>(stream->size()));
    appendU64(answer, static_cast<quint64>(start));
    send(answer);
    m_outgoing = std::move(stream);
    m_bytesTotal = m_outgoing->size() - start;
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
    if (m_role != FileTransferRole::Requester || !m_incoming || m_incoming->isUpload() ||
        m_incoming->id() != id || !m_incoming->isAwaiting() || start > size ||
        size > static_cast<quint64>(INT64_MAX)) {
        spdlog::warn("FileTransfer: dropped a download answer that answers no request of ours");
        return;
    }
    FileStreamReceiver& stream = *m_incoming;
    if (!stream.answered(static_cast<qint64>(size), static_cast<qint64>(start))) {
        failIncoming(tr("Cannot write to local file: %1").arg(stream.finalPath()),
                     QStringLiteral("Download stopped by the receiver"));
        return;
    }
    m_bytesTotal = stream.size() - stream.next();
    m_bytesDone = 0;
    m_clock.start();
    spdlog::info("FileTransfer: receiving '{}' ({} bytes, from byte {})",
                 stream.displayPath().toStdString(), stream.size(), stream.next());
}

void FileTransferService::startStreamedUpload(const QString& localPath, const QString& remotePath,
                                              const QString& remoteFolder,
                                              const QString& relativePath, bool isFolder) {
    if (m_outgoing) {
        emit fileError(tr("Cannot open local file: %1").arg(localPath));
        return;
    }
    auto stream = std::make_unique<FileStreamSender>(++m_nextStreamId, remotePath, true, isFolder);
    if (!isFolder) {
        if (m_files->stat(localPath).isFile) {
            stream->setSource(m_files->open(localPath, FileOperations::Mode::Read));
        }
        if (!stream->hasFile()) {
            emit fileError(tr("Cannot open local file: %1").arg(localPath));
            return;
        }
    }
    QByteArray message;
    if (relativePath.isEmpty()) {
        message = messageOf(kStreamPut);
        appendU32(message, stream->id());
        appendU64(message, static_cast<quint64>(stream->size()));
        appendString(message, remotePath);
    } else {
        message = messageOf(kPutEntry);
        appendU32(message, stream->id());
        message.append(char(isFolder ? 1 : 0));
        appendU64(message, static_cast<quint64>(stream->size()));
        appendString(message, remoteFolder);
        appendString(message, relativePath);
    }
    m_outgoing = std::move(stream);
    spdlog::info("FileTransfer: offering streamed upload '{}' ({} bytes)", remotePath.toStdString(),
                 m_outgoing->size());
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
    emit partnerUsesFiles(FileUse::Puts, path);
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
    auto stream = std::make_unique<FileStreamReceiver>(*m_files, id, path, path, true);
    stream->setSize(static_cast<qint64>(size));
    const qint64 held = part.isFile ? std::min(part.size, stream->size()) : 0;
    if (!stream->open(held)) {
        sendStreamFailure(id, QStringLiteral("Cannot write file: ") + path);
        return;
    }
    // The uploader compares this checksum with its own file's start and sends from byte 0
    // instead when they differ.
    QByteArray answer = messageOf(kStreamPutAnswer);
    appendU32(answer, id);
    appendU64(answer, static_cast<quint64>(stream->next()));
    answer.append(stream->partDigest());
    spdlog::info("FileTransfer: receiving streamed upload '{}' ({} bytes, from byte {})",
                 path.toStdString(), stream->size(), stream->next());
    m_incoming = std::move(stream);
    send(answer);
}

void FileTransferService::receiveStreamPutAnswer(Reader& body) {
    quint32 id = 0;
    quint64 start = 0;
    if (!body.u32(id) || !body.u64(start) || body.remaining() < kDigestBytes) {
        return;
    }
    if (m_role != FileTransferRole::Requester || !m_outgoing || !m_outgoing->isUpload() ||
        m_outgoing->id() != id || !m_outgoing->isAwaiting()) {
        spdlog::warn("FileTransfer: dropped an upload answer that answers no request of ours");
        return;
    }
    const QByteArray theirs(reinterpret_cast<const char*>(body.current()), kDigestBytes);
    // A part of another file on the Target: data from byte 0 restarts it.
    const qint64 offset =
        m_outgoing->startAt(static_cast<qint64>(std::min<quint64>(start, INT64_MAX)), theirs);
    m_bytesTotal = m_outgoing->size() - offset;
    m_bytesDone = 0;
    m_clock.start();
    pumpOutgoing();
}

qint64 FileTransferService::backlogBudget(qint64 bytesPerSecond) {
    return std::clamp(bytesPerSecond * kStreamBacklogMs / 1000, kStreamBacklogMinBytes,
                      kStreamBacklogMaxBytes);
}

bool FileTransferService::linkHasRoom() {
    if (!m_backlog) {
        return true;
    }
    const qint64 pending = m_backlog();
    m_drain.measure(pending);
    return pending <= backlogBudget(m_drain.bytesPerSecond());
}

void FileTransferService::pumpOutgoing() {
    if (!m_outgoing || m_outgoing->isAwaiting()) {
        return;
    }
    FileStreamSender& stream = *m_outgoing;
    for (int turn = 0; turn < kStreamChunksPerTurn; ++turn) {
        if (m_peerAcks && stream.windowFull()) {
            return; // the receiver's next ack starts the pump again
        }
        if (!linkHasRoom()) {
            m_pump.start(kBacklogWaitMs);
            return;
        }
        qint64 chunkBytes = 0;
        const QByteArray data = stream.nextData(chunkBytes);
        if (data.isEmpty()) {
            finishOutgoing();
            return;
        }
        m_drain.queued(data.size());
        send(data);
        if (!m_outgoing) {
            return; // the send ended the session
        }
        if (stream.isUpload() && stream.size() > 0) {
            emit fileUploadProgress(stream.displayPath(),
                                    static_cast<int>(stream.next() * 100 / stream.size()));
        }
        updateStats(chunkBytes);
    }
    // The rest at the next turn of the event loop, after whatever else is waiting there.
    m_pump.start(0);
}

void FileTransferService::finishOutgoing() {
    const FileStreamSender& stream = *m_outgoing;
    spdlog::info("FileTransfer: sent '{}' ({} bytes, {} of them now)",
                 stream.displayPath().toStdString(), stream.next(),
                 stream.next() - stream.started());
    const QByteArray end = stream.endMessage();
    // A served download is done once sent, and this end is free for the next request, which
    // may come before send returns; an upload is done when the Target has checked and named
    // the file (put done).
    if (!stream.isUpload()) {
        m_outgoing.reset();
    }
    send(end);
}

void FileTransferService::failIncoming(const QString& localText, const QString& peerText) {
    if (!m_incoming) {
        return;
    }
    sendStreamFailure(m_incoming->id(), peerText);
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
    if (!m_incoming || m_incoming->id() != id || m_incoming->isAwaiting()) {
        spdlog::warn("FileTransfer: dropped data of no transfer of ours");
        return;
    }
    FileStreamReceiver& stream = *m_incoming;
    const auto length = static_cast<qint64>(body.remaining());
    switch (stream.take(offset, reinterpret_cast<const char*>(body.current()), length)) {
    case FileStreamReceiver::Chunk::OutOfOrder:
        failIncoming(tr("Remote file download failed"),
                     QStringLiteral("Transfer out of order: ") + stream.displayPath());
        return;
    case FileStreamReceiver::Chunk::WriteFailed:
        failIncoming(tr("Cannot write to local file: %1").arg(stream.finalPath()),
                     QStringLiteral("Cannot write file: ") + stream.displayPath());
        return;
    case FileStreamReceiver::Chunk::Taken:
        break;
    }
    if (const auto ack = stream.ackDue(m_peerAcks)) {
        send(*ack);
        if (!m_incoming) {
            return; // the send ended the session
        }
    }
    if (!stream.isUpload()) {
        emit fileDownloadProgress(
            stream.displayPath(),
            static_cast<int>(stream.next() * 100 / std::max<qint64>(1, stream.size())));
        updateStats(length);
    }
}

void FileTransferService::receiveStreamEnd(Reader& body) {
    quint32 id = 0;
    quint64 total = 0;
    if (!body.u32(id) || !body.u64(total) || body.remaining() < kDigestBytes) {
        return;
    }
    if (!m_incoming || m_incoming->id() != id || m_incoming->isAwaiting()) {
        spdlog::warn("FileTransfer: dropped the end of no transfer of ours");
        return;
    }
    FileStreamReceiver& stream = *m_incoming;
    const QByteArray theirs(reinterpret_cast<const char*>(body.current()), kDigestBytes);
    switch (stream.finish(total, theirs)) {
    case FileStreamReceiver::End::Damaged:
        failIncoming(tr("Transfer corrupted, checksum mismatch: %1").arg(stream.displayPath()),
                     QStringLiteral("Checksum mismatch: ") + stream.displayPath());
        return;
    case FileStreamReceiver::End::NotRenamed:
        failIncoming(tr("Cannot write to local file: %1").arg(stream.finalPath()),
                     QStringLiteral("Cannot write file: ") + stream.displayPath());
        return;
    case FileStreamReceiver::End::Saved:
        break;
    }
    const std::unique_ptr<FileStreamReceiver> done = std::move(m_incoming);
    spdlog::info("FileTransfer: '{}' verified and saved as '{}' ({} bytes)",
                 done->displayPath().toStdString(), done->finalPath().toStdString(), done->size());
    if (done->isUpload()) {
        QByteArray reply = messageOf(kStreamPutDone);
        appendU32(reply, done->id());
        send(reply);
    } else {
        emit fileDownloadProgress(done->displayPath(), 100);
        emit fileDownloadComplete(done->finalPath());
    }
}

void FileTransferService::receiveStreamPutDone(Reader& body) {
    quint32 id = 0;
    if (!body.u32(id)) {
        return;
    }
    if (m_role != FileTransferRole::Requester || !m_outgoing || !m_outgoing->isUpload() ||
        m_outgoing->id() != id ||
        (!m_outgoing->isFolder() && (m_outgoing->isAwaiting() || !m_outgoing->atEnd()))) {
        spdlog::warn("FileTransfer: dropped an upload confirmation of no upload of ours");
        return;
    }
    const std::unique_ptr<FileStreamSender> done = std::move(m_outgoing);
    spdlog::info("FileTransfer: upload complete '{}' ({} bytes)", done->displayPath().toStdString(),
                 done->size());
    emit fileUploadComplete();
}

void FileTransferService::receiveStreamAck(Reader& body) {
    quint32 id = 0;
    quint64 written = 0;
    if (!body.u32(id) || !body.u64(written)) {
        return;
    }
    if (!m_outgoing || m_outgoing->id() != id || m_outgoing->isAwaiting()) {
        spdlog::warn("FileTransfer: dropped an acknowledgement of no transfer of ours");
        return;
    }
    if (m_outgoing->acknowledge(written) && !m_pump.isActive()) {
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
    if (m_outgoing && m_outgoing->id() == id) {
        m_outgoing.reset();
        m_pump.stop();
        ours = true;
    }
    if (m_incoming && m_incoming->id() == id) {
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
