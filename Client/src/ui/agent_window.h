#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QMainWindow>
#include <QPointer>

#include "codec/video_decoder.h"
#include "session/session_manager.h"
#include "ui/session_status.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace nimbral {

class ChatDialog;
class RemoteDesktopWidget;
class ServiceIpcClient;
class SessionNotice;
class SettingsController;

// The client's window while NimbralService runs on this machine: the device is the service's,
// so the window shows the service's ID, password and pairing code and sends every action
// (connect, disconnect, chat, password, settings, input) through the service connection; a
// Master's view draws the frames the service decoded. Main thread only.
// Tests find its widgets by object name: "clientId", "sessionPassword", "pairingCode",
// "statusLine", "partnerId", "partnerPassword", "connectButton", "disconnectButton", "pages",
// "remoteView", "chatDialog".
class AgentWindow : public QMainWindow {
    Q_OBJECT

public:
    using Warning = std::function<void(const QString& title, const QString& text)>;
    using TextInput =
        std::function<std::optional<QString>(const QString& title, const QString& label)>;

    AgentWindow(ServiceIpcClient& service, SettingsController& settings, QWidget* parent = nullptr);
    ~AgentWindow() override;

    // Message boxes and the text question; replaced by tests.
    void setDialogs(Warning warning, TextInput input);
    void connectTo(const QString& partnerId, const QString& password);
    // A stop request (SIGTERM at log-out): ends the viewing with its reason, then the program.
    void quitOnStopRequest();

public slots:
    void onConnectClicked();
    void onDisconnectClicked();
    void onChatClicked();
    void onChangePasswordClicked();
    void onSettingsClicked();

signals:
    // The user asked for the program to start again (for a new language); it quits first.
    void restartRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildHomePage();
    // Checks the partner and password as the form gives them, then asks the service to connect.
    void startViewing(const QString& partnerId, const QString& password);
    QWidget* buildSessionPage();
    void onAuthenticated(const QString& clientId);
    void onStateChanged(SessionState state);
    void onChatMessage(const QString& from, const QString& text, const QDateTime& time);
    void onServiceLost();
    void setStatus(const QString& text, StatusTone tone);
    void showSessionPage();
    // "security code 123456", or "Not verified".
    QString verificationText() const;
    void showHomePage();
    ChatDialog* ensureChatDialog();

    ServiceIpcClient& m_service;
    SettingsController& m_settings;
    bool m_quitting = false;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_clientId = nullptr;
    QLabel* m_password = nullptr;
    QLabel* m_pairingCode = nullptr;
    QLabel* m_status = nullptr;
    QLineEdit* m_partner = nullptr;
    QLineEdit* m_partnerPassword = nullptr;
    QPushButton* m_connectButton = nullptr;
    QPushButton* m_disconnectButton = nullptr;
    RemoteDesktopWidget* m_view = nullptr;
    QPointer<ChatDialog> m_chat;
    std::unique_ptr<SessionNotice> m_notice; // as Target, while a partner is connected
    Warning m_warning;
    TextInput m_textInput;
};

} // namespace nimbral
