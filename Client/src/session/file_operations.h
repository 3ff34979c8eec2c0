#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

namespace nimbral {

// One open file of a transfer. Closed when destroyed.
class TransferFile {
public:
    virtual ~TransferFile() = default;
    // Up to maxBytes from the current position; empty at the end or on an error.
    virtual QByteArray read(qint64 maxBytes) = 0;
    // How many bytes were written: less than length on an error.
    virtual qint64 write(const char* data, qint64 length) = 0;
    virtual bool seek(qint64 position) = 0;
    virtual bool resize(qint64 size) = 0;
    virtual qint64 size() const = 0;
    virtual bool atEnd() const = 0;
};

// What a path is, as far as the transfer cares.
struct PathInfo {
    bool exists = false;
    bool isFile = false;
    bool isDir = false;
    bool readable = false;
    qint64 size = 0;
    bool isLink = false; // a symbolic link (the rest describes where it leads)
};

struct ListedEntry {
    QString name;
    bool isDir = false;
    qint64 size = 0;
};

// Everything the file transfer does to a disk, so that tests can put a disk that fails under
// it. Paths are local paths, already checked by the caller against the folder it may touch.
class FileOperations {
public:
    enum class Mode { Read, ReadWrite, WriteTruncate };

    virtual ~FileOperations() = default;
    // Empty when the file cannot be opened so.
    virtual std::unique_ptr<TransferFile> open(const QString& path, Mode mode) = 0;
    virtual PathInfo stat(const QString& path) = 0;
    // Renames, replacing what `to` named.
    virtual bool rename(const QString& from, const QString& to) = 0;
    virtual bool remove(const QString& path) = 0;
    // Creates the folder and the ones above it that are missing.
    virtual bool makePath(const QString& folder) = 0;
    // A folder's entries, folders first, each group by name ignoring case; hidden ones too.
    virtual std::vector<ListedEntry> list(const QString& folder) = 0;
    // Every file and folder below a folder, named relative to it with "/" (folders before what
    // they hold); links are left out, not followed, and so are devices, FIFOs and sockets.
    // Empty when there are more than maxEntries.
    virtual std::optional<std::vector<ListedEntry>> walk(const QString& folder,
                                                         std::size_t maxEntries) = 0;
    // The path with every link in it resolved; empty when nothing is there.
    virtual QString canonicalPath(const QString& path) = 0;
};

// The real disk, with this process's rights (or the serving user's, while that is taken on).
std::unique_ptr<FileOperations> localFileOperations();

} // namespace nimbral
