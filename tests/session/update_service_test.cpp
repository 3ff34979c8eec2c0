#include "session/update_service.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <archive.h>
#include <archive_entry.h>
#include <openssl/evp.h>

#include <gtest/gtest.h>

#include "http_recorder.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using test::HttpRecorder;

// A zip with the given entries, written by libarchive as a release build would.
QByteArray makeZip(const QString& folder,
                   const std::vector<std::pair<QByteArray, QByteArray>>& entries) {
    const QString path = folder + "/made.zip";
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    EXPECT_EQ(archive_write_open_filename(writer, QFile::encodeName(path).constData()), ARCHIVE_OK);
    for (const auto& [name, content] : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, content.size());
        EXPECT_EQ(archive_write_header(writer, entry), ARCHIVE_OK) << name.constData();
        EXPECT_EQ(archive_write_data(writer, content.constData(), content.size()), content.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    QFile::remove(path);
    return bytes;
}

// An Ed25519 key pair made for the test, standing in for the release key.
class ReleaseKey {
public:
    ReleaseKey()
        : m_key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519")) {}
    ~ReleaseKey() { EVP_PKEY_free(m_key); }
    ReleaseKey(const ReleaseKey&) = delete;
    ReleaseKey& operator=(const ReleaseKey&) = delete;

    QByteArray publicKey() const {
        QByteArray raw(32, '\0');
        size_t length = 32;
        EVP_PKEY_get_raw_public_key(m_key, reinterpret_cast<unsigned char*>(raw.data()), &length);
        return raw;
    }
    // The signature file's content: base64 of the signature over the exact bytes.
    QByteArray sign(const QByteArray& message) const {
        QByteArray signature(64, '\0');
        size_t length = 64;
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        EVP_DigestSignInit(context, nullptr, nullptr, nullptr, m_key);
        EVP_DigestSign(context, reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       static_cast<size_t>(message.size()));
        EVP_MD_CTX_free(context);
        return signature.toBase64() + "\n";
    }

private:
    EVP_PKEY* m_key;
};

QByteArray randomBytes(int size) {
    QByteArray bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    }
    return bytes;
}

TEST(UpdateVersions, ComparePartByPartAsNumbers) {
    EXPECT_TRUE(UpdateService::isNewerVersion("1.10.0", "1.9.5"));
    EXPECT_FALSE(UpdateService::isNewerVersion("1.9.5", "1.10.0"));
    EXPECT_FALSE(UpdateService::isNewerVersion("1.2", "1.2.0"));
    EXPECT_FALSE(UpdateService::isNewerVersion("1.2.0", "1.2"));
    EXPECT_FALSE(UpdateService::isNewerVersion("2.0.0-beta", "2.0.0")) << "'0-beta' counts as 0";
    EXPECT_FALSE(UpdateService::isNewerVersion("2.0.1-beta", "2.0.0"))
        << "a part that is not wholly a number counts as 0";
    EXPECT_TRUE(UpdateService::isNewerVersion("1.0.0.1", "1.0"));
    EXPECT_FALSE(UpdateService::isNewerVersion("", "1.0"));
    EXPECT_EQ(UpdateService::manifestUrlFor(QUrl("https://nimbral.net")).toString(),
              "https://nimbral.net/download/NimbralSetup.json");
}

TEST(UpdateVersions, DownloadsOnlyOverHttpsOrFromThisMachine) {
    EXPECT_TRUE(UpdateService::isAcceptableDownloadUrl(QUrl("https://nimbral.net/a.zip")));
    EXPECT_TRUE(UpdateService::isAcceptableDownloadUrl(QUrl("http://127.0.0.1:8080/a.zip")));
    EXPECT_TRUE(UpdateService::isAcceptableDownloadUrl(QUrl("http://[::1]/a.zip")));
    EXPECT_TRUE(UpdateService::isAcceptableDownloadUrl(QUrl("http://localhost/a.zip")));
    EXPECT_FALSE(UpdateService::isAcceptableDownloadUrl(QUrl("http://nimbral.net/a.zip")));
    EXPECT_FALSE(UpdateService::isAcceptableDownloadUrl(QUrl("http://10.0.0.1/a.zip")));
    EXPECT_FALSE(UpdateService::isAcceptableDownloadUrl(QUrl("ftp://127.0.0.1/a.zip")));
    EXPECT_FALSE(UpdateService::isAcceptableDownloadUrl(QUrl("file:///tmp/a.zip")));
    EXPECT_FALSE(UpdateService::isAcceptableDownloadUrl(QUrl("https:///a.zip")));
}

class UpdateServiceTest : public ::testing::Test {
protected:
    UpdateServiceTest()
        : updates(QUrl(server.url() + "/download/NimbralSetup.json"), "1.4.2", key.publicKey()) {
        updates.setTemporaryRoot(temporary.path());
    }

    // One check against the given manifest, signed with the release key unless a signature
    // file is given; true when it was announced.
    bool check(const QByteArray& manifest, const std::optional<QByteArray>& signature = {}) {
        QSignalSpy announced(&updates, &UpdateService::updateAvailable);
        const std::size_t before = server.requests().size();
        server.enqueueReplyFor("/download/NimbralSetup.json", 200, manifest);
        server.enqueueReplyFor("/download/NimbralSetup.json.sig", 200,
                               signature.value_or(key.sign(manifest)));
        updates.checkForUpdates();
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.requests().size() >= before + 2; }, 5000))
            << "the manifest and then its signature";
        // Whatever the answer, it is handled on the next turns of the loop.
        QTest::qWait(100);
        return announced.count() > 0;
    }

    QByteArray manifestFor(const QByteArray& package, bool withChecksum = true) {
        QByteArray json = "{\"version\":\"1.5.0\",\"download_url\":\"" + server.url().toUtf8() +
                          "/download/NimbralSetup.zip\",\"release_notes\":\"Faster\"";
        if (withChecksum) {
            json += ",\"sha256\":\"" +
                    QCryptographicHash::hash(package, QCryptographicHash::Sha256).toHex() + "\"";
        }
        return json + "}";
    }

    // Downloads the package the server hands out; the installer path or the error.
    std::pair<QString, QString> download(const QByteArray& package, const QUrl& url = {}) {
        QSignalSpy ready(&updates, &UpdateService::readyToInstall);
        QSignalSpy failed(&updates, &UpdateService::updateError);
        server.enqueueReplyFor("/download/NimbralSetup.zip", 200, package);
        updates.downloadUpdate(url.isEmpty() ? QUrl(server.url() + "/download/NimbralSetup.zip")
                                             : url);
        EXPECT_TRUE(QTest::qWaitFor([&] { return ready.count() + failed.count() > 0; }, 10000));
        return {ready.isEmpty() ? QString() : ready.at(0).at(0).toString(),
                failed.isEmpty() ? QString() : failed.at(0).at(0).toString()};
    }

    ReleaseKey key;
    HttpRecorder server;
    QTemporaryDir temporary;
    UpdateService updates;
};

TEST_F(UpdateServiceTest, AnnouncesOnlyANewerVersion) {
    QSignalSpy announced(&updates, &UpdateService::updateAvailable);
    const std::string sha = std::string(64, 'a');
    EXPECT_TRUE(check(QByteArray::fromStdString(
        R"({"version":"1.10.0","download_url":"https://x/y.zip","release_notes":"n","sha256":")" +
        sha + "\"}")));
    ASSERT_EQ(announced.count(), 1);
    EXPECT_EQ(announced.at(0).at(0).toString(), "1.10.0");
    EXPECT_EQ(updates.latestVersion(), "1.10.0");
    EXPECT_EQ(updates.downloadUrl(), QUrl("https://x/y.zip"));
    EXPECT_EQ(updates.releaseNotes(), "n");
    EXPECT_EQ(server.requests().back().method, "GET");
    EXPECT_EQ(server.requests().back().path, "/download/NimbralSetup.json.sig");

    const auto withSha = [&sha](const std::string& fields) {
        return QByteArray::fromStdString("{" + fields + R"(,"sha256":")" + sha + "\"}");
    };
    EXPECT_FALSE(check(withSha(R"("version":"1.4.2")"))) << "the same version";
    EXPECT_FALSE(check(withSha(R"("version":"1.4")")));
    EXPECT_FALSE(check(withSha(R"("download_url":"https://x/y.zip")")))
        << "no version, nothing to say";
    EXPECT_FALSE(check("not json"));
    EXPECT_FALSE(check("[1,2]"));
    EXPECT_FALSE(check(withSha(R"("version":7)"))) << "a number is not a version text";
}

// Whoever controls the web host, or the network on the way, cannot make the user install a
// package: only a manifest signed with the release key, naming the package's checksum, counts.
TEST_F(UpdateServiceTest, TrustsOnlyAManifestSignedWithTheReleaseKey) {
    const QByteArray package = makeZip(temporary.path(), {{"NimbralSetup.deb", randomBytes(4096)}});
    const QByteArray manifest = manifestFor(package);
    ReleaseKey stranger;
    QByteArray tampered = manifest;
    tampered.replace("1.5.0", "1.6.0");
    EXPECT_FALSE(check(manifest, stranger.sign(manifest))) << "another key";
    EXPECT_FALSE(check(tampered, key.sign(manifest))) << "bytes the signature is not over";
    EXPECT_FALSE(check(manifest, QByteArray("not base64 at all"))) << "no signature";
    EXPECT_FALSE(check(manifest, key.sign(manifest).left(40))) << "a cut signature";
    EXPECT_FALSE(check(manifestFor(package, false))) << "signed, but names no checksum";
    EXPECT_EQ(download(package).second,
              "The update is not from a verified release — update aborted.");
    ASSERT_TRUE(check(manifest));
    EXPECT_TRUE(download(package).second.isEmpty());

    // Without a release key built in, or with a manifest address that is plain http elsewhere,
    // nothing is even fetched.
    for (const auto& [url, releaseKey] :
         {std::pair{QUrl(server.url() + "/download/NimbralSetup.json"), QByteArray()},
          std::pair{QUrl("http://192.0.2.1/download/NimbralSetup.json"), key.publicKey()}}) {
        UpdateService unchecked(url, "1.4.2", releaseKey);
        const std::size_t before = server.requests().size();
        unchecked.checkForUpdates();
        QTest::qWait(100);
        EXPECT_EQ(server.requests().size(), before) << url.toString().toStdString();
    }
}

TEST_F(UpdateServiceTest, AFailedCheckSaysNothing) {
    server.enqueueReplyFor("/download/NimbralSetup.json", 500, "{}");
    QSignalSpy announced(&updates, &UpdateService::updateAvailable);
    QSignalSpy failed(&updates, &UpdateService::updateError);
    updates.checkForUpdates();
    ASSERT_WAIT(!server.requests().empty(), 5000);
    QTest::qWait(100);
    EXPECT_EQ(announced.count() + failed.count(), 0);
}

TEST_F(UpdateServiceTest, DownloadsChecksAndUnpacksTheInstaller) {
    const QByteArray installer = randomBytes(8192);
    const QByteArray package =
        makeZip(temporary.path(), {{"NimbralSetup.deb", installer}, {"README.txt", "notes"}});
    ASSERT_TRUE(check(manifestFor(package)));
    QSignalSpy progress(&updates, &UpdateService::downloadProgress);
    const auto [path, error] = download(package);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(path.endsWith("/NimbralSetup.deb"));
    EXPECT_TRUE(path.startsWith(temporary.path() + "/nimbral-update-")) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), installer);
    EXPECT_EQ(
        QFileInfo(QFileInfo(path).path()).permissions() & (QFile::ReadOther | QFile::WriteOther), 0)
        << "the folder is private";
    ASSERT_GT(progress.count(), 0);
    EXPECT_EQ(progress.last().at(0).toInt(), 100);
}

TEST_F(UpdateServiceTest, RefusesWhatIsNotOurPackage) {
    // A checksum that does not match.
    const QByteArray good = makeZip(temporary.path(), {{"NimbralSetup.deb", randomBytes(4096)}});
    ASSERT_TRUE(check(manifestFor(good)));
    // Too small to be a package.
    EXPECT_EQ(download(randomBytes(500)).second, "Downloaded file is too small — update aborted.");
    QByteArray tampered = good;
    tampered[tampered.size() / 2] = char(tampered[tampered.size() / 2] ^ 0x01);
    EXPECT_EQ(download(tampered).second,
              "Downloaded file does not match its checksum — update aborted.");

    // Entries that would land outside the folder: nothing is written there, and the whole
    // package is refused even when the installer is in it too.
    const QString outside = temporary.path() + "/escaped.deb";
    for (const QByteArray& name :
         {QByteArray("../escaped.deb"), QByteArray("sub/../../escaped.deb"),
          QFile::encodeName(outside)}) {
        const QByteArray hostile = makeZip(
            temporary.path(), {{"NimbralSetup.deb", randomBytes(4096)}, {name, randomBytes(2048)}});
        ASSERT_TRUE(check(manifestFor(hostile)));
        EXPECT_EQ(download(hostile).second, "Failed to extract installer from zip.")
            << name.constData();
        EXPECT_FALSE(QFile::exists(outside)) << name.constData();
    }

    // A zip without the installer, and bytes that are no zip at all.
    const QByteArray withoutInstaller =
        makeZip(temporary.path(), {{"other.bin", randomBytes(4096)}});
    ASSERT_TRUE(check(manifestFor(withoutInstaller)));
    EXPECT_EQ(download(withoutInstaller).second, "Failed to extract installer from zip.");
    const QByteArray noZip = randomBytes(4096);
    ASSERT_TRUE(check(manifestFor(noZip)));
    EXPECT_EQ(download(noZip).second, "Failed to extract installer from zip.");

    // A plain-http address elsewhere is refused before anything is fetched.
    const std::size_t before = server.requests().size();
    EXPECT_EQ(download({}, QUrl("http://192.0.2.1/NimbralSetup.zip")).second,
              "The update address is not secure — update aborted.");
    EXPECT_EQ(server.requests().size(), before);
}

TEST(UpdateArchive, UnpacksFoldersAndRefusesEscapes) {
    QTemporaryDir folder;
    const QByteArray zip = makeZip(folder.path(), {{"a/b/c.txt", "deep"}, {"top.txt", "top"}});
    QFile file(folder.filePath("in.zip"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(zip);
    file.close();
    const QString target = folder.filePath("out");
    ASSERT_TRUE(QDir().mkpath(target));
    EXPECT_EQ(UpdateService::extractArchive(file.fileName(), target), "");
    QFile deep(target + "/a/b/c.txt");
    ASSERT_TRUE(deep.open(QIODevice::ReadOnly));
    EXPECT_EQ(deep.readAll(), "deep");
    EXPECT_NE(UpdateService::extractArchive(folder.filePath("missing.zip"), target), "");
}

} // namespace
} // namespace nimbral
