// Streamed transfers between two file-transfer services wired back to back: sizes around the
// chunk, resume after a cut, damage, cancel, and what a hostile peer sends.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include "faulty_disk.h"
#include "file_service_link.h"
#include "log_capture.h"
#include "qstring_printer.h"
#include "session/file_transfer_service.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using test::Bytes;
using test::Link;
constexpr qint64 kChunk = FileTransferService::kStreamChunkBytes;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray fileBytes(qsizetype size, int variant = 7) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 31 + variant + (i >> 16));
    }
    return bytes;
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

quint64 u64At(const Bytes& message, std::size_t at) {
    return qFromLittleEndian<quint64>(message.data() + at);
}

class FileStreamTest : public ::testing::Test {
protected:
    QString remote(const QString& name) const { return remoteFolder.path() + "/" + name; }
    QString local(const QString& name) const { return localFolder.path() + "/" + name; }

    QTemporaryDir remoteFolder;
    QTemporaryDir localFolder;
};

TEST_F(FileStreamTest, BothEndsLearnOfStreamsWhicheverStartsFirstAndAnOldPeerGetsTheOldMessages) {
    Link link;
    link.cut = true; // the Target's service does not exist yet: the Master's hello is lost
    link.master.announceCapabilities();
    link.cut = false;
    link.target.announceCapabilities();
    EXPECT_TRUE(link.target.peerStreams());
    EXPECT_TRUE(link.master.peerStreams()) << "the Target's hello was answered";

    // A peer that never announces anything is served and asked in the old way.
    std::vector<Bytes> sent;
    FileTransferService master(FileTransferRole::Requester,
                               [&](const Bytes& m) { sent.push_back(m); });
    master.announceCapabilities();
    master.requestDownload("/remote/file", local("file"));
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1][0], 3) << "the whole-file download request";
}

TEST_F(FileStreamTest, FilesOfEverySizeTravelBothWaysAndArriveUnderTheirNameOnlyWhenVerified) {
    // Around the chunk, and beyond the old whole-file limit.
    for (const qint64 size : {qint64(0), qint64(1), kChunk, kChunk + 1,
                              FileTransferService::kMaxFileBytes + 3 * kChunk + 5}) {
        SCOPED_TRACE(size);
        Link link;
        link.greet();
        const QByteArray content = fileBytes(size);
        const QString name = QStringLiteral("file-%1.bin").arg(size);
        writeFile(remote(name), content);
        QSignalSpy downloaded(&link.master, &FileTransferService::fileDownloadComplete);
        QSignalSpy errors(&link.master, &FileTransferService::fileError);
        link.master.requestDownload(remote(name), local(name));
        ASSERT_WAIT(downloaded.count() == 1 || errors.count() > 0, 20000);
        ASSERT_EQ(errors.count(), 0) << errors.at(0).at(0).toString().toStdString();
        EXPECT_EQ(downloaded.at(0).at(0).toString(), local(name));
        EXPECT_TRUE(readAll(local(name)) == content);
        EXPECT_FALSE(QFile::exists(local(name) + FileTransferService::kPartialSuffix));
        EXPECT_EQ(link.count(true, 3), 0) << "no whole-file request";
        EXPECT_EQ(link.count(false, 12), (size + kChunk - 1) / kChunk);
        for (const Bytes& m : link.sentToMaster) {
            EXPECT_LE(static_cast<qint64>(m.size()), 1 + 4 + 8 + kChunk);
        }

        // And back, as an upload under another name.
        const QString back = QStringLiteral("back-%1.bin").arg(size);
        QSignalSpy uploaded(&link.master, &FileTransferService::fileUploadComplete);
        link.master.uploadFile(local(name), remote(back));
        ASSERT_WAIT(uploaded.count() == 1 || errors.count() > 0, 20000);
        ASSERT_EQ(errors.count(), 0) << errors.at(0).at(0).toString().toStdString();
        EXPECT_TRUE(readAll(remote(back)) == content);
        EXPECT_FALSE(QFile::exists(remote(back) + FileTransferService::kPartialSuffix));
        EXPECT_EQ(link.count(true, 5), 0) << "no whole-file upload";
        EXPECT_EQ(link.count(false, 17), 1) << "confirmed once checked";
    }
}

// Streamed requests carry their IDs: with nobody to serve as, each one's own failure answers it,
// so no transfer waits for ever.
TEST_F(FileStreamTest, WithNobodyToServeAsStreamedRequestsAreRefused) {
    Link link;
    link.target.setServingUser([] { return std::optional<platform::LocalUserId>(); });
    link.greet();
    writeFile(remote("there.bin"), fileBytes(3 * kChunk));
    writeFile(local("here.bin"), fileBytes(3 * kChunk));
    QSignalSpy errors(&link.master, &FileTransferService::fileError);
    link.master.requestDownload(remote("there.bin"), local("copy.bin"));
    ASSERT_WAIT(errors.count() == 1, 5000);
    link.master.uploadFile(local("here.bin"), remote("copy.bin"));
    ASSERT_WAIT(errors.count() == 2, 5000);
    link.master.requestFolderTree(remoteFolder.path());
    ASSERT_WAIT(errors.count() == 3, 5000);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(errors.at(i).at(0).toString().contains("nobody is logged in")) << i;
    }
    EXPECT_FALSE(QFile::exists(remote("copy.bin")));
    EXPECT_FALSE(QFile::exists(remote("copy.bin") + FileTransferService::kPartialSuffix));
    EXPECT_EQ(link.count(false, 12), 0) << "not a byte of a file";
}

TEST_F(FileStreamTest, ACutDownloadResumesFromWhatArrivedInTheNextSession) {
    const QByteArray content = fileBytes(40 * kChunk + 123);
    writeFile(remote("big.bin"), content);
    {
        Link first;
        first.greet();
        first.cutAfter = std::make_pair(std::uint8_t(12), 17);
        first.master.requestDownload(remote("big.bin"), local("big.bin"));
        ASSERT_WAIT(first.cut, 10000);
        QTest::qWait(20);
    } // the session ends with the link
    ASSERT_EQ(QFileInfo(local("big.bin") + FileTransferService::kPartialSuffix).size(),
              17 * kChunk);
    EXPECT_FALSE(QFile::exists(local("big.bin")));

    Link second;
    second.greet();
    QSignalSpy downloaded(&second.master, &FileTransferService::fileDownloadComplete);
    second.master.requestDownload(remote("big.bin"), local("big.bin"));
    ASSERT_WAIT(downloaded.count() == 1, 10000);
    EXPECT_TRUE(readAll(local("big.bin")) == content);
    const Bytes* get = second.first(true, 10);
    ASSERT_NE(get, nullptr);
    EXPECT_EQ(u64At(*get, 5), quint64(17 * kChunk)) << "asked from where the part ends";
    const Bytes* answer = second.first(false, 11);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(u64At(*answer, 13), quint64(17 * kChunk)) << "and the Target agreed";
    EXPECT_EQ(second.count(false, 12), 24) << "only the rest travelled";
}

TEST_F(FileStreamTest, APartOfAnotherFileIsNotResumed) {
    writeFile(local("doc.bin") + FileTransferService::kPartialSuffix, fileBytes(3 * kChunk, 99));
    const QByteArray content = fileBytes(5 * kChunk);
    writeFile(remote("doc.bin"), content);
    Link link;
    link.greet();
    QSignalSpy downloaded(&link.master, &FileTransferService::fileDownloadComplete);
    link.master.requestDownload(remote("doc.bin"), local("doc.bin"));
    ASSERT_WAIT(downloaded.count() == 1, 10000);
    EXPECT_TRUE(readAll(local("doc.bin")) == content);
    EXPECT_EQ(u64At(*link.first(false, 11), 13), 0u) << "the checksums differed: from byte 0";
}

TEST_F(FileStreamTest, ACutUploadResumesAndAStaleTargetPartStartsOver) {
    const QByteArray content = fileBytes(30 * kChunk + 9);
    writeFile(local("up.bin"), content);
    {
        Link first;
        first.greet();
        first.cutAfter = std::make_pair(std::uint8_t(12), 11);
        first.master.uploadFile(local("up.bin"), remote("up.bin"));
        ASSERT_WAIT(first.cut, 10000);
        QTest::qWait(20);
    }
    ASSERT_EQ(QFileInfo(remote("up.bin") + FileTransferService::kPartialSuffix).size(),
              11 * kChunk);
    Link second;
    second.greet();
    QSignalSpy uploaded(&second.master, &FileTransferService::fileUploadComplete);
    second.master.uploadFile(local("up.bin"), remote("up.bin"));
    ASSERT_WAIT(uploaded.count() == 1, 10000);
    EXPECT_TRUE(readAll(remote("up.bin")) == content);
    EXPECT_EQ(second.count(true, 12), 20) << "only the rest travelled";

    // The same name with other content: the Target's part is not of this file.
    writeFile(remote("up2.bin") + FileTransferService::kPartialSuffix, fileBytes(4 * kChunk, 3));
    QSignalSpy again(&second.master, &FileTransferService::fileUploadComplete);
    second.master.uploadFile(local("up.bin"), remote("up2.bin"));
    ASSERT_WAIT(again.count() == 1, 10000);
    EXPECT_TRUE(readAll(remote("up2.bin")) == content);
}

TEST_F(FileStreamTest, ADamagedChunkIsCaughtAndNothingIsSaved) {
    writeFile(remote("v.bin"), fileBytes(6 * kChunk));
    Link link;
    link.greet();
    int seen = 0;
    link.tamper = [&seen](Bytes& m) {
        if (m[0] == 12 && ++seen == 3) {
            m[100] ^= 0x01;
        }
    };
    QSignalSpy errors(&link.master, &FileTransferService::fileError);
    link.master.requestDownload(remote("v.bin"), local("v.bin"));
    ASSERT_WAIT(errors.count() == 1, 10000);
    EXPECT_EQ(errors.at(0).at(0).toString(),
              "Transfer corrupted, checksum mismatch: " + remote("v.bin"));
    EXPECT_FALSE(QFile::exists(local("v.bin")));
    EXPECT_FALSE(QFile::exists(local("v.bin") + FileTransferService::kPartialSuffix))
        << "a damaged part is not resumed";
}

TEST_F(FileStreamTest, ACancelStopsBothEndsAndKeepsThePart) {
    writeFile(remote("c.bin"), fileBytes(200 * kChunk));
    Link link;
    link.greet();
    QSignalSpy progress(&link.master, &FileTransferService::fileDownloadProgress);
    QSignalSpy errors(&link.master, &FileTransferService::fileError);
    link.master.requestDownload(remote("c.bin"), local("c.bin"));
    ASSERT_WAIT(progress.count() >= 20, 10000);
    link.master.cancelTransfer();
    EXPECT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Transfer cancelled");
    EXPECT_FALSE(link.target.isStreaming());
    EXPECT_FALSE(link.master.isStreaming());
    const int sent = link.count(false, 12);
    QTest::qWait(50);
    EXPECT_EQ(link.count(false, 12), sent) << "the Target stopped sending";
    EXPECT_GT(QFileInfo(local("c.bin") + FileTransferService::kPartialSuffix).size(), 0);
}

TEST_F(FileStreamTest, TheSenderKeepsAtMostAWindowUnwrittenAndTheReceiverAcksAsItWrites) {
    constexpr qint64 kWindow = FileTransferService::kStreamWindowBytes;
    constexpr qint64 kAckEvery = FileTransferService::kStreamAckEveryBytes;
    writeFile(remote("w.bin"), fileBytes(kWindow + kAckEvery + 6 * kChunk));
    Link link;
    link.greet();
    link.dropType = 21; // the receiver's acks are lost
    QSignalSpy downloaded(&link.master, &FileTransferService::fileDownloadComplete);
    link.master.requestDownload(remote("w.bin"), local("w.bin"));
    ASSERT_WAIT(link.count(false, 12) == kWindow / kChunk, 10000);
    QTest::qWait(50);
    EXPECT_EQ(link.count(false, 12), kWindow / kChunk) << "nothing beyond the window";
    EXPECT_EQ(link.count(true, 21), 0);

    // An ack claiming more than was sent opens no more than the window past what was sent.
    const auto ack = [](quint64 written) {
        Bytes message{21, 1, 0, 0, 0};
        message.resize(13);
        qToLittleEndian(written, message.data() + 5);
        return message;
    };
    link.target.handleMessage(ack(kAckEvery));
    ASSERT_WAIT(link.count(false, 12) == (kWindow + kAckEvery) / kChunk, 5000);
    QTest::qWait(50);
    EXPECT_EQ(link.count(false, 12), (kWindow + kAckEvery) / kChunk);
    EXPECT_EQ(downloaded.count(), 0);
    link.dropType.reset();
    link.target.handleMessage(ack(quint64(1) << 62));
    ASSERT_WAIT(downloaded.count() == 1, 10000);
    EXPECT_TRUE(readAll(local("w.bin")) == readAll(remote("w.bin")));
    EXPECT_EQ(link.count(true, 21), 0) << "the acks between were lost; the rest needs none";

    // An ack for a transfer that has ended.
    test::LogCapture log;
    link.master.handleMessage(ack(5));
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "FileTransfer: dropped an acknowledgement of no transfer of ours"));
}

TEST_F(FileStreamTest, WhatAHostilePeerSendsIsDroppedOrEndsTheTransfer) {
    test::LogCapture log;
    Link link;
    link.greet();
    // The Master serves nothing: a get or put sent to it is dropped.
    Bytes get = {10, 1, 0, 0, 0};
    get.resize(get.size() + 8 + 32 + 4, 0);
    link.master.handleMessage(get);
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "FileTransfer: dropped a download request from the peer: only the Target "
                        "serves files"));
    // Data and ends of no transfer of ours.
    link.master.handleMessage(Bytes{12, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'x'});
    EXPECT_TRUE(log.has(spdlog::level::warn, "FileTransfer: dropped data of no transfer of ours"));
    EXPECT_TRUE(link.sentToTarget.size() == 2u) << "nothing said back (only the hellos)";

    // Data beyond the announced size ends the transfer, and the Target hears why.
    writeFile(remote("small.bin"), fileBytes(10));
    link.tamper = [](Bytes& m) {
        if (m[0] == 11) {
            m[5] = 5; // the answer now says 5 bytes, the data brings 10
            for (int i = 6; i < 13; ++i) {
                m[i] = 0;
            }
        }
    };
    QSignalSpy errors(&link.master, &FileTransferService::fileError);
    link.master.requestDownload(remote("small.bin"), local("small.bin"));
    ASSERT_WAIT(errors.count() == 1, 5000);
    EXPECT_EQ(link.count(true, 14), 1);
    EXPECT_FALSE(QFile::exists(local("small.bin")));
    EXPECT_FALSE(link.master.isStreaming());

    // An upload may not name a folder or a path whose folder is missing.
    link.tamper = nullptr;
    writeFile(local("x.bin"), fileBytes(3));
    QSignalSpy refused(&link.master, &FileTransferService::fileError);
    link.master.uploadFile(local("x.bin"), remoteFolder.path());
    ASSERT_EQ(refused.count(), 1);
    EXPECT_EQ(refused.at(0).at(0).toString(), "Cannot write file: " + remoteFolder.path());
    link.master.uploadFile(local("x.bin"), remote("missing/x.bin"));
    ASSERT_EQ(refused.count(), 2);

    // A folder entry carries no data: an answer asking for it sends none (and reads no file).
    link.cut = true;
    link.master.uploadIntoFolder(QString(), remoteFolder.path(), QStringLiteral("made"), true);
    ASSERT_TRUE(link.master.isStreaming());
    Bytes answer = {16, 0, 0, 0, 0};
    qToLittleEndian<quint32>(4, answer.data() + 1); // the Master's fourth stream
    answer.resize(answer.size() + 8 + 32, 0);
    link.master.handleMessage(answer);
    EXPECT_TRUE(log.hasPrefix(spdlog::level::info, "FileTransfer: sent '"));
}

// ------------------------------------------------------------------ a disk that fails

// The service owns its disk; the test keeps a pointer to say where it fails.
test::FaultyDisk& giveFaultyDisk(FileTransferService& service) {
    auto disk = std::make_unique<test::FaultyDisk>();
    test::FaultyDisk& kept = *disk;
    service.setFileOperations(std::move(disk));
    return kept;
}

TEST_F(FileStreamTest, AFullDiskStopsADownloadAtBothEndsAndNothingIsNamedAsDone) {
    Link link;
    link.greet();
    giveFaultyDisk(link.master).writableBytes = kChunk + 100;
    writeFile(remote("big.bin"), fileBytes(3 * kChunk));
    QSignalSpy errors(&link.master, &FileTransferService::fileError);
    QSignalSpy done(&link.master, &FileTransferService::fileDownloadComplete);
    link.master.requestDownload(remote("big.bin"), local("big.bin"));
    ASSERT_WAIT(errors.count() == 1, 5000);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Cannot write to local file: " + local("big.bin"));
    EXPECT_EQ(done.count(), 0);
    EXPECT_FALSE(QFile::exists(local("big.bin")));
    EXPECT_FALSE(link.master.isStreaming());
    EXPECT_FALSE(link.target.isStreaming()) << "the Target heard and stopped sending";
    const Bytes* failure = link.first(true, 14);
    ASSERT_NE(failure, nullptr);
    EXPECT_NE(std::string(failure->begin(), failure->end()).find("Cannot write file: "),
              std::string::npos);
}

TEST_F(FileStreamTest, WhatTheDiskRefusesEndsEachTransferWithItsOwnMessage) {
    Link link;
    link.greet();
    test::FaultyDisk& targetDisk = giveFaultyDisk(link.target);
    test::FaultyDisk& masterDisk = giveFaultyDisk(link.master);
    QSignalSpy errors(&link.master, &FileTransferService::fileError);
    const auto lastError = [&errors] {
        return errors.last().at(0).toString();
    };

    // The Target cannot open the file asked for.
    writeFile(remote("locked.bin"), fileBytes(10));
    targetDisk.unopenable.insert(remote("locked.bin"));
    link.master.requestDownload(remote("locked.bin"), local("locked.bin"));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(lastError(), "Cannot open file: " + remote("locked.bin"));

    // The Master cannot open the file it was told to upload.
    writeFile(local("mine.bin"), fileBytes(10));
    masterDisk.unopenable.insert(local("mine.bin"));
    link.master.uploadFile(local("mine.bin"), remote("mine.bin"));
    ASSERT_EQ(errors.count(), 2);
    EXPECT_EQ(lastError(), "Cannot open local file: " + local("mine.bin"));
    masterDisk.unopenable.clear();

    // A verified download that cannot take its name: an error, and no file under it.
    masterDisk.renameFails = true;
    writeFile(remote("named.bin"), fileBytes(kChunk + 1));
    QSignalSpy done(&link.master, &FileTransferService::fileDownloadComplete);
    link.master.requestDownload(remote("named.bin"), local("named.bin"));
    ASSERT_WAIT(errors.count() == 3, 5000);
    EXPECT_EQ(lastError(), "Cannot write to local file: " + local("named.bin"));
    EXPECT_EQ(done.count(), 0);
    EXPECT_FALSE(QFile::exists(local("named.bin")));

    // An upload into a folder the Target cannot make.
    targetDisk.makePathFails = true;
    link.master.uploadIntoFolder(local("mine.bin"), remoteFolder.path(),
                                 QStringLiteral("new/mine.bin"), false);
    ASSERT_EQ(errors.count(), 4);
    EXPECT_EQ(lastError(), "Cannot create folder: " + remote("new"));
    EXPECT_FALSE(link.master.isStreaming());

    // A folder with more entries than a tree may carry.
    targetDisk.treeLimit = 1;
    ASSERT_TRUE(QDir(remoteFolder.path()).mkpath(QStringLiteral("wide/a")));
    ASSERT_TRUE(QDir(remoteFolder.path()).mkpath(QStringLiteral("wide/b")));
    QSignalSpy listed(&link.master, &FileTransferService::folderTreeListed);
    link.master.requestFolderTree(remote("wide"));
    ASSERT_EQ(errors.count(), 5);
    EXPECT_EQ(lastError(), "Folder too large: " + remote("wide"));
    EXPECT_EQ(listed.count(), 0);
    EXPECT_FALSE(link.master.isStreaming());
}

TEST_F(FileStreamTest, AnOldPeersWholeFileThatCannotBeWrittenIsAnErrorNotADownload) {
    // Without the hellos both ends speak the whole-file messages.
    Link link;
    giveFaultyDisk(link.master).writableBytes = 5;
    writeFile(remote("old.bin"), fileBytes(10));
    QSignalSpy errors(&link.master, &FileTransferService::fileError);
    QSignalSpy done(&link.master, &FileTransferService::fileDownloadComplete);
    link.master.requestDownload(remote("old.bin"), local("old.bin"));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Cannot write to local file: " + local("old.bin"));
    EXPECT_EQ(done.count(), 0);

    // And at the Target, an upload it cannot write is refused, not logged as received.
    test::LogCapture log;
    giveFaultyDisk(link.target).writableBytes = 5;
    writeFile(local("up.bin"), fileBytes(10));
    link.master.uploadFile(local("up.bin"), remote("up.bin"));
    EXPECT_EQ(errors.count(), 2);
    EXPECT_EQ(errors.last().at(0).toString(), "Cannot write file: " + remote("up.bin"));
    EXPECT_FALSE(log.hasPrefix(spdlog::level::info, "FileTransfer: received upload"));
}

// ------------------------------------------------------------------ folders

TEST(FolderNames, OnlyNamesThatStayBelowTheirFolderPass) {
    for (const char* safe : {"a", "a/b.txt", "sub/dir/file", ".hidden", "a..b", "..a/b", "x y"}) {
        EXPECT_TRUE(FileTransferService::isSafeRelativePath(safe)) << safe;
    }
    for (const char* unsafe : {"", "/etc/passwd", "..", "../x", "a/../../x", "a/..", "./a", "a//b",
                               "a/", "a\\..\\..\\x", "..\\x"}) {
        EXPECT_FALSE(FileTransferService::isSafeRelativePath(unsafe)) << unsafe;
    }
    EXPECT_FALSE(FileTransferService::isSafeRelativePath(QStringLiteral("a") + QChar(0) + "b"));
    EXPECT_FALSE(FileTransferService::isSafeRelativePath(QString(5000, 'a')));
}

class FolderTest : public FileStreamTest {
protected:
    // top/a.txt, top/.hidden, top/empty/, top/sub/b.bin (two chunks and a bit), top/sub/deep/c,
    // and two links that must not be followed or listed.
    void makeTree(const QString& top) {
        ASSERT_TRUE(QDir().mkpath(top + "/empty"));
        ASSERT_TRUE(QDir().mkpath(top + "/sub/deep"));
        writeFile(top + "/a.txt", "alpha\n");
        writeFile(top + "/.hidden", "h");
        writeFile(top + "/sub/b.bin", fileBytes(2 * kChunk + 17));
        writeFile(top + "/sub/deep/c", QByteArray());
        ASSERT_TRUE(QFile::link(outside.path(), top + "/outside-link"));
        ASSERT_TRUE(QFile::link(top + "/a.txt", top + "/file-link"));
    }
    static QStringList treeOf(const QString& folder) {
        QStringList names;
        QDirIterator walk(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                          QDirIterator::Subdirectories);
        while (walk.hasNext()) {
            walk.next();
            const QString name = QDir(folder).relativeFilePath(walk.filePath());
            names << (walk.fileInfo().isDir()
                          ? name + "/"
                          : name + ":" + readAll(walk.filePath()).toHex().left(16));
        }
        names.sort();
        return names;
    }
    QTemporaryDir outside;
};

TEST_F(FolderTest, ATreeIsListedWithRelativeNamesFoldersFirstAndNoLinks) {
    makeTree(remote("top"));
    Link link;
    link.greet();
    EXPECT_TRUE(link.master.peerTransfersFolders());
    QSignalSpy listed(&link.master, &FileTransferService::folderTreeListed);
    link.master.requestFolderTree(remote("top"));
    ASSERT_EQ(listed.count(), 1);
    EXPECT_EQ(listed.at(0).at(0).toString(), remote("top"));
    QStringList names;
    QStringList order;
    for (const FileEntry& entry : listed.at(0).at(1).value<QList<FileEntry>>()) {
        names << entry.name + (entry.isDir ? "/" : ":" + QString::number(entry.size));
        order << entry.name;
    }
    const QStringList sorted = [&] {
        QStringList copy = names;
        copy.sort();
        return copy;
    }();
    EXPECT_EQ(sorted, (QStringList{".hidden:1", "a.txt:6", "empty/", "sub/",
                                   "sub/b.bin:" + QString::number(2 * kChunk + 17), "sub/deep/",
                                   "sub/deep/c:0"}));
    EXPECT_LT(order.indexOf("sub"), order.indexOf("sub/b.bin")) << "a folder before its files";

    // A folder that is not there, and a late or unasked tree.
    QSignalSpy errors(&link.master, &FileTransferService::fileError);
    link.master.requestFolderTree(remote("nowhere"));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Directory does not exist: " + remote("nowhere"));
    test::LogCapture log;
    link.master.handleMessage(Bytes{19, 77, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "FileTransfer: dropped a folder tree that answers no request of ours"));
    EXPECT_EQ(listed.count(), 1);
}

TEST_F(FolderTest, AFolderUploadCreatesItsTreeBelowTheChosenFolder) {
    makeTree(local("top"));
    QDir(local("top")).remove("outside-link");
    QDir(local("top")).remove("file-link");
    Link link;
    link.greet();
    QSignalSpy uploaded(&link.master, &FileTransferService::fileUploadComplete);
    QSignalSpy errors(&link.master, &FileTransferService::fileError);
    const QList<std::pair<QString, bool>> entries = {
        {"top", true},
        {"top/empty", true},
        {"top/a.txt", false},
        {"top/.hidden", false},
        {"top/sub/b.bin", false}, // its folders are created on the way
        {"top/sub/deep/c", false}};
    for (const auto& [relative, isFolder] : entries) {
        link.master.uploadIntoFolder(local(relative), remoteFolder.path(), relative, isFolder);
        ASSERT_WAIT(uploaded.count() + errors.count() > 0, 10000) << relative.toStdString();
        ASSERT_EQ(errors.count(), 0) << errors.at(0).at(0).toString().toStdString();
        uploaded.clear();
    }
    EXPECT_EQ(treeOf(remote("top")), treeOf(local("top")));
    EXPECT_EQ(link.count(true, 15), 0) << "entries, not plain puts";
    EXPECT_EQ(link.count(true, 20), entries.size());
}

TEST_F(FolderTest, HostileNamesAreRefusedAtTheTargetAndAtTheMaster) {
    test::LogCapture log;
    Link link;
    link.greet();
    writeFile(local("x.bin"), "payload");
    // The Target: names that climb out, absolute names, and a path through a link that leads
    // out of the folder; nothing is written anywhere.
    ASSERT_TRUE(QDir().mkpath(remote("dest")));
    ASSERT_TRUE(QFile::link(outside.path(), remote("dest/escape")));
    QSignalSpy errors(&link.master, &FileTransferService::fileError);
    for (const QString& name :
         {QStringLiteral("../x.bin"), QStringLiteral("a/../../x.bin"), QStringLiteral("/tmp/x.bin"),
          QStringLiteral("..\\x.bin"), QStringLiteral("escape/x.bin")}) {
        link.master.uploadIntoFolder(local("x.bin"), remote("dest"), name, false);
        ASSERT_EQ(errors.count(), 1) << name.toStdString();
        EXPECT_EQ(errors.at(0).at(0).toString(), "Unsafe name refused: " + name);
        errors.clear();
    }
    link.master.uploadIntoFolder(local("x.bin"), remote("dest"), "../made", true);
    EXPECT_EQ(errors.count(), 1);
    errors.clear();
    EXPECT_FALSE(QFile::exists(remote("x.bin")));
    EXPECT_FALSE(QFile::exists(remote("made")));
    EXPECT_TRUE(QDir(outside.path()).isEmpty());
    EXPECT_EQ(
        QDir(remote("dest")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
        QStringList{"escape"});
    EXPECT_TRUE(log.hasPrefix(spdlog::level::warn, "FileTransfer: refusing '../x.bin' below '"));

    // The Master: a tree from a hostile Target naming a way out is refused whole.
    link.tamper = [](Bytes& m) {
        if (m[0] == 19) {
            const std::string name = "../../.bashrc";
            m.resize(5);
            const Bytes tail = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            m.insert(m.end(), tail.begin(), tail.end()); // count 1, a file of 0 bytes
            m.push_back(static_cast<std::uint8_t>(name.size()));
            m.insert(m.end(), {0, 0, 0});
            m.insert(m.end(), name.begin(), name.end());
        }
    };
    QSignalSpy listed(&link.master, &FileTransferService::folderTreeListed);
    link.master.requestFolderTree(remote("dest"));
    EXPECT_EQ(listed.count(), 0);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Refused an unsafe name in the folder: ../../.bashrc");

    // A Target that only knows files announces no folders.
    std::vector<Bytes> sent;
    FileTransferService master(FileTransferRole::Requester,
                               [&](const Bytes& m) { sent.push_back(m); });
    master.handleMessage(Bytes{9, 1, 0, 0, 0, 1});
    EXPECT_TRUE(master.peerStreams());
    EXPECT_FALSE(master.peerTransfersFolders());
}

TEST(FolderNames, ResolvingBelowAFolderRefusesLinksOnTheWay) {
    QTemporaryDir folder;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir().mkpath(folder.path() + "/real"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder.path() + "/link"));
    const QString base = QFileInfo(folder.path()).canonicalFilePath();
    EXPECT_EQ(FileTransferService::resolveInside(folder.path(), "real/new/file"),
              base + "/real/new/file");
    EXPECT_EQ(FileTransferService::resolveInside(folder.path(), "link/file"), "");
    EXPECT_EQ(FileTransferService::resolveInside(folder.path(), "link"), "");
    EXPECT_EQ(FileTransferService::resolveInside(folder.path() + "/missing", "a"), "");
    EXPECT_EQ(FileTransferService::resolveInside(folder.path(), "../x"), "");
}

} // namespace
} // namespace nimbral
