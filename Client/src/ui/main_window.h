#pragma once

#include <functional>
#include <memory>

#include <QMainWindow>

#include "codec/video_decoder.h"
#include "session/session_manager.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace nimbral {

class ApiClient;
class AuthController;
class ConnectionQualityMonitor;
class RemoteDesktopWidget;
class SettingsController;
class SignalingClient;
class SystemTrayIcon;

// "123456789" -> "123 456 789"; anything that is not nine characters without blanks is
// returned as given.
QString formatClientId(const QString& clientId);

// The client's one window: the device's identity and status, the connect form, the answer to
// incoming requests, and, while this device is the Master, the remote screen with its tool
// bar. Borrows the core objects; owns the view. Main thread only.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // withTray: create the notification-area icon when the desktop has a notification area.
    MainWindow(AuthController& auth, ApiClient& api, SignalingClient& signaling,
               SessionManager& session, SettingsController& settings, QWidget* parent = nullptr,
               bool withTray = true);
    ~MainWindow() override;

    // How the window tells and asks the user; replaced by tests.
    using Warning = std::function<void(const QString& title, const QString& text)>;
    using Question = std::function<bool(const QString& title, const QString& text)>;
    void setDialogs(Warning warning, Question question);

    // Starts a session as the user would with the form (the --connect option).
    void connectTo(const QString& partnerId, const QString& password);

    // For tests.
    QString statusText() const;
    QString clientIdText() const;
    int currentPage() const;
    RemoteDesktopWidget* view() const { return m_view; }
    QComboBox* partnerBox() const { return m_partnerBox; }
    QLineEdit* passwordEdit() const { return m_passwordEdit; }
    QPushButton* connectButton() const { return m_connectButton; }
    SystemTrayIcon* trayIcon() const { return m_tray; }

public slots:
    void onAuthenticated(const QString& clientId);
    void onLoggedOut();
    void onSignalingConnected();
    void onSignalingDisconnected();
    void onSessionHandshakeRequest(const QString& sessionId, const QString& masterClientId,
                                   const QString& purpose);
    void onSessionAutoAccept(const QString& sessionId, const QString& masterClientId,
                             const QString& masterEcdhPublicKey);
    void onSessionStateChanged(nimbral::SessionState newState);
    void onFrameDecoded(std::shared_ptr<nimbral::DecodedFrame> frame);
    void onSessionError(const QString& error);
    void onRequestError(const QString& endpoint, int statusCode, const QString& detail);
    void onConnectClicked();
    void onDisconnectClicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildHomePage();
    QWidget* buildSessionPage();
    void setStatus(const QString& text, const QString& colour);
    void returnToHomePage();
    void fillPartnerBox();
    void warn(const QString& title, const QString& text);

    AuthController& m_auth;
    ApiClient& m_api;
    SignalingClient& m_signaling;
    SessionManager& m_session;
    SettingsController& m_settings;

    QStackedWidget* m_pages = nullptr;
    QLabel* m_clientId = nullptr;
    QLabel* m_password = nullptr;
    QLabel* m_pairingCode = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_statistics = nullptr;
    QComboBox* m_partnerBox = nullptr;
    QListWidget* m_favorites = nullptr;
    QLineEdit* m_passwordEdit = nullptr;
    QPushButton* m_connectButton = nullptr;
    QPushButton* m_disconnectButton = nullptr;
    QLabel* m_qualityBadge = nullptr;
    RemoteDesktopWidget* m_view = nullptr;
    ConnectionQualityMonitor* m_monitor = nullptr;
    SystemTrayIcon* m_tray = nullptr; // only where the desktop has a notification area
    bool m_authenticated = false;
    int m_scaleMode = 0;
    Warning m_warning;
    Question m_question;
};

} // namespace nimbral
