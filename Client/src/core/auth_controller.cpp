#include "core/auth_controller.h"

#include <optional>

#include <QCoreApplication>
#include <QRandomGenerator64>
#include <QSysInfo>

#include <openssl/rand.h>
#include <spdlog/spdlog.h>

#include "common/main_thread.h"
#include "core/machine_fingerprint.h"
#include "core/settings_controller.h"
#include "network/api_client.h"
#include "network/heartbeat_service.h"
#include "network/signaling_client.h"

namespace nimbral {

namespace {

// People read the password off one screen and type it on another: letters and digits that look
// alike in many fonts (i, l and 1, o and 0) are left out.
constexpr char kGeneratedPasswordAlphabet[] = "abcdefghjkmnpqrstuvwxyz23456789";
constexpr int kGeneratedPasswordLength = 6;

// 32 bits from the system's cryptographic source: earlier codes tell nothing about later ones.
// Null when the source fails, which OpenSSL reports only when the system has no entropy at all.
std::optional<quint32> secureDraw() {
    quint32 value = 0;
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&value), sizeof value) != 1) {
        return std::nullopt;
    }
    return value;
}

// Uniform in [0, range) from 32-bit draws: multiply-and-shift, rejecting the few low products
// that would favour some values.
std::optional<quint32> uniformBelow(quint32 range) {
    const quint32 threshold = static_cast<quint32>(-range) % range;
    for (;;) {
        const std::optional<quint32> draw = secureDraw();
        if (!draw) {
            return std::nullopt;
        }
        const quint64 product = static_cast<quint64>(*draw) * range;
        if (static_cast<quint32>(product) >= threshold) {
            return static_cast<quint32>(product >> 32);
        }
    }
}

} // namespace

QString AuthController::drawPairingCode() {
    const std::optional<quint32> offset = uniformBelow(900000);
    if (!offset) {
        spdlog::error("AuthController: the system's random source failed; no pairing code");
        return {};
    }
    return QString::number(100000 + *offset);
}

QString AuthController::drawSessionPassword() {
    constexpr int alphabetSize = sizeof(kGeneratedPasswordAlphabet) - 1;
    QString password;
    for (int i = 0; i < kGeneratedPasswordLength; ++i) {
        password += QLatin1Char(
            kGeneratedPasswordAlphabet[QRandomGenerator::system()->bounded(alphabetSize)]);
    }
    return password;
}

AuthController::AuthController(ApiClient* api, SignalingClient* signaling,
                               HeartbeatService* heartbeat, SettingsController* settings,
                               QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_signaling(signaling)
    , m_heartbeat(heartbeat)
    , m_settings(settings)
    , m_fingerprintSource(&MachineFingerprint::generate) {
    const QString stored = m_settings->sessionPassword();
    m_sessionPassword =
        (!stored.isEmpty() && validatePassword(stored).isEmpty()) ? stored : drawSessionPassword();

    m_pairingCode = drawPairingCode();
    m_pairingTimer.setInterval(kPairingCodeIntervalMs);
    connect(&m_pairingTimer, &QTimer::timeout, this, &AuthController::regeneratePairingCode);
    m_pairingTimer.start();

    connect(m_api, &ApiClient::autoRegisterSuccess, this, &AuthController::onAutoRegisterSuccess);
    connect(m_api, &ApiClient::authSuccess, this, &AuthController::onAuthSuccess);
    connect(m_api, &ApiClient::authError, this, &AuthController::onAuthError);
    connect(m_api, &ApiClient::credentialsRefused, this, &AuthController::onCredentialsRefused);
    connect(m_signaling, &SignalingClient::connected, this, &AuthController::onSignalingConnected);
    connect(m_signaling, &SignalingClient::gaveUp, this, &AuthController::onSignalingGaveUp);

    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(kRetryIntervalMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &AuthController::authenticate);
}

QString AuthController::validatePassword(const QString& password) {
    const QList<uint> codePoints = password.toUcs4();
    if (codePoints.size() < 8) {
        return tr("Password must be at least 8 characters.");
    }
    // The server keeps no longer one: a longer one would leave the device unreachable.
    if (codePoints.size() > kMaxPasswordCharacters) {
        return tr("Password must be at most 256 characters.");
    }
    bool lower = false;
    bool upper = false;
    bool digit = false;
    for (const uint c : codePoints) {
        if (QChar::isLower(c)) {
            lower = true;
        } else if (QChar::isUpper(c)) {
            upper = true;
        } else if (QChar::isDigit(c)) {
            digit = true;
        }
    }
    if (!lower) {
        return tr("Password must contain at least one lowercase letter.");
    }
    if (!upper) {
        return tr("Password must contain at least one uppercase letter.");
    }
    if (!digit) {
        return tr("Password must contain at least one digit.");
    }
    return {};
}

void AuthController::authenticate() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_retryTimer.stop();
    if (m_settings->hasStoredCredentials()) {
        const QString clientId = m_settings->clientId();
        spdlog::info("Auto-login with stored client ID: {}", clientId.toStdString());
        m_api->autoLogin(clientId, m_settings->deviceSecret());
        return;
    }
    spdlog::info("First launch — auto-registering...");
    const QString fingerprint = m_fingerprintSource ? m_fingerprintSource() : QString();
    if (fingerprint.isEmpty()) {
        spdlog::warn("Could not generate machine fingerprint; ID will not survive reinstalls");
    }
    m_api->autoRegister(QSysInfo::machineHostName(), QCoreApplication::applicationVersion(),
                        fingerprint, m_settings->clientId(), m_settings->deviceSecret());
}

void AuthController::onAutoRegisterSuccess(const QString& clientId, const QString& deviceSecret,
                                           const QString&) {
    m_retryTimer.stop();
    m_retryTimer.setInterval(kRetryIntervalMs);
    m_failureCount = 0;
    m_settings->setClientId(clientId);
    m_settings->setDeviceSecret(deviceSecret);
    spdlog::info("Auto-registration successful. Client ID: {}", clientId.toStdString());
    onAuthenticated(clientId);
}

void AuthController::onAuthSuccess(const QString& clientId, const QString&) {
    m_retryTimer.stop();
    m_retryTimer.setInterval(kRetryIntervalMs);
    m_failureCount = 0;
    spdlog::info("Auto-login successful. Client ID: {}", clientId.toStdString());
    onAuthenticated(clientId);
}

void AuthController::onAuthenticated(const QString& clientId) {
    m_authenticated = true;
    // The server this run talks to: the built-in one, or the one given on the command line.
    m_signaling->connectToServer(m_api->baseUrl(), clientId, m_api->token());
    m_heartbeat->start(kHeartbeatIntervalMs);
    emit authenticated(clientId);
}

void AuthController::onAuthError(const QString& error) {
    ++m_failureCount;
    // 20 s after the first failure, then twice as long after each further one.
    const int doublings = qMin(m_failureCount - 1, 8);
    const int delayMs = qMin(kRetryIntervalMs << doublings, kMaxRetryIntervalMs);
    spdlog::warn("Authentication failed (attempt {}): {}. Retrying in {} seconds...",
                 m_failureCount, error.toStdString(), delayMs / 1000);
    emit authenticationFailed(error);
    m_retryTimer.start(delayMs);
}

void AuthController::onCredentialsRefused() {
    if (!m_settings->hasStoredCredentials()) {
        return;
    }
    spdlog::info(
        "Credential error — clearing stored credentials, will auto-register on next retry");
    clearStoredCredentials();
}

void AuthController::clearStoredCredentials() {
    m_settings->setClientId(QString());
    m_settings->setDeviceSecret(QString());
}

void AuthController::onSignalingConnected() {
    if (!m_serverChecksSecrets) {
        spdlog::info("Session password and pairing code stay on this device: only verified "
                     "sessions are accepted");
        return;
    }
    m_signaling->sendMessage(
        {{"type", "SET_PASSWORD"}, {"password", m_sessionPassword.toStdString()}});
    spdlog::info("Sent session password to server via WebSocket");
    publishPairingCode();
}

void AuthController::onSignalingGaveUp() {
    if (!m_authenticated) {
        return;
    }
    // The token this login gave is no good any more; only a new login brings the device back.
    m_authenticated = false;
    m_heartbeat->stop();
    spdlog::warn("Signaling connection lost for good — logging in again in 20 seconds");
    emit authenticationFailed(QStringLiteral("Connection to the server lost"));
    m_retryTimer.start(kRetryIntervalMs);
}

void AuthController::setServerChecksSecrets(bool checks) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (checks == m_serverChecksSecrets) {
        return;
    }
    m_serverChecksSecrets = checks;
    if (!m_signaling->isConnected()) {
        return;
    }
    const QString password = checks ? m_sessionPassword : QString();
    const QString code = checks ? m_pairingCode : QString();
    m_signaling->sendMessage({{"type", "SET_PASSWORD"}, {"password", password.toStdString()}});
    m_signaling->sendMessage({{"type", "SET_PAIRING_CODE"}, {"code", code.toStdString()}});
    spdlog::info(checks ? "Session password and pairing code published for older partners"
                        : "Session password and pairing code withdrawn from the server");
}

void AuthController::setSessionPassword(const QString& password) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_sessionPassword = password;
    m_settings->setSessionPassword(password);
    if (m_signaling->isConnected() && m_serverChecksSecrets) {
        m_signaling->sendMessage({{"type", "SET_PASSWORD"}, {"password", password.toStdString()}});
        spdlog::info("Updated session password sent to server");
    }
}

void AuthController::regeneratePairingCode() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_pairingCode = drawPairingCode();
    spdlog::info("Pairing code regenerated");
    emit pairingCodeChanged(m_pairingCode);
    publishPairingCode();
}

void AuthController::publishPairingCode() {
    if (m_signaling->isConnected() && !m_pairingCode.isEmpty() && m_serverChecksSecrets) {
        m_signaling->sendMessage(
            {{"type", "SET_PAIRING_CODE"}, {"code", m_pairingCode.toStdString()}});
    }
}

void AuthController::logout() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_heartbeat->stop();
    m_signaling->disconnectFromServer();
    m_authenticated = false;
    m_retryTimer.stop();
    spdlog::info("Logged out");
    emit loggedOut();
}

} // namespace nimbral
