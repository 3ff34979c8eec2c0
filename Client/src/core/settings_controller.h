#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace nimbral {

// Typed view of the per-user settings store (organisation "Nimbral", application
// "NimbralClient"). Every getter reads the store afresh and every setter writes through, so two
// controllers over the same store (client and service under one account) never disagree.
// The service uses only the credential and display keys; the interface keys, favourites,
// history and Wake-on-LAN addresses are the desktop client's.
class SettingsController : public QObject {
    Q_OBJECT

public:
    explicit SettingsController(QObject* parent = nullptr);
    // A store of its own in this file: one device identity per store, so several clients (or
    // the devices of a test) can run side by side on one account.
    explicit SettingsController(const QString& storeFile, QObject* parent = nullptr);

    // The built-in central server (https, port 443). A --server option replaces it for one run;
    // it is never stored.
    QUrl serverUrl() const;

    QString clientId() const;
    void setClientId(const QString& clientId);
    QString deviceSecret() const;
    void setDeviceSecret(const QString& deviceSecret);
    bool hasStoredCredentials() const;
    QString sessionPassword() const;
    void setSessionPassword(const QString& password);

    // 0 optimises quality; any other value optimises speed (the default).
    int displayMode() const;
    void setDisplayMode(int mode);
    int targetFps() const;
    int encoderCqLevel() const;
    QString encoderPreset() const;
    bool clipboardSharing() const;
    void setClipboardSharing(bool enabled);
    int monitorIndex() const;
    void setMonitorIndex(int index);

    static constexpr int kMaxFavorites = 20;
    static constexpr int kMaxRecentPartners = 10;

    bool autoReconnect() const;
    void setAutoReconnect(bool enabled);
    int maxReconnectAttempts() const;
    void setMaxReconnectAttempts(int attempts);
    bool minimizeToTray() const;
    void setMinimizeToTray(bool enabled);
    QString language() const;
    void setLanguage(const QString& language);

    // Partner IDs lose their spaces ("123 456 789" -> "123456789") before they touch a list.
    QStringList favorites() const;
    void addFavorite(const QString& partnerId);
    void removeFavorite(const QString& partnerId);
    // Newest first.
    QStringList recentPartners() const;
    void addRecentPartner(const QString& partnerId);
    QString wolMacAddress(const QString& partnerId) const;
    void setWolMacAddress(const QString& partnerId, const QString& macAddress);

    // The device's own Ed25519 private key (raw), made and stored on first use: what lets the
    // partners it comes back to know it again. Empty only when no key can be made.
    QByteArray deviceSigningKey();
    // The device key a partner showed in its first verified session; empty before that. A
    // pinned partner is one that speaks the verified exchange, so its ID is never again
    // accepted through the old one.
    QByteArray pinnedPartnerKey(const QString& partnerId) const;
    void pinPartnerKey(const QString& partnerId, const QByteArray& publicKey);
    // Sessions without the password exchange are refused altogether.
    bool acceptOnlyVerifiedSessions(bool byDefault) const;
    void setAcceptOnlyVerifiedSessions(bool only);

private:
    void protectStore();
    mutable QSettings m_settings;
};

} // namespace nimbral
