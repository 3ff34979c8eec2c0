#pragma once

#include <algorithm>
#include <memory>
#include <optional>

#include <QSet>
#include <QString>

#include "session/file_operations.h"

namespace nimbral::test {

// The real disk, failing where a test says: opening a path, writing beyond a number of bytes,
// renaming, making a folder. Shared with the test through a pointer the service does not own.
class FaultyDisk : public FileOperations {
public:
    QSet<QString> unopenable;
    // Every file opened for writing takes this many bytes in all, then refuses (disk full).
    qint64 writableBytes = -1;
    bool renameFails = false;
    bool makePathFails = false;
    // A folder tree may hold no more entries than this.
    std::optional<std::size_t> treeLimit;

    std::unique_ptr<TransferFile> open(const QString& path, Mode mode) override {
        if (unopenable.contains(path)) {
            return nullptr;
        }
        std::unique_ptr<TransferFile> file = m_disk->open(path, mode);
        if (!file || mode == Mode::Read) {
            return file;
        }
        return std::make_unique<FillingFile>(std::move(file), writableBytes);
    }
    PathInfo stat(const QString& path) override { return m_disk->stat(path); }
    bool rename(const QString& from, const QString& to) override {
        return !renameFails && m_disk->rename(from, to);
    }
    bool remove(const QString& path) override { return m_disk->remove(path); }
    bool makePath(const QString& folder) override {
        return !makePathFails && m_disk->makePath(folder);
    }
    std::vector<ListedEntry> list(const QString& folder) override { return m_disk->list(folder); }
    std::optional<std::vector<ListedEntry>> walk(const QString& folder,
                                                 std::size_t maxEntries) override {
        return m_disk->walk(folder, std::min(maxEntries, treeLimit.value_or(maxEntries)));
    }
    QString canonicalPath(const QString& path) override { return m_disk->canonicalPath(path); }

private:
    class FillingFile : public TransferFile {
    public:
        FillingFile(std::unique_ptr<TransferFile> file, qint64 room)
            : m_file(std::move(file))
            , m_room(room) {}
        QByteArray read(qint64 maxBytes) override { return m_file->read(maxBytes); }
        qint64 write(const char* data, qint64 length) override {
            if (m_room >= 0 && length > m_room) {
                const qint64 written = m_file->write(data, m_room);
                m_room = 0;
                return written;
            }
            if (m_room >= 0) {
                m_room -= length;
            }
            return m_file->write(data, length);
        }
        bool seek(qint64 position) override { return m_file->seek(position); }
        bool resize(qint64 size) override { return m_file->resize(size); }
        qint64 size() const override { return m_file->size(); }
        bool atEnd() const override { return m_file->atEnd(); }

    private:
        std::unique_ptr<TransferFile> m_file;
        qint64 m_room;
    };

    std::unique_ptr<FileOperations> m_disk = localFileOperations();
};

} // namespace nimbral::test
