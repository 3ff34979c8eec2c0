#pragma once

#include <functional>

#include <QObject>
#include <QString>
#include <QTimer>

namespace nimbral {

class ApiClient;
class HeartbeatService;
class SettingsController;
class SignalingClient;

// Makes the device known to the central server without a user account: registers on first
// start (with the machine fingerprint as a hint), logs in with the stored credentials afterwards,
// retries after 20 s and then at growing intervals, and once logged in opens signaling, starts
// the heartbeat and publishes the session password and the pairing code (redrawn every 5
// minutes). Also owns the password policy.
//
// Stored credentials are forgotten only when the server explicitly refuses them ("Invalid device
// credentials"); an outage, a time-out or a run of server errors keeps them, so the device never
// loses its ID to a bad hour of the network.
//
// It keeps the device online for as long as it runs: when signaling gives up for good (server
// away too long, or the token refused after a server restart) it logs in again on the same
// 20-second cycle. Borrows the four objects it is given; main thread only.
class AuthController : public QObject {
    Q_OBJECT

public:
    static constexpr int kRetryIntervalMs = 20000;
    // Failed attempts in a row double the wait up to this.
    static constexpr int kMaxRetryIntervalMs = 160000;
    static constexpr int kPairingCodeIntervalMs = 5 * 60 * 1000;
    static constexpr int kHeartbeatIntervalMs = 30000;
    static constexpr qsizetype kMaxPasswordCharacters = 256;

    AuthController(ApiClient* api, SignalingClient* signaling, HeartbeatService* heartbeat,
                   SettingsController* settings, QObject* parent = nullptr);

    void authenticate();
    // Adopts and stores the password (no policy check here; callers run validatePassword).
    void setSessionPassword(const QString& password);
    // Empty when acceptable, else the message of the first rule broken.
    static QString validatePassword(const QString& password);
    void regeneratePairingCode();
    // Whether the server gets the password and the pairing code to check them for Masters that
    // cannot verify (older versions). Off, they never leave the device; turned off while online,
    // the server's copies are replaced by empty ones, which match nothing.
    void setServerChecksSecrets(bool checks);
    bool serverChecksSecrets() const { return m_serverChecksSecrets; }
    void logout();

    QString sessionPassword() const { return m_sessionPassword; }
    QString pairingCode() const { return m_pairingCode; }
    bool isAuthenticated() const { return m_authenticated; }
    int failureCount() const { return m_failureCount; }
    bool retryPending() const { return m_retryTimer.isActive(); }
    int retryIntervalMs() const { return m_retryTimer.interval(); }

    // Where the registration fingerprint comes from; tests replace it.
    void setFingerprintSource(std::function<QString()> source) {
        m_fingerprintSource = std::move(source);
    }

    // A fresh six-digit code, 100000..999999, uniformly drawn from the system's random source.
    static QString drawPairingCode();
    // The password a device without one of its own gets: six characters drawn uniformly from
    // the system's random source (not a seeded generator, whose outputs betray the next ones).
    static QString drawSessionPassword();

signals:
    void pairingCodeChanged(const QString& code);
    void authenticated(const QString& clientId);
    void authenticationFailed(const QString& error);
    void loggedOut();

private slots:
    void onAutoRegisterSuccess(const QString& clientId, const QString& deviceSecret,
                               const QString& token);
    void onAuthSuccess(const QString& clientId, const QString& token);
    void onAuthError(const QString& error);
    void onCredentialsRefused();
    void onSignalingConnected();
    void onSignalingGaveUp();

private:
    void onAuthenticated(const QString& clientId);
    void publishPairingCode();
    void clearStoredCredentials();

    ApiClient* m_api;
    SignalingClient* m_signaling;
    HeartbeatService* m_heartbeat;
    SettingsController* m_settings;
    bool m_authenticated = false;
    QString m_sessionPassword;
    bool m_serverChecksSecrets = true;
    QString m_pairingCode;
    QTimer m_retryTimer;
    QTimer m_pairingTimer;
    int m_failureCount = 0;
    std::function<QString()> m_fingerprintSource;
};

} // namespace nimbral
