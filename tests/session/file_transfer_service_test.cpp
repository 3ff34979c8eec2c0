#include "session/file_transfer_service.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include "log_capture.h"

namespace nimbral {
namespace {

using Bytes = std::vector<std::uint8_t>;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray pattern(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 31 + 7);
    }
    return bytes;
}

// Master and Target wired back to back, every message also recorded.
class FileTransferTest : public ::testing::Test {
protected:
    FileTransferTest()
        : master([this](const Bytes& m) {
            toTarget.push_back(m);
            target.handleMessage(m);
        })
        , target([this](const Bytes& m) {
            toMaster.push_back(m);
            master.handleMessage(m);
        }) {}

    QString path(const QString& name) const { return folder.path() + "/" + name; }

    QTemporaryDir folder;
    std::vector<Bytes> toTarget;
    std::vector<Bytes> toMaster;
    FileTransferService master;
    FileTransferService target;
};

TEST_F(FileTransferTest, ListingSortsDirectoriesFirstIgnoringCase) {
    QDir(folder.path()).mkpath("listing/beta");
    QDir(folder.path()).mkpath("listing/Alpha");
    writeFile(path("listing/zeta.txt"), "12345");
    writeFile(path("listing/Apple.bin"), QByteArray(300, 'x'));
    QSignalSpy listed(&master, &FileTransferService::directoryListed);
    master.requestListing(path("listing"));
    ASSERT_EQ(listed.count(), 1);
    EXPECT_EQ(listed.at(0).at(0).toString(), path("listing"));
    const auto entries = listed.at(0).at(1).value<QList<FileEntry>>();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0], (FileEntry{"Alpha", true, 0}));
    EXPECT_EQ(entries[1], (FileEntry{"beta", true, 0}));
    EXPECT_EQ(entries[2], (FileEntry{"Apple.bin", false, 300}));
    EXPECT_EQ(entries[3], (FileEntry{"zeta.txt", false, 5}));
    ASSERT_EQ(toTarget.size(), 1u);
    EXPECT_EQ(toTarget[0][0], 1); // list request
    EXPECT_EQ(toMaster[0][0], 2); // list reply
}

TEST_F(FileTransferTest, RootListsTheVolumesWithTheirCapacity) {
    QSignalSpy listed(&master, &FileTransferService::directoryListed);
    master.requestListing("/");
    ASSERT_EQ(listed.count(), 1);
    const auto entries = listed.at(0).at(1).value<QList<FileEntry>>();
    ASSERT_FALSE(entries.isEmpty());
    for (const FileEntry& volume : entries) {
        EXPECT_TRUE(volume.isDir);
        EXPECT_FALSE(volume.name.isEmpty());
    }
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](const FileEntry& v) { return v.name == "/" && v.size > 0; }));
}

TEST(FileTransferVolumes, RootAndHomeAreListedEvenWithoutMountedVolumes) {
    const QList<FileEntry> volumes = FileTransferService::volumeList({});
    ASSERT_EQ(volumes.size(), QDir::homePath() == QDir::rootPath() ? 1 : 2);
    EXPECT_EQ(volumes[0].name, QDir::rootPath());
    EXPECT_TRUE(volumes[0].isDir);
    EXPECT_GT(volumes[0].size, 0);
    EXPECT_EQ(volumes.back().name, QDir::homePath());
    EXPECT_TRUE(volumes.back().isDir);
}

TEST(FileTransferVolumes, MountedVolumesKeepTheirOrderAndAreNotRepeated) {
    const QList<FileEntry> mounted = {
        {"/media/usb", true, 1000}, {QDir::homePath(), true, 77}, {QDir::rootPath(), true, 5000}};
    EXPECT_EQ(FileTransferService::volumeList(mounted), mounted);
}

TEST_F(FileTransferTest, AMissingDirectoryComesBackAsAnError) {
    QSignalSpy errors(&master, &FileTransferService::fileError);
    master.requestListing(path("nowhere"));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Directory does not exist: " + path("nowhere"));
}

TEST_F(FileTransferTest, AShortListReplyKeepsTheCompleteEntries) {
    QByteArray reply(1, 2);
    const auto appendU32 = [&](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        reply.append(b, 4);
    };
    appendU32(1);
    reply.append("/");
    appendU32(5); // five announced
    for (int i = 0; i < 3; ++i) {
        reply.append(char(0));
        char size[8];
        qToLittleEndian<quint64>(100 + i, size);
        reply.append(size, 8);
        appendU32(1);
        reply.append(char('a' + i));
    }
    reply.append(char(1)); // a fourth entry cut inside its size field
    reply.append("\x01\x02", 2);
    QSignalSpy listed(&master, &FileTransferService::directoryListed);
    master.handleMessage(Bytes(reply.begin(), reply.end()));
    ASSERT_EQ(listed.count(), 1);
    const auto entries = listed.at(0).at(1).value<QList<FileEntry>>();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[2], (FileEntry{"c", false, 102}));
}

TEST_F(FileTransferTest, UploadSendsChunksWithTheirOffsetsAndTheFileArrivesWhole) {
    const QByteArray content = pattern(150000);
    writeFile(path("local.bin"), content);
    QSignalSpy progress(&master, &FileTransferService::fileUploadProgress);
    QSignalSpy complete(&master, &FileTransferService::fileUploadComplete);
    QSignalSpy stats(&master, &FileTransferService::transferStats);
    master.uploadFile(path("local.bin"), path("remote.bin"));

    ASSERT_EQ(toTarget.size(), 5u); // start, three chunks, end
    EXPECT_EQ(toTarget[0][0], 5);
    const std::pair<quint32, std::size_t> chunks[] = {{0, 65536}, {65536, 65536}, {131072, 18928}};
    for (int i = 0; i < 3; ++i) {
        const Bytes& data = toTarget[static_cast<std::size_t>(i) + 1];
        EXPECT_EQ(data[0], 6);
        EXPECT_EQ(qFromLittleEndian<quint32>(data.data() + 1), chunks[i].first);
        EXPECT_EQ(data.size() - 5, chunks[i].second);
    }
    EXPECT_EQ(toTarget[4][0], 7);
    EXPECT_EQ(readAll(path("remote.bin")), content);
    ASSERT_EQ(progress.count(), 3);
    EXPECT_EQ(progress.at(0).at(1).toInt(), 43);
    EXPECT_EQ(progress.at(2).at(1).toInt(), 100);
    EXPECT_EQ(complete.count(), 1);
    ASSERT_EQ(stats.count(), 3);
    EXPECT_EQ(stats.at(2).at(2).toInt(), 100);
}

TEST_F(FileTransferTest, AnEmptyFileUploadsAsStartAndEndOnly) {
    writeFile(path("empty.txt"), QByteArray());
    QSignalSpy progress(&master, &FileTransferService::fileUploadProgress);
    master.uploadFile(path("empty.txt"), path("empty-remote.txt"));
    ASSERT_EQ(toTarget.size(), 2u);
    EXPECT_EQ(toTarget[0][0], 5);
    EXPECT_EQ(toTarget[1][0], 7);
    EXPECT_TRUE(QFile::exists(path("empty-remote.txt")));
    EXPECT_EQ(readAll(path("empty-remote.txt")), QByteArray());
    EXPECT_EQ(progress.count(), 0);
}

TEST_F(FileTransferTest, DownloadWritesTheLocalFileAndReports) {
    const QByteArray content = pattern(70000);
    writeFile(path("served.bin"), content);
    QSignalSpy progress(&master, &FileTransferService::fileDownloadProgress);
    QSignalSpy complete(&master, &FileTransferService::fileDownloadComplete);
    master.requestDownload(path("served.bin"), path("downloaded.bin"));
    EXPECT_EQ(readAll(path("downloaded.bin")), content);
    ASSERT_EQ(progress.count(), 1);
    EXPECT_EQ(progress.at(0).at(0).toString(), path("served.bin"));
    EXPECT_EQ(progress.at(0).at(1).toInt(), 100);
    ASSERT_EQ(complete.count(), 1);
    EXPECT_EQ(complete.at(0).at(0).toString(), path("downloaded.bin"));
}

TEST_F(FileTransferTest, DownloadFailuresReachTheRequester) {
    QSignalSpy errors(&master, &FileTransferService::fileError);
    master.requestDownload(path("absent.bin"), path("never.bin"));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Cannot open file: " + path("absent.bin"));

    master.handleMessage(Bytes{4, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(errors.count(), 2);
    EXPECT_EQ(errors.at(1).at(0).toString(), "Remote file download failed");
    EXPECT_FALSE(QFile::exists(path("never.bin")));

    // A file no link could carry as one message is refused by the serving side.
    QFile big(path("big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(FileTransferService::kMaxFileBytes + 1));
    big.close();
    master.requestDownload(path("big.bin"), path("big-copy.bin"));
    ASSERT_EQ(errors.count(), 3);
    EXPECT_EQ(errors.at(2).at(0).toString(), "File too large: " + path("big.bin"));
}

TEST_F(FileTransferTest, AnUploadBeyondTheLimitIsRefusedAndNothingIsWritten) {
    QSignalSpy errors(&master, &FileTransferService::fileError);
    // A peer announcing little but sending much.
    QByteArray start(1, 5);
    char length[4];
    qToLittleEndian<quint32>(static_cast<quint32>(path("flood.bin").toUtf8().size()), length);
    start.append(length, 4).append(path("flood.bin").toUtf8());
    char size[8];
    qToLittleEndian<quint64>(10, size);
    start.append(size, 8);
    target.handleMessage(Bytes(start.begin(), start.end()));
    Bytes chunk(5 + 65536, 0);
    chunk[0] = 6;
    for (int i = 0; i < 260 && errors.isEmpty(); ++i) {
        target.handleMessage(chunk);
    }
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "File too large: " + path("flood.bin"));
    target.handleMessage(Bytes{7, 0, 0, 0, 0});
    EXPECT_FALSE(QFile::exists(path("flood.bin")));
}

TEST_F(FileTransferTest, UnknownSubTypesAndEmptyMessagesAreIgnored) {
    test::LogCapture log;
    master.handleMessage({});
    master.handleMessage(Bytes{9, 1, 2});
    EXPECT_TRUE(log.has(spdlog::level::warn, "FileTransfer: unknown sub-type 0x09"));
    QSignalSpy errors(&master, &FileTransferService::fileError);
    master.handleMessage(Bytes{8, 200, 0, 0, 0, 'x'}); // error text cut short
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "");
}

} // namespace
} // namespace nimbral
