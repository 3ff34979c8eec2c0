#include "ui/main_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QTime>
#include <spdlog/spdlog.h>

#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "session/file_transfer_service.h"
#include "session/session_reconnector.h"
#include "ui/chat_dialog.h"
#include "ui/display_text.h"
#include "ui/icons.h"
#include "ui/password_dialog.h"
#include "ui/remote_desktop_widget.h"
#include "ui/session_notice.h"
#include "ui/system_tray_icon.h"
#include "ui/wake_on_lan.h"

namespace nimbral {

MainWindow::MainWindow(AuthController& auth, ApiClient& api, SignalingClient& signaling,
                       SessionManager& session, SettingsController& settings, QWidget* parent,
                       bool withTray)
    : QMainWindow(parent)
    , m_auth(auth)
    , m_api(api)
    , m_signaling(signaling)
    , m_session(session)
    , m_settings(settings)
    , m_monitor(new ConnectionQualityMonitor(this)) {
    useDesktopDialogs();
    setWindowTitle(tr("Nimbral - Remote Access"));
    setMinimumSize(420, 600);
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pages->addWidget(buildHomePage());
    setCentralWidget(m_pages);
    // Without a notification area a tray icon would only swallow the window on close.
    if (withTray && QSystemTrayIcon::isSystemTrayAvailable()) {
        addTrayIcon();
    }
    connectToServices();
    connectReconnector();
    addSessionShortcuts();
}

void MainWindow::useDesktopDialogs() {
    m_warning = [this](const QString& title, const QString& text) {
        QMessageBox::warning(this, title, text);
    };
    m_question = [this](const QString& title, const QString& text) {
        return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    m_reconnectOffer = [this](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Close, this);
        QPushButton* reconnect = box.addButton(tr("Reconnect"), QMessageBox::AcceptRole);
        box.setDefaultButton(reconnect);
        box.exec();
        return box.clickedButton() == reconnect;
    };
    m_information = [this](const QString& title, const QString& text) {
        QMessageBox::information(this, title, text);
    };
    m_textInput = [this](const QString& title, const QString& label) -> std::optional<QString> {
        bool ok = false;
        const QString text =
            QInputDialog::getText(this, title, label, QLineEdit::Normal, QString(), &ok);
        return ok ? std::optional<QString>(text) : std::nullopt;
    };
    m_passwordInput = [this](const QString& title, const QString& label) -> std::optional<QString> {
        PasswordDialog dialog(title, label, &AuthController::validatePassword, this);
        return dialog.exec() == QDialog::Accepted ? std::optional<QString>(dialog.password())
                                                  : std::nullopt;
    };
    m_commands = CommandRunner::system();
    m_openUrl = [](const QUrl& url) {
        QDesktopServices::openUrl(url);
    };
}

void MainWindow::addTrayIcon() {
    m_tray = new SystemTrayIcon(this);
    connect(m_tray, &SystemTrayIcon::showWindowRequested, this, [this] {
        showNormal();
        activateWindow();
        raise();
    });
    connect(m_tray, &SystemTrayIcon::disconnectRequested, this, &MainWindow::onDisconnectClicked);
    connect(m_tray, &SystemTrayIcon::quitRequested, this, &MainWindow::onQuitRequested);
    m_tray->show();
}

void MainWindow::connectToServices() {
    connect(&m_auth, &AuthController::authenticated, this, &MainWindow::onAuthenticated);
    connect(&m_auth, &AuthController::authenticationFailed, this,
            [this] { setStatus(tr("Server unavailable — retrying..."), StatusTone::Warning); });
    connect(&m_auth, &AuthController::loggedOut, this, &MainWindow::onLoggedOut);
    connect(&m_auth, &AuthController::pairingCodeChanged, m_pairingCode, &QLabel::setText);
    connect(&m_signaling, &SignalingClient::connected, this, &MainWindow::onSignalingConnected);
    connect(&m_signaling, &SignalingClient::disconnected, this,
            &MainWindow::onSignalingDisconnected);
    connect(&m_signaling, &SignalingClient::sessionHandshakeRequest, this,
            &MainWindow::onSessionHandshakeRequest);
    connect(&m_signaling, &SignalingClient::sessionAutoAccept, this,
            &MainWindow::onSessionAutoAccept);
    connect(&m_session, &SessionManager::stateChanged, this, &MainWindow::onSessionStateChanged);
    connect(&m_session, &SessionManager::frameDecoded, this, &MainWindow::onFrameDecoded);
    connect(&m_session, &SessionManager::sessionError, this, &MainWindow::onSessionError);
    connect(&m_session, &SessionManager::approvalRequested, this,
            &MainWindow::onSessionApprovalRequested);
    connect(&m_session, &SessionManager::partnerKeyChanged, this, &MainWindow::onPartnerKeyChanged);
    connect(&m_session, &SessionManager::trafficCounted, this,
            [this](qint64 sent, qint64 received) {
                m_monitor->recordBytesSent(sent);
                m_monitor->recordBytesReceived(received);
            });
    connect(&m_api, &ApiClient::requestError, this, &MainWindow::onRequestError);

    connect(&m_session, &SessionManager::videoFrameSent, this, [this] {
        if (m_session.role() == SessionRole::Target) {
            m_monitor->recordFrame();
        }
    });
    connect(&m_session, &SessionManager::videoLost, m_monitor,
            &ConnectionQualityMonitor::recordDroppedFrame);
    connect(m_monitor, &ConnectionQualityMonitor::statsUpdated, this, &MainWindow::onStatsUpdated);
}

void MainWindow::addSessionShortcuts() {
    // Window-wide, but live only while the session page is shown: on the home page F11 would
    // make the small window full screen.
    const auto addShortcut = [this](const QKeySequence& keys, auto slot) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setEnabled(false);
        connect(shortcut, &QShortcut::activated, this, slot);
        m_sessionShortcuts.append(shortcut);
    };
    addShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+I")), &MainWindow::onInfoClicked);
    addShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F")), &MainWindow::onFilesClicked);
    addShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+C")), &MainWindow::onChatClicked);
    addShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+D")), &MainWindow::onDisconnectClicked);
    addShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Q")),
                [this] { setScaleMode((m_scaleMode + 1) % 3, true); });
    addShortcut(QKeySequence(Qt::Key_F11), [this] {
        if (m_view != nullptr) {
            m_view->toggleFullScreen();
        }
    });
}

void MainWindow::setSessionShortcutsEnabled(bool enabled) {
    for (QShortcut* shortcut : m_sessionShortcuts) {
        shortcut->setEnabled(enabled);
    }
}

bool MainWindow::sessionShortcutsEnabled() const {
    return !m_sessionShortcuts.isEmpty() && m_sessionShortcuts.first()->isEnabled();
}

QPushButton* MainWindow::button(const QString& toolTip) const {
    for (QPushButton* candidate : findChildren<QPushButton*>()) {
        if (candidate->toolTip() == toolTip) {
            return candidate;
        }
    }
    return nullptr;
}

void MainWindow::setWakeOnLanTarget(const QHostAddress& address, quint16 port) {
    m_wakeOnLanAddress = address;
    m_wakeOnLanPort = port;
}

MainWindow::~MainWindow() = default;

void MainWindow::setDialogs(Warning warning, Question question) {
    m_warning = std::move(warning);
    m_question = std::move(question);
}

void MainWindow::warn(const QString& title, const QString& text) {
    m_warning(title, text);
}

void MainWindow::setStatus(const QString& text, StatusTone tone) {
    m_status->setText(QStringLiteral("● ") + text);
    setStatusTone(*m_status, tone);
    if (m_tray != nullptr) {
        m_tray->setStatusText(text);
    }
}

QString MainWindow::statusText() const {
    return m_status->text();
}

QString MainWindow::clientIdText() const {
    return m_clientId->text();
}

int MainWindow::currentPage() const {
    return m_pages->currentIndex();
}

void MainWindow::fillPartnerBox() {
    m_partnerBox->clear();
    for (const QString& id : m_settings.recentPartners()) {
        m_partnerBox->addItem(formatClientId(id), id);
    }
    if (m_partnerBox->count() > 0) {
        m_partnerBox->setCurrentIndex(0);
    } else {
        m_partnerBox->setEditText(QString());
    }
}

void MainWindow::connectTo(const QString& partnerId, const QString& password) {
    // A password given to the program (a file, standard input) never shows in the form.
    m_partnerBox->setEditText(formatClientId(partnerId));
    startSession(withoutBlanks(partnerId.trimmed()), password.trimmed());
}

QString MainWindow::connectFormProblem(const QString& partnerId, const QString& password) {
    if (partnerId.isEmpty()) {
        return tr("Please enter a partner Client ID.");
    }
    static const QRegularExpression nineDigits(QStringLiteral("^\\d{9}$"));
    if (!nineDigits.match(partnerId).hasMatch()) {
        return tr("Partner ID must be exactly 9 digits.");
    }
    if (password.isEmpty()) {
        return tr("Please enter the partner's password.");
    }
    return {};
}

void MainWindow::onConnectClicked() {
    startSession(withoutBlanks(m_partnerBox->currentText().trimmed()),
                 m_passwordEdit->text().trimmed());
}

void MainWindow::startSession(const QString& partnerId, const QString& password) {
    if (const QString problem = connectFormProblem(partnerId, password); !problem.isEmpty()) {
        warn(tr("Error"), problem);
        return;
    }
    m_settings.addRecentPartner(partnerId);
    fillPartnerBox();
    m_partnerBox->setEditText(formatClientId(partnerId));
    spdlog::info("Initiating session to partner: {} (with password)", partnerId.toStdString());
    m_connectButton->setEnabled(false);
    m_reconnector->setAutomatic(m_settings.autoReconnect(), m_settings.maxReconnectAttempts());
    m_reconnector->remember(partnerId, password);
    m_session.initiateSession(partnerId, password);
}

void MainWindow::onDisconnectClicked() {
    if (m_reconnector->isReconnecting()) {
        m_reconnector->cancel();
        showDisconnectButton(false);
        onSessionStateChanged(m_session.state());
    }
    if (m_session.state() != SessionState::Idle) {
        m_session.endSession(QStringLiteral("user_disconnect"));
    }
}

void MainWindow::onAuthenticated(const QString& clientId) {
    m_authenticated = true;
    m_clientId->setText(formatClientId(clientId));
    m_password->setText(m_auth.sessionPassword());
    m_pairingCode->setText(m_auth.pairingCode());
    m_ownFingerprint->setText(tr("Device key: %1").arg(m_session.ownFingerprint()));
    m_connectButton->setEnabled(true);
    setStatus(tr("Ready"), StatusTone::Good);
    if (m_tray != nullptr) {
        m_tray->showNotification(QStringLiteral("Nimbral"),
                                 tr("Ready. Your ID: %1").arg(formatClientId(clientId)));
    }
}

void MainWindow::onLoggedOut() {
    m_authenticated = false;
    m_clientId->setText(tr("Not connected"));
    m_password->setText(QStringLiteral("------"));
    m_connectButton->setEnabled(false);
    setStatus(tr("Disconnected"), StatusTone::Bad);
    returnToHomePage();
}

void MainWindow::onSignalingConnected() {
    setStatus(tr("Online (Ready)"), StatusTone::Good);
}

void MainWindow::onSignalingDisconnected() {
    if (m_authenticated) {
        setStatus(tr("Reconnecting..."), StatusTone::Warning);
    }
}

void MainWindow::comeForwardFor(const QString& masterClientId) {
    if (m_tray != nullptr && !isVisible()) {
        m_tray->showIncomingConnection(formatClientId(masterClientId));
    }
    showNormal();
    activateWindow();
    raise();
}

void MainWindow::onSessionHandshakeRequest(const QString& sessionId, const QString& masterClientId,
                                           const QString& purpose) {
    comeForwardFor(masterClientId);
    const QString text =
        tr("Client %1 wants to connect.\nPurpose: %2\n\nAccept?")
            .arg(formatClientId(masterClientId), purpose.isEmpty() ? tr("remote access") : purpose);
    if (m_question(tr("Incoming Connection"), text)) {
        spdlog::info("Accepted session {} from {}", sessionId.toStdString(),
                     masterClientId.toStdString());
        m_session.acceptSession(sessionId, masterClientId, QString());
    } else {
        spdlog::info("Rejected session {} from {}", sessionId.toStdString(),
                     masterClientId.toStdString());
    }
}

void MainWindow::onSessionApprovalRequested(const QString& sessionId, const QString& masterClientId,
                                            const QString& shortAuthenticationString,
                                            const QString& masterFingerprint) {
    comeForwardFor(masterClientId);
    const QString text =
        tr("Client %1 wants to connect with your pairing code.\n\nSecurity code: %2\nAsk your "
           "partner to read out the code on their screen: accept only if it is the same.\n\n"
           "Partner's device key: %3\n\nAccept?")
            .arg(formatClientId(masterClientId), shortAuthenticationString, masterFingerprint);
    if (m_question(tr("Incoming Connection"), text)) {
        spdlog::info("Accepted verified session {} from {}", sessionId.toStdString(),
                     masterClientId.toStdString());
        m_session.approveSession(sessionId);
    } else {
        spdlog::info("Declined verified session {} from {}", sessionId.toStdString(),
                     masterClientId.toStdString());
        m_session.declineSession(sessionId);
    }
}

void MainWindow::onPartnerKeyChanged(const QString& partnerId, const QString&, const QString&,
                                     const QByteArray& newKey) {
    m_keyChange = KeyChange{partnerId, newKey};
}

void MainWindow::onSessionAutoAccept(const QString& sessionId, const QString& masterClientId,
                                     const QString& masterEcdhPublicKey,
                                     const QString& relayToken) {
    spdlog::info("Auto-accepting session {} from {} (password verified)", sessionId.toStdString(),
                 masterClientId.toStdString());
    m_session.acceptSession(sessionId, masterClientId, masterEcdhPublicKey, relayToken);
    if (m_tray != nullptr) {
        m_tray->showNotification(QStringLiteral("Nimbral"),
                                 tr("Incoming connection from ") + formatClientId(masterClientId));
    }
}

void MainWindow::returnToHomePage() {
    if (m_view != nullptr) {
        m_view->setViewingMode(false);
        m_view->clearFrame(); // the next session starts black, not on this one's last picture
    }
    m_pages->setCurrentIndex(0);
    m_statistics->hide();
    setMinimumSize(420, 0);
    resize(420, sizeHint().height());
    setWindowTitle(tr("Nimbral - Remote Access"));
    m_monitor->stop();
    m_notice.reset();
    setSessionShortcutsEnabled(false);
    if (m_tray != nullptr) {
        m_tray->setDisconnectEnabled(false);
    }
    delete m_chat;
}

void MainWindow::onSessionStateChanged(SessionState newState) {
    if (const auto line = sessionStatusLine(newState, m_authenticated)) {
        setStatus(line->text, line->tone);
    }
    // There is something to disconnect only from the first request to the end of a session,
    // and while a lost one is being brought back.
    showDisconnectButton((newState != SessionState::Idle && newState != SessionState::Failed) ||
                         m_reconnector->isReconnecting());
    switch (newState) {
    case SessionState::Idle:
        returnToHomePage();
        m_connectButton->setEnabled(m_authenticated);
        break;
    case SessionState::Connected:
        m_monitor->start();
        if (m_tray != nullptr) {
            m_tray->setDisconnectEnabled(true);
        }
        setupChatDialog();
        if (m_session.role() == SessionRole::Master) {
            showSessionPage();
        } else {
            // A steady line: this window is on the screen being shared, and a line that changed
            // every second (uptime, rates) would be sent as a new picture every second.
            m_statistics->setText(tr("Sharing this screen with %1 since %2")
                                      .arg(formatClientId(m_session.peerClientId()),
                                           QTime::currentTime().toString(QStringLiteral("HH:mm"))));
            m_statistics->show();
            showSessionNotice();
            if (m_tray != nullptr) {
                m_tray->showNotification(QStringLiteral("Nimbral"),
                                         tr("Remote session active — sharing your screen."));
            }
        }
        break;
    case SessionState::Failed:
        returnToHomePage();
        m_connectButton->setEnabled(m_authenticated);
        if (m_tray != nullptr && !m_reconnector->isReconnecting()) {
            m_tray->showNotification(QStringLiteral("Nimbral"), tr("Session failed."),
                                     QSystemTrayIcon::Warning);
        }
        break;
    case SessionState::Initiating:
    case SessionState::Handshaking:
    case SessionState::Connecting:
    case SessionState::Closing:
        break;
    }
}

void MainWindow::showSessionPage() {
    if (m_pages->count() < 2) {
        m_pages->addWidget(buildSessionPage());
    }
    m_pages->setCurrentIndex(1);
    m_shownMonitor = m_session.partnerMonitorIndex();
    fillMonitorMenu();
    setSessionShortcutsEnabled(true);
    if (m_view != nullptr) {
        // Never a glimpse of the previous partner's screen.
        m_view->clearFrame();
        m_view->setViewingMode(true);
        m_view->setFocus();
    }
    setMinimumSize(800, 600);
    QSize size(1280, 720);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        size = QSize(std::min(available.width() * 3 / 4, 1280),
                     std::min(available.height() * 3 / 4, 720));
    }
    resize(size);
    const QString verification =
        m_session.sessionVerified()
            ? tr("security code %1").arg(m_session.shortAuthenticationString())
            : tr("Not verified");
    setWindowTitle(tr("Nimbral - Connected to %1 (%2)")
                       .arg(formatClientId(m_session.peerClientId()), verification));
}

void MainWindow::onFrameDecoded(std::shared_ptr<DecodedFrame> frame) {
    if (m_view == nullptr || !frame) {
        return;
    }
    m_monitor->recordFrame();
    m_view->updateFrame(std::move(frame));
}

void MainWindow::onSessionError(const QString& error) {
    const std::optional<KeyChange> change = std::exchange(m_keyChange, std::nullopt);
    if (!change && m_reconnector->isReconnecting() && m_session.lastFailureMayPass()) {
        return; // the next attempt follows; the status line counts them
    }
    if (!change) {
        warn(tr("Session Error"), error);
        return;
    }
    // Trusting the new key is the user's decision, never an automatic one.
    if (m_question(tr("Device Key Changed"),
                   error + QStringLiteral("\n\n") + tr("Trust the new key and connect?"))) {
        spdlog::warn("The user trusts the new device key of {}", change->partnerId.toStdString());
        m_settings.pinPartnerKey(change->partnerId, change->newKey);
        onConnectClicked();
    }
}

void MainWindow::onRequestError(const QString& endpoint, int statusCode, const QString& detail) {
    spdlog::warn("API error on {}: {} ({})", endpoint.toStdString(), statusCode,
                 detail.toStdString());
    if (endpoint.contains(QLatin1String("close")) || endpoint.contains(QLatin1String("complete"))) {
        return;
    }
    // The session goes on without verification (or says itself why it will not).
    if (detail == QLatin1String(SessionManager::kNoVerifiedSessions)) {
        return;
    }
    // No box here: the session reports the failure once, naming the partner (onSessionError).
    m_connectButton->setEnabled(m_authenticated);
    setStatus(tr("Online (Ready)"), StatusTone::Good);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_quitting) {
        event->accept();
        return;
    }
    const SessionState state = m_session.state();
    if (state != SessionState::Idle && state != SessionState::Failed) {
        m_session.endSession(QStringLiteral("user_closed_window"));
        returnToHomePage();
        event->ignore();
        return;
    }
    if (m_settings.minimizeToTray() && m_tray != nullptr && m_tray->isVisible()) {
        hide();
        m_tray->showNotification(QStringLiteral("Nimbral"),
                                 tr("Application minimized to system tray."));
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::fillFavorites() {
    m_favorites->clear();
    for (const QString& id : m_settings.favorites()) {
        m_favorites->addItem(formatClientId(id));
    }
    const int rows = std::min(m_favorites->count(), kFavoriteRowsShown);
    // Exactly the rows it shows: a list that takes what the layout offers grew the window.
    m_favorites->setFixedHeight(rows * m_favorites->sizeHintForRow(0) +
                                2 * m_favorites->frameWidth());
    m_favorites->setVisible(rows > 0);
    m_favoritesCaption->setVisible(rows > 0);
    if (m_pages != nullptr && m_pages->currentIndex() == 0) {
        resize(width(), std::max(minimumHeight(), sizeHint().height()));
    }
    updateFavoriteIcon();
}

void MainWindow::updateFavoriteIcon() {
    const QString id = withoutBlanks(m_partnerBox->currentText());
    const bool favorite = m_settings.favorites().contains(id);
    m_favoriteButton->setIcon(
        nimbralIcon(favorite ? QStringLiteral("star") : QStringLiteral("star_border")));
    // The list marks the favourite in the form, and no other.
    const QList<QListWidgetItem*> shown =
        m_favorites->findItems(formatClientId(id), Qt::MatchExactly);
    if (favorite && !shown.isEmpty()) {
        m_favorites->setCurrentItem(shown.front());
    } else {
        m_favorites->clearSelection();
        m_favorites->setCurrentItem(nullptr);
    }
}

void MainWindow::onFavoriteClicked() {
    const QString id = withoutBlanks(m_partnerBox->currentText());
    if (id.size() != 9) {
        return;
    }
    if (m_settings.favorites().contains(id)) {
        m_settings.removeFavorite(id);
    } else {
        m_settings.addFavorite(id);
    }
    fillFavorites();
}

} // namespace nimbral
