#include "session/file_transfer_service.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "file_service_link.h"
#include "log_capture.h"

namespace nimbral {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr platform::LocalUserId kNobody = 65534;

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

// Master and Target wired back to back, every message also recorded; neither has announced
// streams, so they speak the whole-file messages.
class FileTransferTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return folder.path() + "/" + name; }

    QTemporaryDir folder;
    test::Link link;
    std::vector<Bytes>& toTarget = link.sentToTarget;
    std::vector<Bytes>& toMaster = link.sentToMaster;
    FileTransferService& master = link.master;
    FileTransferService& target = link.target;
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

TEST_F(FileTransferTest, TheEmptyPathListsTheVolumesWithTheirCapacity) {
    QSignalSpy listed(&master, &FileTransferService::directoryListed);
    master.requestListing("");
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

TEST_F(FileTransferTest, TheRootIsADirectoryLikeAnyOther) {
    QSignalSpy listed(&master, &FileTransferService::directoryListed);
    master.requestListing("/");
    ASSERT_EQ(listed.count(), 1);
    QStringList names;
    for (const FileEntry& entry : listed.at(0).at(1).value<QList<FileEntry>>()) {
        names << entry.name;
    }
    QStringList expected =
        QDir("/").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    names.sort();
    expected.sort();
    EXPECT_EQ(names, expected);
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
    FileTransferService lone(FileTransferRole::Requester, [](const Bytes&) {});
    QSignalSpy listed(&lone, &FileTransferService::directoryListed);
    lone.requestListing("/");
    lone.handleMessage(Bytes(reply.begin(), reply.end()));
    ASSERT_EQ(listed.count(), 1);
    const auto entries = listed.at(0).at(1).value<QList<FileEntry>>();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[2], (FileEntry{"c", false, 102}));
}

// A Target names what it lists; a name that would lead out of the folder a download lands in (or
// a file among the volumes) never reaches the file manager.
TEST_F(FileTransferTest, AListingKeepsOnlyPlainNames) {
    const auto listReply = [](const QByteArray& path,
                              const std::vector<std::pair<bool, QByteArray>>& entries) {
        QByteArray reply(1, 2);
        const auto appendU32 = [&](quint32 v) {
            char b[4];
            qToLittleEndian(v, b);
            reply.append(b, 4);
        };
        appendU32(static_cast<quint32>(path.size()));
        reply.append(path);
        appendU32(static_cast<quint32>(entries.size()));
        for (const auto& [isDir, name] : entries) {
            reply.append(char(isDir ? 1 : 0));
            reply.append(QByteArray(8, '\0'));
            appendU32(static_cast<quint32>(name.size()));
            reply.append(name);
        }
        return Bytes(reply.begin(), reply.end());
    };
    FileTransferService lone(FileTransferRole::Requester, [](const Bytes&) {});
    QSignalSpy listed(&lone, &FileTransferService::directoryListed);
    lone.requestListing("/home/user");
    lone.handleMessage(listReply("/home/user", {{false, "../../.bashrc"},
                                                {false, "/etc/passwd"},
                                                {true, "a/b"},
                                                {false, ".."},
                                                {false, ""},
                                                {false, "a\\b"},
                                                {false, "report.pdf"},
                                                {true, "Photos"}}));
    lone.requestListing("");
    lone.handleMessage(listReply("", {{false, "../evil"}, {true, "/"}, {true, "/home/user"}}));
    ASSERT_EQ(listed.count(), 2);
    EXPECT_EQ(listed.at(0).at(1).value<QList<FileEntry>>(),
              (QList<FileEntry>{{"report.pdf", false, 0}, {"Photos", true, 0}}));
    EXPECT_EQ(listed.at(1).at(1).value<QList<FileEntry>>(),
              (QList<FileEntry>{{"/", true, 0}, {"/home/user", true, 0}}));
    EXPECT_TRUE(FileTransferService::isSafeFileName("report.pdf"));
    EXPECT_FALSE(FileTransferService::isSafeFileName("a/b"));
}

// A Target that has nobody to serve files as (a service with no one logged in) refuses every
// request, and touches nothing.
TEST_F(FileTransferTest, WithNobodyToServeAsEveryRequestIsRefused) {
    int asked = 0;
    target.setServingUser([&asked]() -> std::optional<platform::LocalUserId> {
        ++asked;
        return std::nullopt;
    });
    writeFile(path("served.bin"), pattern(100));
    QSignalSpy errors(&master, &FileTransferService::fileError);
    const QString refusal =
        "File transfer is not available: nobody is logged in to this device's desktop";
    master.requestListing(folder.path());
    master.requestDownload(path("served.bin"), path("copy.bin"));
    master.uploadFile(path("served.bin"), path("uploaded.bin"));
    ASSERT_EQ(errors.count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(errors.at(i).at(0).toString(), refusal) << i;
    }
    EXPECT_FALSE(QFile::exists(path("copy.bin")));
    EXPECT_FALSE(QFile::exists(path("uploaded.bin")));
    EXPECT_GE(asked, 3);
}

// A service runs as root: the Master's requests are served with the rights of the user whose
// desktop is shared, so root's files stay root's and what is written belongs to that user.
TEST_F(FileTransferTest, FilesAreServedWithTheRightsOfTheServingUser) {
    if (getuid() != 0) {
        GTEST_SKIP() << "switching to another account's rights needs root";
    }
    writeFile(path("secret.txt"), "root only");
    QTemporaryDir theirs(QDir::tempPath() + "/nimbral-serving-XXXXXX");
    ASSERT_EQ(chown(QFile::encodeName(theirs.path()).constData(), kNobody, kNobody), 0);
    QFile::setPermissions(theirs.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::ExeOther);
    writeFile(path("upload.txt"), "from the Master");
    QSignalSpy errors(&master, &FileTransferService::fileError);
    QSignalSpy listed(&master, &FileTransferService::directoryListed);

    // As root itself, the folder lists: what follows is the switch, not the folder.
    master.requestListing(folder.path());
    ASSERT_EQ(listed.count(), 1);

    target.setServingUser([] { return std::optional<platform::LocalUserId>(kNobody); });
    master.requestListing(folder.path());
    master.requestDownload(path("secret.txt"), path("stolen.txt"));
    ASSERT_EQ(errors.count(), 2);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Cannot read directory: " + folder.path());
    EXPECT_EQ(errors.at(1).at(0).toString(), "Cannot open file: " + path("secret.txt"));
    EXPECT_FALSE(QFile::exists(path("stolen.txt")));

    master.uploadFile(path("upload.txt"), theirs.path() + "/upload.txt");
    master.requestListing(theirs.path());
    ASSERT_EQ(listed.count(), 2);
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(theirs.path() + "/upload.txt").constData(), &info), 0);
    EXPECT_EQ(info.st_uid, kNobody) << "written as the serving user";
    EXPECT_EQ(readAll(theirs.path() + "/upload.txt"), "from the Master");
    // And this thread is root again afterwards.
    EXPECT_EQ(readAll(path("secret.txt")), "root only");
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

    FileTransferService lone(FileTransferRole::Requester, [](const Bytes&) {});
    QSignalSpy loneErrors(&lone, &FileTransferService::fileError);
    lone.requestDownload(path("absent.bin"), path("never.bin"));
    lone.handleMessage(Bytes{4, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(loneErrors.count(), 1);
    EXPECT_EQ(loneErrors.at(0).at(0).toString(), "Remote file download failed");
    EXPECT_FALSE(QFile::exists(path("never.bin")));

    // A file no link could carry as one message is refused by the serving side.
    QFile big(path("big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(FileTransferService::kMaxFileBytes + 1));
    big.close();
    master.requestDownload(path("big.bin"), path("big-copy.bin"));
    ASSERT_EQ(errors.count(), 2);
    EXPECT_EQ(errors.at(1).at(0).toString(), "File too large: " + path("big.bin"));
}

TEST_F(FileTransferTest, AnUploadBeyondTheLimitIsRefusedAndNothingIsWritten) {
    // The raw messages go to the Target directly; the Master hears the refusal as the error of
    // an upload of its own.
    writeFile(path("small.txt"), "x");
    master.uploadFile(path("small.txt"), path("small-remote.txt"));
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
    master.handleMessage(Bytes{0x42, 1, 2});
    EXPECT_TRUE(log.has(spdlog::level::warn, "FileTransfer: unknown sub-type 0x42"));
    FileTransferService lone(FileTransferRole::Requester, [](const Bytes&) {});
    lone.requestListing("/");
    QSignalSpy errors(&lone, &FileTransferService::fileError);
    lone.handleMessage(Bytes{8, 200, 0, 0, 0, 'x'}); // error text cut short
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "");
}

QString errorText(const Bytes& message) {
    if (message.size() < 5 || message[0] != 8) {
        return "<not an error>";
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(message.data() + 5),
                             static_cast<qsizetype>(message.size() - 5));
}

Bytes requestFor(std::uint8_t type, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray message(5, static_cast<char>(type));
    qToLittleEndian<quint32>(static_cast<quint32>(utf8.size()), message.data() + 1);
    message.append(utf8);
    return Bytes(message.begin(), message.end());
}

TEST_F(FileTransferTest, AnswersAreTakenOnlyForOpenRequestsAndOnlyOnce) {
    test::LogCapture log;
    QSignalSpy listed(&master, &FileTransferService::directoryListed);
    QSignalSpy downloaded(&master, &FileTransferService::fileDownloadComplete);
    QSignalSpy errors(&master, &FileTransferService::fileError);
    writeFile(path("served.txt"), "served");

    // Answers nobody asked for: a listing, a download, an error.
    Bytes listing = requestFor(2, "/");
    listing.insert(listing.end(), {0, 0, 0, 0});
    master.handleMessage(listing);
    master.handleMessage(Bytes{4, 0, 2, 0, 0, 0, 0, 0, 0, 0, 'h', 'i'});
    master.handleMessage(requestFor(8, "fake error"));
    EXPECT_EQ(listed.count(), 0);
    EXPECT_EQ(downloaded.count(), 0);
    EXPECT_EQ(errors.count(), 0);
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "FileTransfer: dropped a listing that answers no request of ours"));

    // A real request is answered once; the same answer again is dropped.
    master.requestListing(folder.path());
    ASSERT_EQ(listed.count(), 1);
    master.handleMessage(toMaster.back());
    EXPECT_EQ(listed.count(), 1);
    master.requestDownload(path("served.txt"), path("copy.txt"));
    ASSERT_EQ(downloaded.count(), 1);
    QFile::remove(path("copy.txt"));
    master.handleMessage(toMaster.back());
    EXPECT_EQ(downloaded.count(), 1);
    EXPECT_FALSE(QFile::exists(path("copy.txt")));

    // The Target's requests never reach the Target's serving half as answers either.
    QSignalSpy atTarget(&target, &FileTransferService::directoryListed);
    target.handleMessage(listing);
    EXPECT_EQ(atTarget.count(), 0);
}

TEST_F(FileTransferTest, OnlyRegularFilesAreServedAndWritten) {
    QSignalSpy errors(&master, &FileTransferService::fileError);
    // Devices read without end; their size reads as 0.
    for (const QString device : {"/dev/zero", "/dev/urandom"}) {
        if (!QFile::exists(device)) {
            continue;
        }
        master.requestDownload(device, path("device-copy"));
        ASSERT_FALSE(errors.isEmpty());
        EXPECT_EQ(errors.last().at(0).toString(), "Not a regular file: " + device);
    }
    // Opening a FIFO for reading blocks until a writer comes.
    ASSERT_EQ(mkfifo(path("pipe").toLocal8Bit().constData(), 0600), 0);
    master.requestDownload(path("pipe"), path("pipe-copy"));
    EXPECT_EQ(errors.last().at(0).toString(), "Not a regular file: " + path("pipe"));
    master.requestDownload(folder.path(), path("folder-copy"));
    EXPECT_EQ(errors.last().at(0).toString(), "Not a regular file: " + folder.path());
    EXPECT_FALSE(QFile::exists(path("device-copy")));

    // An upload onto a FIFO or a folder is refused, not written through.
    writeFile(path("upload.txt"), "data");
    master.uploadFile(path("upload.txt"), path("pipe"));
    EXPECT_EQ(errors.last().at(0).toString(), "Cannot write file: " + path("pipe"));
    QDir(folder.path()).mkdir("dir");
    master.uploadFile(path("upload.txt"), path("dir"));
    EXPECT_EQ(errors.last().at(0).toString(), "Cannot write file: " + path("dir"));
    EXPECT_EQ(errorText(toMaster.back()), "Cannot write file: " + path("dir"));
}

} // namespace
} // namespace nimbral
