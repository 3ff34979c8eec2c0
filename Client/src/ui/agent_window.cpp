#include "ui/agent_window.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

#include "capture/x11_display.h"
#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "service/service_ipc_client.h"
#include "ui/chat_dialog.h"
#include "ui/command_runner.h"
#include "ui/device_card.h"
#include "ui/display_text.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/remote_desktop_widget.h"
#include "ui/session_notice.h"
#include "ui/settings_dialog.h"

namespace nimbral {

AgentWindow::AgentWindow(ServiceIpcClient& service, SettingsController& settings, QWidget* parent)
    : QMainWindow(parent)
    , m_service(service)
    , m_settings(settings) {
    m_warning = [this](const QString& title, const QString& text) {
        QMessageBox::warning(this, title, text);
    };
    m_textInput = [this](const QString& title, const QString& label) -> std::optional<QString> {
        PasswordDialog dialog(title, label, &AuthController::validatePassword, this);
        return dialog.exec() == QDialog::Accepted ? std::optional<QString>(dialog.password())
                                                  : std::nullopt;
    };
    setWindowTitle(QCoreApplication::translate("nimbral::MainWindow", "Nimbral - Remote Access"));
    setMinimumSize(420, 480);
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pages->addWidget(buildHomePage());
    setCentralWidget(m_pages);

    connect(&m_service, &ServiceIpcClient::authenticated, this, &AgentWindow::onAuthenticated);
    connect(&m_service, &ServiceIpcClient::authenticationFailed, this, [this] {
        setStatus(
            QCoreApplication::translate("nimbral::MainWindow", "Server unavailable — retrying..."),
            StatusTone::Warning);
    });
    connect(&m_service, &ServiceIpcClient::sessionPasswordChanged, m_password, &QLabel::setText);
    connect(&m_service, &ServiceIpcClient::pairingCodeChanged, m_pairingCode, &QLabel::setText);
    connect(&m_service, &ServiceIpcClient::stateChanged, this, &AgentWindow::onStateChanged);
    connect(&m_service, &ServiceIpcClient::chatMessageReceived, this, &AgentWindow::onChatMessage);
    connect(&m_service, &ServiceIpcClient::sessionError, this, [this](const QString& error) {
        m_warning(QCoreApplication::translate("nimbral::MainWindow", "Session Error"), error);
    });
    connect(&m_service, &ServiceIpcClient::frameDecoded, this,
            [this](std::shared_ptr<DecodedFrame> frame) {
                if (m_view != nullptr && frame && m_pages->currentIndex() == 1) {
                    m_view->updateFrame(std::move(frame));
                }
            });
    connect(&m_service, &ServiceIpcClient::disconnected, this, &AgentWindow::onServiceLost);

    if (m_service.isAuthenticated()) {
        onAuthenticated(m_service.clientId());
    }
    m_pairingCode->setText(m_service.pairingCode());
}

AgentWindow::~AgentWindow() = default;

void AgentWindow::setDialogs(Warning warning, TextInput input) {
    m_warning = std::move(warning);
    m_textInput = std::move(input);
}

QWidget* AgentWindow::buildHomePage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(10);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("Nimbral"), page);
    title->setStyleSheet(
        QStringLiteral("font-size: 20px; font-weight: bold; color: #4da6ff; letter-spacing: 1px;"));
    header->addWidget(title);
    header->addStretch();
    auto* settingsButton = new QPushButton(page);
    settingsButton->setIcon(nimbralIcon(QStringLiteral("settings")));
    settingsButton->setToolTip(QCoreApplication::translate("nimbral::MainWindow", "Settings"));
    settingsButton->setProperty("look", QStringLiteral("flat"));
    settingsButton->setFlat(true);
    connect(settingsButton, &QPushButton::clicked, this, &AgentWindow::onSettingsClicked);
    header->addWidget(settingsButton);
    layout->addLayout(header);

    auto* device = new DeviceCard(page);
    connect(device, &DeviceCard::changePasswordRequested, this,
            &AgentWindow::onChangePasswordClicked);
    m_clientId = device->clientId();
    m_password = device->password();
    m_status = device->status();
    device->rows()->addWidget(
        captionLabel(QCoreApplication::translate("nimbral::MainWindow", "PAIRING CODE"), device));
    m_pairingCode = new QLabel(device);
    m_pairingCode->setObjectName(QStringLiteral("pairingCode"));
    m_pairingCode->setTextInteractionFlags(Qt::TextSelectableByMouse);
    device->rows()->addWidget(m_pairingCode);
    layout->addWidget(device);
    setStatus(QCoreApplication::translate("nimbral::MainWindow", "Connecting..."),
              StatusTone::Starting);

    layout->addWidget(captionLabel(
        QCoreApplication::translate("nimbral::MainWindow", "CONNECT TO PARTNER"), page));
    m_partner = new QLineEdit(page);
    m_partner->setObjectName(QStringLiteral("partnerId"));
    m_partner->setPlaceholderText(
        QCoreApplication::translate("nimbral::MainWindow", "Partner ID  (XXX XXX XXX)"));
    layout->addWidget(m_partner);
    m_partnerPassword = new QLineEdit(page);
    m_partnerPassword->setObjectName(QStringLiteral("partnerPassword"));
    addShowPasswordToggle(m_partnerPassword);
    m_partnerPassword->setPlaceholderText(
        QCoreApplication::translate("nimbral::MainWindow", "Password"));
    layout->addWidget(m_partnerPassword);
    connect(m_partnerPassword, &QLineEdit::returnPressed, this, &AgentWindow::onConnectClicked);

    auto* buttons = new QHBoxLayout;
    m_connectButton =
        new QPushButton(QCoreApplication::translate("nimbral::MainWindow", "Connect"), page);
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    m_connectButton->setEnabled(false);
    connect(m_connectButton, &QPushButton::clicked, this, &AgentWindow::onConnectClicked);
    buttons->addWidget(m_connectButton);
    m_disconnectButton =
        new QPushButton(QCoreApplication::translate("nimbral::MainWindow", "Disconnect"), page);
    m_disconnectButton->setObjectName(QStringLiteral("disconnectButton"));
    m_disconnectButton->setEnabled(false);
    m_disconnectButton->hide();
    connect(m_disconnectButton, &QPushButton::clicked, this, &AgentWindow::onDisconnectClicked);
    buttons->addWidget(m_disconnectButton);
    auto* chat = new QPushButton(QCoreApplication::translate("nimbral::MainWindow", "Chat"), page);
    connect(chat, &QPushButton::clicked, this, &AgentWindow::onChatClicked);
    buttons->addWidget(chat);
    layout->addLayout(buttons);
    layout->addStretch();
    return page;
}

QWidget* AgentWindow::buildSessionPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* toolbar = new QToolBar(page);
    QAction* chat = toolbar->addAction(
        nimbralIcon(QStringLiteral("chat")),
        QCoreApplication::translate("nimbral::MainWindow", "Chat  (Ctrl+Shift+C)"));
    connect(chat, &QAction::triggered, this, &AgentWindow::onChatClicked);
    QAction* disconnect = toolbar->addAction(
        nimbralIcon(QStringLiteral("link_off")),
        QCoreApplication::translate("nimbral::MainWindow", "Disconnect  (Ctrl+Shift+D)"));
    connect(disconnect, &QAction::triggered, this, &AgentWindow::onDisconnectClicked);
    layout->addWidget(toolbar);
    m_view = new RemoteDesktopWidget(page);
    m_view->setObjectName(QStringLiteral("remoteView"));
    connect(m_view, &RemoteDesktopWidget::inputEvent, &m_service,
            &ServiceIpcClient::sendInputEvent);
    layout->addWidget(m_view, 1);
    return page;
}

void AgentWindow::onAuthenticated(const QString& clientId) {
    m_clientId->setText(formatClientId(clientId));
    m_password->setText(m_service.sessionPassword());
    m_connectButton->setEnabled(m_service.state() == SessionState::Idle ||
                                m_service.state() == SessionState::Failed);
    setStatus(QCoreApplication::translate("nimbral::MainWindow", "Online (Ready)"),
              StatusTone::Good);
}

void AgentWindow::setStatus(const QString& text, StatusTone tone) {
    m_status->setText(text);
    setStatusTone(*m_status, tone);
}

void AgentWindow::connectTo(const QString& partnerId, const QString& password) {
    // A password given to the program (a file, standard input) never shows in the form.
    m_partner->setText(partnerId);
    startViewing(withoutBlanks(partnerId.trimmed()), password.trimmed());
}

void AgentWindow::onConnectClicked() {
    startViewing(withoutBlanks(m_partner->text().trimmed()), m_partnerPassword->text().trimmed());
}

void AgentWindow::startViewing(const QString& partnerId, const QString& password) {
    if (const QString problem = MainWindow::connectFormProblem(partnerId, password);
        !problem.isEmpty()) {
        m_warning(QCoreApplication::translate("nimbral::MainWindow", "Error"), problem);
        return;
    }
    m_connectButton->setEnabled(false);
    m_service.connectToPartner(partnerId, password);
}

void AgentWindow::onDisconnectClicked() {
    m_service.endSession();
}

ChatDialog* AgentWindow::ensureChatDialog() {
    if (m_chat == nullptr) {
        m_chat = new ChatDialog(this);
        m_chat->setObjectName(QStringLiteral("chatDialog"));
        connect(m_chat, &ChatDialog::messageSent, this, [this](const QString& text) {
            m_service.sendChatMessage(text);
            m_chat->appendMessage(ChatDialog::ownSenderName(), text, QDateTime::currentDateTime());
        });
    }
    return m_chat;
}

void AgentWindow::onChatClicked() {
    if (m_service.state() != SessionState::Connected) {
        return;
    }
    ChatDialog* chat = ensureChatDialog();
    chat->show();
    chat->raise();
    chat->activateWindow();
}

void AgentWindow::onChatMessage(const QString& from, const QString& text, const QDateTime& time) {
    Q_UNUSED(from);
    ChatDialog* chat = ensureChatDialog();
    chat->appendMessage(QCoreApplication::translate("nimbral::MainWindow", "Remote"), text,
                        time.toLocalTime());
    if (!chat->isVisible()) {
        chat->show();
        chat->raise();
    }
}

void AgentWindow::onChangePasswordClicked() {
    const std::optional<QString> text = m_textInput(
        QCoreApplication::translate("nimbral::MainWindow", "Change Session Password"),
        QCoreApplication::translate("nimbral::MainWindow",
                                    "New password (min 8 chars, uppercase + lowercase + digit):"));
    if (!text || text->isEmpty()) {
        return;
    }
    const QString problem = AuthController::validatePassword(*text);
    if (!problem.isEmpty()) {
        m_warning(QCoreApplication::translate("nimbral::MainWindow", "Invalid Password"), problem);
        return;
    }
    m_service.setSessionPassword(*text);
}

void AgentWindow::onSettingsClicked() {
    SettingsDialog dialog(m_settings, enumerateMonitors(), CommandRunner::system(), this);
    connect(&dialog, &SettingsDialog::settingsChanged, this, [this] {
        spdlog::info("Settings updated by user");
        m_service.setDisplayMode(m_settings.displayMode());
        m_service.setClipboardSharing(m_settings.clipboardSharing());
        m_service.setMonitorIndex(m_settings.monitorIndex());
    });
    connect(&dialog, &SettingsDialog::restartRequested, this, [this] {
        emit restartRequested();
        QMetaObject::invokeMethod(this, &AgentWindow::quitOnStopRequest, Qt::QueuedConnection);
    });
    dialog.exec();
}

void AgentWindow::showHomePage() {
    if (m_view != nullptr) {
        m_view->setViewingMode(false);
        m_view->clearFrame();
    }
    m_pages->setCurrentIndex(0);
    setMinimumSize(420, 480);
    resize(420, sizeHint().height());
    setWindowTitle(QCoreApplication::translate("nimbral::MainWindow", "Nimbral - Remote Access"));
    delete m_chat;
}

void AgentWindow::onStateChanged(SessionState state) {
    const bool authenticated = m_service.isAuthenticated();
    if (const auto line = sessionStatusLine(state, authenticated)) {
        // While connected, what the user can compare with the partner's screen.
        setStatus(state == SessionState::Connected
                      ? line->text + QStringLiteral(" · ") + verificationText()
                      : line->text,
                  line->tone);
    }
    const bool resting = state == SessionState::Idle || state == SessionState::Failed;
    if (state != SessionState::Closing) {
        m_disconnectButton->setEnabled(!resting);
        m_disconnectButton->setVisible(!resting); // nothing to disconnect at rest
    }
    if (resting) {
        m_notice.reset();
        showHomePage();
        m_connectButton->setEnabled(authenticated);
    } else if (state == SessionState::Connected) {
        m_connectButton->setEnabled(false);
        if (m_service.role() == ServiceIpcClient::Role::Master) {
            showSessionPage();
        } else if (!m_notice) {
            // The person at an unattended machine sees who is on it, and can end it.
            m_notice = std::make_unique<SessionNotice>(m_service.peerClientId());
            connect(m_notice.get(), &SessionNotice::endRequested, this,
                    &AgentWindow::onDisconnectClicked);
            m_notice->show();
        }
    }
}

QString AgentWindow::verificationText() const {
    return m_service.sessionVerified()
               ? QCoreApplication::translate("nimbral::MainWindow", "security code %1")
                     .arg(m_service.shortAuthenticationString())
               : QCoreApplication::translate("nimbral::MainWindow", "Not verified");
}

void AgentWindow::showSessionPage() {
    if (m_pages->count() < 2) {
        m_pages->addWidget(buildSessionPage());
    }
    m_pages->setCurrentIndex(1);
    if (m_view != nullptr) {
        m_view->clearFrame();
        m_view->setViewingMode(true);
        m_view->setFocus();
    }
    setMinimumSize(800, 600);
    resize(1280, 720);
    setWindowTitle(
        QCoreApplication::translate("nimbral::MainWindow", "Nimbral - Connected to %1 (%2)")
            .arg(formatClientId(m_service.peerClientId()), verificationText()));
}

void AgentWindow::onServiceLost() {
    showHomePage();
    m_connectButton->setEnabled(false);
    m_disconnectButton->setEnabled(false);
    m_disconnectButton->hide();
    m_clientId->setText(QCoreApplication::translate("nimbral::MainWindow", "Not connected"));
    setStatus(QCoreApplication::translate("nimbral::MainWindow", "Disconnected"), StatusTone::Bad);
}

void AgentWindow::quitOnStopRequest() {
    m_quitting = true; // the close that the quit asks for is not refused
    const SessionState state = m_service.state();
    if (m_service.role() == ServiceIpcClient::Role::Master && state != SessionState::Idle &&
        state != SessionState::Failed) {
        m_service.endSession(QStringLiteral("application_quit"));
    }
    QCoreApplication::quit();
}

void AgentWindow::closeEvent(QCloseEvent* event) {
    if (m_quitting) {
        event->accept();
        return;
    }
    const SessionState state = m_service.state();
    if (m_service.role() == ServiceIpcClient::Role::Master && state != SessionState::Idle &&
        state != SessionState::Failed) {
        // Closing the viewer ends the viewing; the service itself stays reachable.
        m_service.endSession(QStringLiteral("user_closed_window"));
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace nimbral
