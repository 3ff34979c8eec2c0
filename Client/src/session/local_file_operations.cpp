#include "session/file_operations.h"

#include <filesystem>
#include <system_error>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace nimbral {

namespace {

class LocalFile : public TransferFile {
public:
    explicit LocalFile(const QString& path)
        : m_file(path) {}

    bool open(QIODevice::OpenMode mode) { return m_file.open(mode); }
    QByteArray read(qint64 maxBytes) override { return m_file.read(maxBytes); }
    qint64 write(const char* data, qint64 length) override { return m_file.write(data, length); }
    bool seek(qint64 position) override { return m_file.seek(position); }
    bool resize(qint64 size) override { return m_file.resize(size); }
    qint64 size() const override { return m_file.size(); }
    bool atEnd() const override { return m_file.atEnd(); }

private:
    QFile m_file;
};

class LocalFileOperations : public FileOperations {
public:
    std::unique_ptr<TransferFile> open(const QString& path, Mode mode) override {
        auto file = std::make_unique<LocalFile>(path);
        const QIODevice::OpenMode qtMode = mode == Mode::Read ? QIODevice::ReadOnly
                                           : mode == Mode::ReadWrite
                                               ? QIODevice::ReadWrite
                                               : QIODevice::WriteOnly | QIODevice::Truncate;
        if (!file->open(qtMode)) {
            return nullptr;
        }
        return file;
    }

    PathInfo stat(const QString& path) override {
        const QFileInfo info(path);
        return {info.exists(),     info.isFile(), info.isDir(),
                info.isReadable(), info.size(),   info.isSymLink()};
    }

    bool rename(const QString& from, const QString& to) override {
        // std::filesystem replaces the target in one step where QFile::rename would refuse.
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(from).toStdString(),
                                QFile::encodeName(to).toStdString(), error);
        return !error;
    }

    bool remove(const QString& path) override { return QFile::remove(path); }

    bool makePath(const QString& folder) override { return QDir().mkpath(folder); }

    std::vector<ListedEntry> list(const QString& folder) override {
        const QFileInfoList entries = QDir(folder).entryInfoList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
            QDir::Name | QDir::DirsFirst | QDir::IgnoreCase);
        std::vector<ListedEntry> listed;
        listed.reserve(static_cast<std::size_t>(entries.size()));
        for (const QFileInfo& entry : entries) {
            listed.push_back({entry.fileName(), entry.isDir(), entry.isDir() ? 0 : entry.size()});
        }
        return listed;
    }

    std::optional<std::vector<ListedEntry>> walk(const QString& folder,
                                                 std::size_t maxEntries) override {
        // Links are left out, not followed: one could lead out of the folder or round in a loop.
        QDirIterator walk(folder,
                          QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System |
                              QDir::NoSymLinks,
                          QDirIterator::Subdirectories);
        const QDir base(folder);
        std::vector<ListedEntry> entries;
        while (walk.hasNext()) {
            walk.next();
            const QFileInfo entry = walk.fileInfo();
            if (!entry.isDir() && !entry.isFile()) {
                continue; // devices, FIFOs and sockets are not files to copy
            }
            if (entries.size() == maxEntries) {
                return std::nullopt;
            }
            entries.push_back({base.relativeFilePath(entry.filePath()), entry.isDir(),
                               entry.isDir() ? 0 : entry.size()});
        }
        return entries;
    }

    QString canonicalPath(const QString& path) override {
        return QFileInfo(path).canonicalFilePath();
    }
};

} // namespace

std::unique_ptr<FileOperations> localFileOperations() {
    return std::make_unique<LocalFileOperations>();
}

} // namespace nimbral
