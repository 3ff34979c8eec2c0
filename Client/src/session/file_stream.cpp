#include "session/file_stream.h"

#include <algorithm>

#include <spdlog/spdlog.h>

#include "session/file_transfer_internal.h"

namespace nimbral {

using namespace file_transfer;

// ------------------------------------------------------------------ sender

FileStreamSender::FileStreamSender(quint32 id, QString displayPath, bool upload, bool folder)
    : m_id(id)
    , m_displayPath(std::move(displayPath))
    , m_upload(upload)
    , m_folder(folder)
    , m_awaiting(upload) {
}

void FileStreamSender::setSource(std::unique_ptr<TransferFile> file) {
    m_file = std::move(file);
    m_size = m_file ? m_file->size() : 0;
}

qint64 FileStreamSender::startAt(qint64 offset, const QByteArray& receiverDigest) {
    offset = std::clamp<qint64>(offset, 0, m_size);
    m_hash.reset();
    if (offset > 0 &&
        (!m_file || !hashPrefix(*m_file, offset, m_hash) || digestOf(m_hash) != receiverDigest)) {
        offset = 0; // the receiver's part is of another file: all of it again
        m_hash.reset();
    }
    if (m_file) {
        m_file->seek(offset);
    }
    m_next = offset;
    m_started = offset;
    m_acked = offset;
    m_awaiting = false;
    return offset;
}

bool FileStreamSender::windowFull() const {
    return m_next - m_acked >= FileTransferService::kStreamWindowBytes;
}

QByteArray FileStreamSender::nextData(qint64& chunkBytes) {
    // A folder entry has no file: nothing to send, whatever the peer answered.
    const QByteArray chunk =
        m_file ? m_file->read(FileTransferService::kStreamChunkBytes) : QByteArray();
    chunkBytes = chunk.size();
    if (chunk.isEmpty()) {
        return {};
    }
    m_hash.add(chunk.constData(), std::size_t(chunk.size()));
    QByteArray data = messageOf(kStreamData);
    appendU32(data, m_id);
    appendU64(data, static_cast<quint64>(m_next));
    data.append(chunk);
    m_next += chunk.size();
    return data;
}

QByteArray FileStreamSender::endMessage() const {
    QByteArray end = messageOf(kStreamEnd);
    appendU32(end, m_id);
    appendU64(end, static_cast<quint64>(m_next));
    end.append(digestOf(m_hash));
    return end;
}

bool FileStreamSender::acknowledge(quint64 written) {
    const qint64 before = m_acked;
    m_acked =
        std::clamp(static_cast<qint64>(std::min<quint64>(written, INT64_MAX)), m_acked, m_next);
    return m_acked > before;
}

// ------------------------------------------------------------------ receiver

FileStreamReceiver::FileStreamReceiver(FileOperations& files, quint32 id, QString displayPath,
                                       QString finalPath, bool upload)
    : m_files(files)
    , m_id(id)
    , m_displayPath(std::move(displayPath))
    , m_finalPath(std::move(finalPath))
    , m_upload(upload)
    , m_awaiting(!upload)
    , m_partPath(partialPathOf(m_finalPath)) {
}

QByteArray FileStreamReceiver::partDigest() const {
    return m_file && m_next > 0 ? digestOf(m_hash) : QByteArray(kDigestBytes, '\0');
}

bool FileStreamReceiver::open(qint64 offset) {
    m_file = m_files.open(m_partPath, FileOperations::Mode::ReadWrite);
    if (!m_file) {
        return false;
    }
    m_hash.reset();
    if (offset > 0 && !hashPrefix(*m_file, offset, m_hash)) {
        m_hash.reset();
        offset = 0;
    }
    if (!m_file->resize(offset) || !m_file->seek(offset)) {
        return false;
    }
    m_next = offset;
    m_acked = offset;
    return true;
}

void FileStreamReceiver::closeFile() {
    m_file.reset();
    m_next = 0;
}

bool FileStreamReceiver::answered(qint64 size, qint64 start) {
    m_awaiting = false;
    m_size = size;
    // Where the sender starts is where the part ends, unless its file is another one (from 0)
    // or shorter now; only then is the part read again.
    const bool ready = m_file && m_next == start;
    return (ready || open(start)) && m_next == start;
}

FileStreamReceiver::Chunk FileStreamReceiver::take(quint64 offset, const char* bytes,
                                                   qint64 length) {
    if (offset == 0 && m_next > 0) {
        // The sender's file does not start with our part: it starts over.
        m_hash.reset();
        m_file->resize(0);
        m_file->seek(0);
        m_next = 0;
        m_acked = 0;
    }
    if (static_cast<qint64>(offset) != m_next || length < 1 ||
        length > FileTransferService::kStreamChunkBytes || m_next + length > m_size) {
        spdlog::warn("FileTransfer: '{}': data at byte {} ({} bytes) does not fit (expected byte "
                     "{} of {})",
                     m_displayPath.toStdString(), offset, length, m_next, m_size);
        return Chunk::OutOfOrder;
    }
    if (m_file->write(bytes, length) != length) {
        return Chunk::WriteFailed;
    }
    m_hash.add(bytes, std::size_t(length));
    m_next += length;
    return Chunk::Taken;
}

std::optional<QByteArray> FileStreamReceiver::ackDue(bool peerAcks) {
    if (!peerAcks || m_next - m_acked < FileTransferService::kStreamAckEveryBytes) {
        return std::nullopt;
    }
    m_acked = m_next;
    QByteArray ack = messageOf(kStreamAck);
    appendU32(ack, m_id);
    appendU64(ack, static_cast<quint64>(m_next));
    return ack;
}

FileStreamReceiver::End FileStreamReceiver::finish(quint64 total, const QByteArray& senderDigest) {
    const bool checksumMatches = digestOf(m_hash) == senderDigest;
    if (static_cast<qint64>(total) != m_next || m_next != m_size || !checksumMatches) {
        spdlog::warn("FileTransfer: '{}' arrived damaged ({} of {} bytes, checksum {}), discarded",
                     m_displayPath.toStdString(), m_next, m_size,
                     checksumMatches ? "matches" : "differs");
        m_file.reset();
        m_files.remove(m_partPath);
        return End::Damaged;
    }
    m_file.reset();
    // The verified file takes its real name, replacing an older one.
    return m_files.rename(m_partPath, m_finalPath) ? End::Saved : End::NotRenamed;
}

// ------------------------------------------------------------------ drain

void LinkDrainMeter::measure(qint64 pending) {
    constexpr qint64 kWindowMs = 10;
    if (!m_clock.isValid()) {
        m_clock.start();
        m_pending = pending;
        m_queuedSince = 0;
        return;
    }
    const qint64 elapsed = m_clock.elapsed();
    if (elapsed < kWindowMs) {
        return;
    }
    // Other traffic in the same queue (video on the relay) makes this an underestimate.
    const qint64 drained = std::max<qint64>(0, m_pending + m_queuedSince - pending);
    const qint64 sample = drained * 1000 / elapsed;
    m_rate = m_rate == 0 ? sample : (3 * m_rate + sample) / 4;
    m_clock.restart();
    m_pending = pending;
    m_queuedSince = 0;
}

} // namespace nimbral
