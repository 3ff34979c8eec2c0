#include "session/update_service.h"

#include <memory>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTemporaryDir>
#include <archive.h>
#include <archive_entry.h>
#include <spdlog/spdlog.h>

#include "common/main_thread.h"
#include "crypto/ed25519.h"

namespace nimbral {

namespace {

struct ArchiveReadDeleter {
    void operator()(archive* handle) const { archive_read_free(handle); }
};
using ArchiveReader = std::unique_ptr<archive, ArchiveReadDeleter>;

// An update unpacks to a few files; a zip that inflates past this is not our package.
constexpr qint64 kMaximumExtractedBytes = 2LL * 1024 * 1024 * 1024;
constexpr int kMaximumEntries = 1000;

bool isSafeRelativePath(const QString& path) {
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('\\')) ||
        (path.size() > 1 && path[1] == QLatin1Char(':'))) {
        return false;
    }
    const QStringList parts = QString(path)
                                  .replace(QLatin1Char('\\'), QLatin1Char('/'))
                                  .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return !parts.contains(QStringLiteral(".."));
}

} // namespace

QUrl UpdateService::manifestUrlFor(const QUrl& webHost) {
    QUrl url = webHost;
    url.setPath(QStringLiteral("/download/NimbralSetup.json"));
    return url;
}

UpdateService::UpdateService(const QUrl& manifestUrl, const QString& currentVersion,
                             QByteArray releasePublicKey, QObject* parent)
    : QObject(parent)
    , m_manifestUrl(manifestUrl)
    , m_currentVersion(currentVersion)
    , m_releaseKey(std::move(releasePublicKey))
    , m_temporaryRoot(QDir::tempPath()) {
}

QByteArray UpdateService::builtInReleaseKey() {
#ifdef NIMBRAL_RELEASE_PUBLIC_KEY
    return QByteArray::fromBase64(QByteArrayLiteral(NIMBRAL_RELEASE_PUBLIC_KEY));
#else
    return {};
#endif
}

bool UpdateService::isNewerVersion(const QString& candidate, const QString& current) {
    const QStringList a = candidate.split(QLatin1Char('.'));
    const QStringList b = current.split(QLatin1Char('.'));
    const auto part = [](const QStringList& parts, qsizetype i) -> qlonglong {
        if (i >= parts.size()) {
            return 0;
        }
        bool ok = false;
        const qlonglong value = parts[i].toLongLong(&ok, 10);
        return ok ? value : 0;
    };
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        const qlonglong x = part(a, i);
        const qlonglong y = part(b, i);
        if (x != y) {
            return x > y;
        }
    }
    return false;
}

bool UpdateService::isAcceptableDownloadUrl(const QUrl& url) {
    if (url.scheme() == QLatin1String("https")) {
        return !url.host().isEmpty();
    }
    if (url.scheme() != QLatin1String("http")) {
        return false;
    }
    const QHostAddress address(url.host());
    return url.host() == QLatin1String("localhost") || address.isLoopback();
}

void UpdateService::checkForUpdates() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (m_releaseKey.size() != static_cast<qsizetype>(ed25519::kPublicKeyBytes)) {
        spdlog::warn("Update check skipped: this build has no release key to verify manifests "
                     "with");
        return;
    }
    if (!isAcceptableDownloadUrl(m_manifestUrl)) {
        spdlog::error("Update check refused: the manifest address {} is not https",
                      m_manifestUrl.toString().toStdString());
        return;
    }
    spdlog::info("Checking for updates at {}", m_manifestUrl.toString().toStdString());
    QNetworkReply* reply = m_network.get(QNetworkRequest(m_manifestUrl));
    // A manifest is a few lines; refuse to buffer what a broken or hostile host streams.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaximumManifestBytes) {
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onManifestFinished(reply); });
}

void UpdateService::onManifestFinished(QNetworkReply* reply) {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        spdlog::warn("Update check failed: {}", reply->errorString().toStdString());
        return;
    }
    const QByteArray manifest = reply->readAll();
    QUrl signatureUrl = m_manifestUrl;
    signatureUrl.setPath(m_manifestUrl.path() + QLatin1String(kSignatureSuffix));
    QNetworkReply* signature = m_network.get(QNetworkRequest(signatureUrl));
    connect(signature, &QNetworkReply::downloadProgress, signature,
            [signature](qint64 received, qint64) {
                if (received > kMaximumSignatureBytes) {
                    signature->abort();
                }
            });
    connect(signature, &QNetworkReply::finished, this,
            [this, signature, manifest] { onSignatureFinished(signature, manifest); });
}

void UpdateService::onSignatureFinished(QNetworkReply* reply, const QByteArray& manifest) {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        spdlog::error("Update manifest refused: its signature could not be fetched ({})",
                      reply->errorString().toStdString());
        return;
    }
    const QByteArray signature = QByteArray::fromBase64(reply->readAll().trimmed());
    if (!ed25519::verify(std::string_view(m_releaseKey.constData(), m_releaseKey.size()),
                         std::string_view(manifest.constData(), manifest.size()),
                         std::string_view(signature.constData(), signature.size()))) {
        spdlog::error("Update manifest refused: its signature does not verify against the "
                      "release key");
        return;
    }
    readManifest(manifest);
}

void UpdateService::readManifest(const QByteArray& bytes) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        spdlog::warn("Update manifest parse error: {}", parseError.error != QJsonParseError::NoError
                                                            ? parseError.errorString().toStdString()
                                                            : std::string("not a JSON object"));
        return;
    }
    const QJsonObject manifest = document.object();
    const QString sha256 = manifest.value(QStringLiteral("sha256")).toString().trimmed();
    const QByteArray digest = QByteArray::fromHex(sha256.toLatin1());
    if (sha256.size() != 64 || digest.size() != 32) {
        // Nothing to check the package against: no package from this manifest is installed.
        spdlog::error("Update manifest refused: it names no sha256 of the package");
        return;
    }
    m_expectedSha256 = digest;
    m_latestVersion = manifest.value(QStringLiteral("version")).toString();
    m_downloadUrl = QUrl(manifest.value(QStringLiteral("download_url")).toString());
    m_releaseNotes = manifest.value(QStringLiteral("release_notes")).toString();
    spdlog::info("Update check: current={}, latest={}", m_currentVersion.toStdString(),
                 m_latestVersion.toStdString());
    if (!m_latestVersion.isEmpty() && isNewerVersion(m_latestVersion, m_currentVersion)) {
        spdlog::info("Update available: v{}", m_latestVersion.toStdString());
        emit updateAvailable(m_latestVersion, m_downloadUrl.toString(), m_releaseNotes);
    }
}

void UpdateService::downloadUpdate(const QUrl& url) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (!isAcceptableDownloadUrl(url)) {
        spdlog::error("Update download refused: {} is not an https address",
                      url.toString().toStdString());
        emit updateError(tr("The update address is not secure — update aborted."));
        return;
    }
    if (m_expectedSha256.isEmpty()) {
        spdlog::error("Update download refused: no verified release manifest names its checksum");
        emit updateError(tr("The update is not from a verified release — update aborted."));
        return;
    }
    if (m_download) {
        return; // one download at a time; the banner's button is disabled meanwhile
    }
    spdlog::info("Downloading update from {}", url.toString().toStdString());
    QNetworkReply* reply = m_network.get(QNetworkRequest(url));
    m_download = reply;
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, reply](qint64 received, qint64 total) {
                if (received > kMaximumPackageBytes || total > kMaximumPackageBytes) {
                    reply->abort();
                    return;
                }
                if (total > 0) {
                    emit downloadProgress(int(received * 100 / total));
                }
            });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onPackageFinished(reply); });
}

void UpdateService::onPackageFinished(QNetworkReply* reply) {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        spdlog::error("Update download failed: {}", reply->errorString().toStdString());
        emit updateError(reply->errorString());
        return;
    }
    installPackage(reply->readAll());
}

void UpdateService::installPackage(const QByteArray& body) {
    if (body.size() < kMinimumPackageBytes) {
        emit updateError(tr("Downloaded file is too small — update aborted."));
        return;
    }
    if (QCryptographicHash::hash(body, QCryptographicHash::Sha256) != m_expectedSha256) {
        spdlog::error("Update package checksum does not match the manifest");
        emit updateError(tr("Downloaded file does not match its checksum — update aborted."));
        return;
    }
    // A private folder (mode 0700, unpredictable name): in a shared /tmp a fixed file name
    // could be planted by another user as a link to a file of ours. It stays after we quit:
    // the installer reads the package from it.
    QTemporaryDir folder(m_temporaryRoot + QStringLiteral("/nimbral-update-XXXXXX"));
    if (!folder.isValid()) {
        emit updateError(tr("Cannot write to temp directory."));
        return;
    }
    folder.setAutoRemove(false);
    const QString zipPath = folder.path() + QStringLiteral("/NimbralSetup.zip");
    const QString installerPath = folder.path() + QLatin1Char('/') + QLatin1String(kInstallerName);
    QSaveFile zip(zipPath);
    if (!zip.open(QIODevice::WriteOnly) || zip.write(body) != body.size() || !zip.commit()) {
        emit updateError(tr("Cannot write to temp directory."));
        return;
    }
    spdlog::info("Update downloaded to {}", zipPath.toStdString());
    const QString failure = extractArchive(zipPath, folder.path());
    if (!failure.isEmpty()) {
        spdlog::error("Update extraction failed: {}", failure.toStdString());
    }
    if (failure.isEmpty() && QFileInfo(installerPath).isFile()) {
        spdlog::info("Installer extracted to {}", installerPath.toStdString());
        emit readyToInstall(installerPath);
        return;
    }
    emit updateError(tr("Failed to extract installer from zip."));
}

QString UpdateService::extractArchive(const QString& archivePath, const QString& folder) {
    ArchiveReader reader(archive_read_new());
    if (!reader) {
        return QStringLiteral("archive_read_new failed");
    }
    archive_read_support_format_zip(reader.get());
    const QByteArray path = QFile::encodeName(archivePath);
    if (archive_read_open_filename(reader.get(), path.constData(), 64 * 1024) != ARCHIVE_OK) {
        return QString::fromUtf8(archive_error_string(reader.get()));
    }
    const QDir target(folder);
    qint64 written = 0;
    int entries = 0;
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        if (++entries > kMaximumEntries) {
            return QStringLiteral("more than %1 entries").arg(kMaximumEntries);
        }
        const char* rawName = archive_entry_pathname_utf8(entry);
        if (rawName == nullptr) {
            rawName = archive_entry_pathname(entry);
        }
        const QString name = QString::fromUtf8(rawName ? rawName : "");
        if (!isSafeRelativePath(name)) {
            return QStringLiteral("entry '%1' would be written outside the folder").arg(name);
        }
        const QString destination = target.filePath(name);
        const mode_t type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            if (!target.mkpath(name)) {
                return QStringLiteral("cannot create %1").arg(destination);
            }
            continue;
        }
        if (type != AE_IFREG) {
            continue; // links and devices have no place in an update package
        }
        if (!target.mkpath(QFileInfo(name).path())) {
            return QStringLiteral("cannot create the folder of %1").arg(destination);
        }
        QSaveFile file(destination);
        if (!file.open(QIODevice::WriteOnly)) {
            return QStringLiteral("cannot write %1").arg(destination);
        }
        char buffer[64 * 1024];
        la_ssize_t count = 0;
        while ((count = archive_read_data(reader.get(), buffer, sizeof buffer)) > 0) {
            written += count;
            if (written > kMaximumExtractedBytes) {
                file.cancelWriting();
                return QStringLiteral("the archive unpacks to more than %1 bytes")
                    .arg(kMaximumExtractedBytes);
            }
            if (file.write(buffer, count) != count) {
                file.cancelWriting();
                return QStringLiteral("cannot write %1").arg(destination);
            }
        }
        if (count < 0) {
            file.cancelWriting();
            return QString::fromUtf8(archive_error_string(reader.get()));
        }
        if (!file.commit()) {
            return QStringLiteral("cannot write %1").arg(destination);
        }
    }
    if (status != ARCHIVE_EOF) {
        return QString::fromUtf8(archive_error_string(reader.get()));
    }
    return {};
}

} // namespace nimbral
