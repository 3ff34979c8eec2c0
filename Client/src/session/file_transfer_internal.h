#pragma once

// What the halves of the file transfer share: the message sub-types and their fields, the
// reader of a message body.

#include <algorithm>
#include <cstdint>

#include <QByteArray>
#include <QString>

#include "common/wire.h"
#include "crypto/sha256.h"
#include "session/file_operations.h"
#include "session/file_transfer_service.h"

namespace nimbral {

namespace file_transfer {

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

inline constexpr quint32 kOwnCapabilities = FileTransferService::kCapabilityStreams |
                                            FileTransferService::kCapabilityFolders |
                                            FileTransferService::kCapabilityAcks;

inline constexpr int kDigestBytes = 32;
// Between two turns of the sender when the link is full.
inline constexpr int kBacklogWaitMs = 2;

inline void appendU32(QByteArray& out, quint32 value) {
    wire::put(out, value);
}

inline void appendU64(QByteArray& out, quint64 value) {
    wire::put(out, value);
}

inline void appendString(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    appendU32(out, static_cast<quint32>(utf8.size()));
    out.append(utf8);
}

inline QByteArray messageOf(SubType type) {
    return QByteArray(1, static_cast<char>(type));
}

inline QByteArray digestOf(const Sha256& hash) {
    const Sha256::Digest digest = hash.result();
    return QByteArray(reinterpret_cast<const char*>(digest.data()), int(digest.size()));
}

inline QString partialPathOf(const QString& path) {
    return path + QLatin1String(FileTransferService::kPartialSuffix);
}

// Feeds the first `length` bytes of an open file to the checksum; false when the file is
// shorter.
inline bool hashPrefix(TransferFile& file, qint64 length, Sha256& hash) {
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

} // namespace file_transfer

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

    // One entry of a listing or a tree: its kind, its size (held to what a file can be) and
    // its name; false when the kind or the size is cut short.
    bool entry(FileEntry& out) {
        std::uint8_t isDir = 0;
        quint64 size = 0;
        if (!u8(isDir) || !u64(size)) {
            return false;
        }
        out.isDir = isDir != 0;
        out.size = static_cast<qint64>(std::min<quint64>(size, INT64_MAX));
        out.name = string();
        return true;
    }
};

} // namespace nimbral
