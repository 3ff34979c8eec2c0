#pragma once

#include <optional>

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkReply;

namespace nimbral {

// Keeps the client current: after each login it reads the release manifest and announces a
// newer version; on request it downloads the package (a zip holding the installer), checks
// it and unpacks it into a private temporary folder. Main thread only.
//
// A manifest counts only when its Ed25519 signature (base64, at the manifest's address + ".sig")
// verifies over its exact bytes against the release key built into the program, it names the
// package's sha256, and it was fetched over https (plain http only from this machine): whoever
// controls the web host or the network cannot hand the user a package to install as root.
class UpdateService : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 kMinimumPackageBytes = 1024;
    // Far above any real package; a server that sends more is not sending our package.
    static constexpr qint64 kMaximumPackageBytes = 512LL * 1024 * 1024;
    static constexpr qint64 kMaximumManifestBytes = 64 * 1024;
    static constexpr const char* kInstallerName = "NimbralSetup.deb";
    static constexpr const char* kSignatureSuffix = ".sig";
    static constexpr qint64 kMaximumSignatureBytes = 1024;

    // The manifest lives at the product's web host + "/download/NimbralSetup.json".
    static QUrl manifestUrlFor(const QUrl& webHost);

    // releasePublicKey: the raw 32-byte Ed25519 key releases are signed with; without one no
    // manifest is trusted and checks do nothing.
    UpdateService(const QUrl& manifestUrl, const QString& currentVersion,
                  QByteArray releasePublicKey, QObject* parent = nullptr);

    // The key built into this program (-DNIMBRAL_RELEASE_PUBLIC_KEY, base64); empty without.
    static QByteArray builtInReleaseKey();

    // Where packages are unpacked: a fresh private folder under this directory (the user's
    // temporary directory unless a test sets another).
    void setTemporaryRoot(const QString& directory) { m_temporaryRoot = directory; }

    // Dotted numeric versions; missing or non-numeric parts count as 0.
    static bool isNewerVersion(const QString& candidate, const QString& current);
    // Only https, or plain http to a loopback host (a local test server).
    static bool isAcceptableDownloadUrl(const QUrl& url);

    // Unpacks the zip's regular files into the folder. Refuses the whole archive when an entry
    // names an absolute path or "..": such an entry would write outside the folder.
    // An empty text on success, else why it failed (for the log).
    static QString extractArchive(const QString& archivePath, const QString& folder);

    QString latestVersion() const { return m_latestVersion; }
    QString releaseNotes() const { return m_releaseNotes; }
    QUrl downloadUrl() const { return m_downloadUrl; }

public slots:
    void checkForUpdates();
    void downloadUpdate(const QUrl& url);

signals:
    void updateAvailable(const QString& version, const QString& downloadUrl,
                         const QString& releaseNotes);
    void downloadProgress(int percent);
    void readyToInstall(const QString& installerPath);
    void updateError(const QString& error);

private:
    void onManifestFinished(QNetworkReply* reply);
    void onSignatureFinished(QNetworkReply* reply, const QByteArray& manifest);
    void readManifest(const QByteArray& manifest);
    void onPackageFinished(QNetworkReply* reply);
    void installPackage(const QByteArray& body);

    QNetworkAccessManager m_network;
    QUrl m_manifestUrl;
    QString m_currentVersion;
    QByteArray m_releaseKey;
    QString m_temporaryRoot;
    QString m_latestVersion;
    QString m_releaseNotes;
    QUrl m_downloadUrl;
    QByteArray m_expectedSha256; // raw digest from the last verified manifest; empty before one
    QPointer<QNetworkReply> m_download;
};

} // namespace nimbral
