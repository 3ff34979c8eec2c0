#pragma once

// The two ends of one streamed file. The sender reads its source in chunks, keeps the running
// checksum and at most a window beyond what the receiver acknowledged; the receiver writes
// what fits behind what it has, into a partial file that takes its real name only once the
// checksum matched. Both make their own messages; the service decides when and to whom.

#include <memory>
#include <optional>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include "crypto/sha256.h"
#include "session/file_operations.h"

namespace nimbral {

class FileStreamSender {
public:
    FileStreamSender(quint32 id, QString displayPath, bool upload, bool folder);

    quint32 id() const { return m_id; }
    bool isUpload() const { return m_upload; }
    bool isFolder() const { return m_folder; } // an upload that creates a folder: no data
    // The receiver has not said where to start yet.
    bool isAwaiting() const { return m_awaiting; }
    const QString& displayPath() const { return m_displayPath; }
    qint64 size() const { return m_size; }
    qint64 next() const { return m_next; }
    qint64 started() const { return m_started; }
    bool hasFile() const { return m_file != nullptr; }
    bool atEnd() const { return m_file && m_file->atEnd(); }

    void setSource(std::unique_ptr<TransferFile> file);
    // Starts at `offset` when the source's first `offset` bytes have the receiver's checksum
    // of its part, else at byte 0; returns where it starts.
    qint64 startAt(qint64 offset, const QByteArray& receiverDigest);
    // Whether the receiver's acknowledgements hold the next chunk back.
    bool windowFull() const;
    // The next data message with `chunkBytes` of the file; empty at the end.
    QByteArray nextData(qint64& chunkBytes);
    // The end message: the length sent and the checksum of it all.
    QByteArray endMessage() const;
    // Moves the acknowledged point forward, never past what was sent (a lying receiver gains
    // no larger window); true when it moved.
    bool acknowledge(quint64 written);

private:
    const quint32 m_id;
    const QString m_displayPath;
    const bool m_upload;
    const bool m_folder;
    bool m_awaiting = true;
    std::unique_ptr<TransferFile> m_file;
    qint64 m_size = 0;
    qint64 m_next = 0;
    qint64 m_started = 0;
    qint64 m_acked = 0;
    Sha256 m_hash;
};

class FileStreamReceiver {
public:
    FileStreamReceiver(FileOperations& files, quint32 id, QString displayPath, QString finalPath,
                       bool upload);

    quint32 id() const { return m_id; }
    bool isUpload() const { return m_upload; }
    // The Target has not answered the download request yet.
    bool isAwaiting() const { return m_awaiting; }
    const QString& displayPath() const { return m_displayPath; }
    const QString& finalPath() const { return m_finalPath; }
    qint64 size() const { return m_size; }
    qint64 next() const { return m_next; }
    bool hasFile() const { return m_file != nullptr; }
    // The checksum of what it holds, all zero when it holds nothing.
    QByteArray partDigest() const;

    // Opens the partial file and takes its first `offset` bytes as arrived (its checksum
    // included); offset 0, or a part shorter than that, starts afresh.
    bool open(qint64 offset);
    // Closes the partial file (a failed resume starts from nothing).
    void closeFile();
    // The sender's answer: the file's size and where it starts; false when this end cannot
    // continue from there.
    bool answered(qint64 size, qint64 start);
    void setSize(qint64 size) { m_size = size; }

    enum class Chunk { Taken, OutOfOrder, WriteFailed };
    Chunk take(quint64 offset, const char* bytes, qint64 length);
    // An acknowledgement of what is written, when one is due.
    std::optional<QByteArray> ackDue(bool peerAcks);

    enum class End { Saved, Damaged, NotRenamed };
    // Checks the whole against the sender's length and checksum; a damaged file is removed,
    // a sound one takes its real name.
    End finish(quint64 total, const QByteArray& senderDigest);

private:
    FileOperations& m_files;
    const quint32 m_id;
    const QString m_displayPath;
    const QString m_finalPath;
    const bool m_upload;
    bool m_awaiting = true;
    QString m_partPath;
    std::unique_ptr<TransferFile> m_file;
    qint64 m_size = 0;
    qint64 m_next = 0;
    qint64 m_acked = 0; // what the last acknowledgement said
    Sha256 m_hash;
};

// How fast the link drains what a sender queued, measured from its backlog now and then.
class LinkDrainMeter {
public:
    void measure(qint64 pending);
    void queued(qint64 bytes) { m_queuedSince += bytes; }
    qint64 bytesPerSecond() const { return m_rate; }

private:
    QElapsedTimer m_clock;
    qint64 m_pending = 0;     // backlog at the last measurement
    qint64 m_queuedSince = 0; // bytes queued since then
    qint64 m_rate = 0;        // smoothed
};

} // namespace nimbral
