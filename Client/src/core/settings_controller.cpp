#include "core/settings_controller.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <spdlog/spdlog.h>

#include "crypto/ed25519.h"

namespace nimbral {

namespace {

constexpr char kDefaultServerUrl[] = "https://connect.nimbral.net:443";

constexpr char kClientIdKey[] = "auth/clientId";
constexpr char kDeviceSecretKey[] = "auth/deviceSecret";
constexpr char kSessionPasswordKey[] = "auth/sessionPassword";
constexpr char kDisplayModeKey[] = "display/mode";
constexpr char kClipboardSharingKey[] = "display/clipboardSharing";
constexpr char kMonitorIndexKey[] = "display/monitorIndex";
constexpr char kSigningKeyKey[] = "identity/deviceSigningKey";
constexpr char kPinnedKeyPrefix[] = "partnerKeys/";
constexpr char kOnlyVerifiedKey[] = "security/acceptOnlyVerifiedSessions";

constexpr int kQualityMode = 0;
constexpr int kDefaultDisplayMode = 1;

constexpr char kLanguageKey[] = "general/language";
// Qt's INI backend (the native store on Linux) writes the group "general" as "[%General]" and
// reads it back as "General", so after a restart the language sits under this spelling.
constexpr char kLanguageKeyAfterReload[] = "General/language";
constexpr char kAutoReconnectKey[] = "network/autoReconnect";
constexpr char kMaxReconnectAttemptsKey[] = "network/maxReconnectAttempts";
constexpr char kMinimizeToTrayKey[] = "advanced/minimizeToTray";
constexpr char kFavoritesKey[] = "favorites/partnerIds";
constexpr char kRecentPartnersKey[] = "history/recentPartnerIds";
constexpr char kWolKeyPrefix[] = "wol/";

QString normalizedPartnerId(QString partnerId) {
    return partnerId.remove(QLatin1Char(' '));
}

} // namespace

SettingsController::SettingsController(QObject* parent)
    : QObject(parent)
    , m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Nimbral"),
                 QStringLiteral("NimbralClient")) {
    protectStore();
}

SettingsController::SettingsController(const QString& storeFile, QObject* parent)
    : QObject(parent)
    , m_settings(storeFile, QSettings::IniFormat) {
    protectStore();
}

void SettingsController::protectStore() {
    // The store holds the device secret: this account alone may read it. Made before the first
    // write, the file keeps its mode, since the store is rewritten in place of the old file with
    // the old file's permissions.
    const QString path = m_settings.fileName();
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    const auto privateMode = QFile::ReadOwner | QFile::WriteOwner;
    if (!info.exists()) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, privateMode)) {
            spdlog::warn("SettingsController: cannot create {}: {}", path.toStdString(),
                         file.errorString().toStdString());
        }
        return;
    }
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if ((info.permissions() & others) != 0) {
        spdlog::warn("SettingsController: {} was readable by other accounts; now only by this one",
                     path.toStdString());
        QFile::setPermissions(path, privateMode);
    }
}

QUrl SettingsController::serverUrl() const {
    return QUrl(QString::fromLatin1(kDefaultServerUrl));
}

QString SettingsController::clientId() const {
    return m_settings.value(kClientIdKey).toString();
}

void SettingsController::setClientId(const QString& clientId) {
    m_settings.setValue(kClientIdKey, clientId);
}

QString SettingsController::deviceSecret() const {
    return m_settings.value(kDeviceSecretKey).toString();
}

void SettingsController::setDeviceSecret(const QString& deviceSecret) {
    m_settings.setValue(kDeviceSecretKey, deviceSecret);
}

bool SettingsController::hasStoredCredentials() const {
    return !clientId().isEmpty() && !deviceSecret().isEmpty();
}

QString SettingsController::sessionPassword() const {
    return m_settings.value(kSessionPasswordKey).toString();
}

void SettingsController::setSessionPassword(const QString& password) {
    m_settings.setValue(kSessionPasswordKey, password);
}

int SettingsController::displayMode() const {
    return m_settings.value(kDisplayModeKey, kDefaultDisplayMode).toInt();
}

void SettingsController::setDisplayMode(int mode) {
    m_settings.setValue(kDisplayModeKey, mode);
}

int SettingsController::targetFps() const {
    return displayMode() == kQualityMode ? 24 : 10;
}

int SettingsController::encoderCqLevel() const {
    return displayMode() == kQualityMode ? 23 : 45;
}

// "13" is the encoder's fastest real-time speed. On a 2-core machine every slower one missed a
// 150 ms 1080p key frame and 10 ms deltas, and also made larger deltas of desktop pictures.
QString SettingsController::encoderPreset() const {
    return QStringLiteral("13");
}

bool SettingsController::clipboardSharing() const {
    return m_settings.value(kClipboardSharingKey, true).toBool();
}

void SettingsController::setClipboardSharing(bool enabled) {
    m_settings.setValue(kClipboardSharingKey, enabled);
}

int SettingsController::monitorIndex() const {
    return m_settings.value(kMonitorIndexKey, 0).toInt();
}

void SettingsController::setMonitorIndex(int index) {
    m_settings.setValue(kMonitorIndexKey, index);
}

bool SettingsController::autoReconnect() const {
    return m_settings.value(kAutoReconnectKey, true).toBool();
}

void SettingsController::setAutoReconnect(bool enabled) {
    m_settings.setValue(kAutoReconnectKey, enabled);
}

int SettingsController::maxReconnectAttempts() const {
    return m_settings.value(kMaxReconnectAttemptsKey, 10).toInt();
}

void SettingsController::setMaxReconnectAttempts(int attempts) {
    m_settings.setValue(kMaxReconnectAttemptsKey, attempts);
}

bool SettingsController::minimizeToTray() const {
    return m_settings.value(kMinimizeToTrayKey, true).toBool();
}

void SettingsController::setMinimizeToTray(bool enabled) {
    m_settings.setValue(kMinimizeToTrayKey, enabled);
}

QString SettingsController::language() const {
    if (m_settings.contains(kLanguageKey)) {
        return m_settings.value(kLanguageKey).toString();
    }
    return m_settings.value(kLanguageKeyAfterReload).toString();
}

void SettingsController::setLanguage(const QString& language) {
    m_settings.remove(kLanguageKeyAfterReload);
    m_settings.setValue(kLanguageKey, language);
}

QStringList SettingsController::favorites() const {
    return m_settings.value(kFavoritesKey).toStringList();
}

void SettingsController::addFavorite(const QString& partnerId) {
    const QString id = normalizedPartnerId(partnerId);
    if (id.isEmpty()) {
        return;
    }
    QStringList list = favorites();
    if (list.contains(id) || list.size() >= kMaxFavorites) {
        return;
    }
    list.append(id);
    m_settings.setValue(kFavoritesKey, list);
}

void SettingsController::removeFavorite(const QString& partnerId) {
    const QString id = normalizedPartnerId(partnerId);
    QStringList list = favorites();
    list.removeAll(id);
    m_settings.setValue(kFavoritesKey, list);
}

QStringList SettingsController::recentPartners() const {
    return m_settings.value(kRecentPartnersKey).toStringList();
}

void SettingsController::addRecentPartner(const QString& partnerId) {
    const QString id = normalizedPartnerId(partnerId);
    if (id.isEmpty()) {
        return;
    }
    QStringList list = recentPartners();
    list.removeAll(id);
    list.prepend(id);
    while (list.size() > kMaxRecentPartners) {
        list.removeLast();
    }
    m_settings.setValue(kRecentPartnersKey, list);
}

QString SettingsController::wolMacAddress(const QString& partnerId) const {
    return m_settings.value(kWolKeyPrefix + partnerId).toString();
}

void SettingsController::setWolMacAddress(const QString& partnerId, const QString& macAddress) {
    m_settings.setValue(kWolKeyPrefix + partnerId, macAddress);
}

QByteArray SettingsController::deviceSigningKey() {
    const QByteArray stored =
        QByteArray::fromBase64(m_settings.value(kSigningKeyKey).toString().toLatin1());
    if (static_cast<std::size_t>(stored.size()) == ed25519::kPrivateKeyBytes) {
        return stored;
    }
    const std::string made = ed25519::generatePrivateKey();
    if (made.empty()) {
        return {};
    }
    const QByteArray key(made.data(), static_cast<qsizetype>(made.size()));
    m_settings.setValue(kSigningKeyKey, QString::fromLatin1(key.toBase64()));
    m_settings.sync();
    return key;
}

QByteArray SettingsController::pinnedPartnerKey(const QString& partnerId) const {
    const QString id = normalizedPartnerId(partnerId);
    if (id.isEmpty()) {
        return {};
    }
    const QByteArray key =
        QByteArray::fromBase64(m_settings.value(kPinnedKeyPrefix + id).toString().toLatin1());
    return static_cast<std::size_t>(key.size()) == ed25519::kPublicKeyBytes ? key : QByteArray();
}

void SettingsController::pinPartnerKey(const QString& partnerId, const QByteArray& publicKey) {
    const QString id = normalizedPartnerId(partnerId);
    if (id.isEmpty() || static_cast<std::size_t>(publicKey.size()) != ed25519::kPublicKeyBytes) {
        return;
    }
    m_settings.setValue(kPinnedKeyPrefix + id, QString::fromLatin1(publicKey.toBase64()));
}

bool SettingsController::acceptOnlyVerifiedSessions(bool byDefault) const {
    return m_settings.value(kOnlyVerifiedKey, byDefault).toBool();
}

void SettingsController::setAcceptOnlyVerifiedSessions(bool only) {
    m_settings.setValue(kOnlyVerifiedKey, only);
}

} // namespace nimbral
