#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include <QHostAddress>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include "codec/video_decoder.h"
#include "session/connection_quality_monitor.h"
#include "session/session_manager.h"
#include "ui/chat_dialog.h"
#include "ui/command_runner.h"
#include "ui/display_text.h"
#include "ui/session_status.h"

class QAction;
class QActionGroup;
class QMenu;
class QComboBox;
class QFrame;
class QShortcut;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;

class QToolBar;

namespace nimbral {

class ApiClient;
class AuthController;
class RemoteDesktopWidget;
class SessionNotice;
class SessionReconnector;
class SettingsController;
class SignalingClient;
class SystemTrayIcon;
class UpdateService;

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
    // After a session ended or was lost: true when the user wants it back; replaced by tests.
    void setReconnectOffer(Question offer) { m_reconnectOffer = std::move(offer); }
    // A line of text from the user, or nothing when cancelled; replaced by tests.
    using TextInput =
        std::function<std::optional<QString>(const QString& title, const QString& label)>;
    void setTextInput(TextInput input) { m_textInput = std::move(input); }
    // A new session password that passed the policy, or nothing when cancelled; replaced by
    // tests.
    void setPasswordInput(TextInput input) { m_passwordInput = std::move(input); }
    void setInformation(Warning information) { m_information = std::move(information); }
    // The programs the settings dialog and the installer launch run; replaced by tests.
    void setCommandRunner(CommandRunner runner) { m_commands = std::move(runner); }
    // Where Wake-on-LAN packets go: the broadcast address, or a loopback listener in tests.
    void setWakeOnLanTarget(const QHostAddress& address, quint16 port);
    // Opens a web address in the user's browser; replaced by tests.
    void setUrlOpener(std::function<void(const QUrl&)> opener) { m_openUrl = std::move(opener); }
    // The update service built with the window (borrowed): its notices become the banner and
    // its installer is launched from here.
    void setUpdateService(UpdateService* updates);

    // Starts a session as the user would with the form (the --connect option).
    void connectTo(const QString& partnerId, const QString& password);
    // What is wrong with the connect form (partner ID without blanks, password), or empty;
    // the agent's window asks the same.
    static QString connectFormProblem(const QString& partnerId, const QString& password);

    // For tests, besides the widgets found by object name ("partnerBox", "partnerPassword",
    // "connectButton", "favoriteButton", "favoritesList", "remoteView", "infoAction",
    // "filesAction", "chatAction", "chatDialog", "statistics", "qualityBadge", "updateBanner").
    QString statusText() const;
    QString clientIdText() const;
    int currentPage() const;
    QPushButton* button(const QString& toolTip) const;
    const ConnectionQualityMonitor& qualityMonitor() const { return *m_monitor; }
    // Whether the session's keyboard shortcuts are live (only on the session page).
    bool sessionShortcutsEnabled() const;

public slots:
    void onAuthenticated(const QString& clientId);
    void onLoggedOut();
    void onSignalingConnected();
    void onSignalingDisconnected();
    void onSessionHandshakeRequest(const QString& sessionId, const QString& masterClientId,
                                   const QString& purpose);
    void onSessionAutoAccept(const QString& sessionId, const QString& masterClientId,
                             const QString& masterEcdhPublicKey, const QString& relayToken);
    void onSessionStateChanged(nimbral::SessionState newState);
    void onFrameDecoded(std::shared_ptr<nimbral::DecodedFrame> frame);
    void onSessionError(const QString& error);
    void onSessionApprovalRequested(const QString& sessionId, const QString& masterClientId,
                                    const QString& shortAuthenticationString,
                                    const QString& masterFingerprint);
    void onPartnerKeyChanged(const QString& partnerId, const QString& previousFingerprint,
                             const QString& newFingerprint, const QByteArray& newKey);
    void onRequestError(const QString& endpoint, int statusCode, const QString& detail);
    void onConnectClicked();
    void onDisconnectClicked();
    void onStatsUpdated(const nimbral::ConnectionStats& stats);
    void onSettingsClicked();
    void onInfoClicked();
    void onFilesClicked();
    void onChatClicked();
    void onFavoriteClicked();
    void onChangePasswordClicked();
    void onWakeOnLanClicked();
    void onQuitRequested();
    void showUpdateBanner(const QString& version, const QString& downloadUrl,
                          const QString& releaseNotes);
    void launchInstaller(const QString& installerPath);

signals:
    // The user asked for the program to start again (for a new language); it quits first.
    void restartRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The window in front (and the tray's notice while it was hidden) for a request to answer.
    void comeForwardFor(const QString& masterClientId);
    // The construction's steps: message boxes, the tray icon, the services' signals, the
    // session page's keyboard shortcuts.
    void useDesktopDialogs();
    void addTrayIcon();
    void connectToServices();
    // Checks the partner and password as the form gives them, then starts the session.
    void startSession(const QString& partnerId, const QString& password);
    void addSessionShortcuts();
    QWidget* buildHomePage();
    // Whether this device talks to the built-in server, whose admin panel the home page offers.
    bool usesBuiltInServer() const;
    QLayout* buildHomeHeader(QWidget* page);
    QFrame* buildDeviceCard(QWidget* page);
    QFrame* buildConnectCard(QWidget* page);
    QLayout* buildPairingRow(QWidget* page);
    QWidget* buildSessionPage();
    // The session toolbar's scale and monitor menus.
    void addViewMenus(QToolBar* toolbar);
    // The partner's monitors (as it listed them, else four), the one shown ticked.
    void fillMonitorMenu();
    // The view's scale mode, ticked in the menu; `announce`: said over the picture for a moment.
    void setScaleMode(int mode, bool announce);
    static constexpr int kScaleNoticeMs = 1500;
    void setStatus(const QString& text, StatusTone tone);
    // What follows a session's end (main_window_session_end.cpp): the message, the Reconnect
    // button, the automatic attempts after a lost link.
    void connectReconnector();
    void offerReconnect(const QString& title, const QString& text);
    void showDisconnectButton(bool shown);
    void showSessionNotice();
    void showSessionPage();
    void returnToHomePage();
    void fillPartnerBox();
    void fillFavorites();
    void updateFavoriteIcon();
    void setupChatDialog();
    void setSessionShortcutsEnabled(bool enabled);
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
    QLabel* m_ownFingerprint = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_statistics = nullptr;
    QComboBox* m_partnerBox = nullptr;
    QListWidget* m_favorites = nullptr;
    QLabel* m_favoritesCaption = nullptr;
    static constexpr int kFavoriteRowsShown = 4; // more scroll
    QLineEdit* m_passwordEdit = nullptr;
    QPushButton* m_connectButton = nullptr;
    QPushButton* m_disconnectButton = nullptr;
    QLabel* m_qualityBadge = nullptr;
    QLabel* m_sessionFigures = nullptr;
    QPushButton* m_favoriteButton = nullptr;
    QAction* m_infoAction = nullptr;
    QAction* m_filesAction = nullptr;
    QAction* m_chatAction = nullptr;
    QList<QShortcut*> m_sessionShortcuts;
    QPointer<ChatDialog> m_chat;
    QWidget* m_updateBanner = nullptr;
    QPushButton* m_updateButton = nullptr;
    QPointer<UpdateService> m_updates;
    RemoteDesktopWidget* m_view = nullptr;
    ConnectionQualityMonitor* m_monitor = nullptr;
    SystemTrayIcon* m_tray = nullptr; // only where the desktop has a notification area
    bool m_authenticated = false;
    bool m_quitting = false;
    int m_scaleMode = 0;
    QMenu* m_monitorMenu = nullptr;
    QActionGroup* m_monitorGroup = nullptr;
    int m_shownMonitor = 0;
    int m_monitorBeforeSwitch = 0;
    Warning m_warning;
    Question m_question;
    Question m_reconnectOffer;
    SessionReconnector* m_reconnector = nullptr;
    std::unique_ptr<SessionNotice> m_notice; // as Target, while a partner is connected
    // A partner's changed device key, until the session error it causes asks about it.
    struct KeyChange {
        QString partnerId;
        QByteArray newKey;
    };
    std::optional<KeyChange> m_keyChange;
    Warning m_information;
    TextInput m_textInput;
    TextInput m_passwordInput;
    CommandRunner m_commands;
    QHostAddress m_wakeOnLanAddress = QHostAddress::Broadcast;
    quint16 m_wakeOnLanPort = 9;
    std::function<void(const QUrl&)> m_openUrl;
};

} // namespace nimbral
