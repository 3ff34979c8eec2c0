#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "session/connection_quality_monitor.h"
#include "ui/icons.h"
#include "ui/remote_desktop_widget.h"
#include "ui/system_tray_icon.h"

namespace nimbral {

namespace {

constexpr const char* kAdminPanelHost = "admin.nimbral.net";
constexpr const char* kCardStyle =
    "QFrame#%1 { background-color: #16213e; border-radius: 8px; border: 1px solid #2a3a5e; }";
constexpr const char* kCaptionStyle = "font-size: 10px; color: #8892b0; letter-spacing: 1px;";

QLabel* caption(const QString& text, QWidget* parent, const QString& extra = {}) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(QString::fromLatin1(kCaptionStyle) + extra);
    return label;
}

QPushButton* iconButton(const QString& icon, const QString& tooltip, int size, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setIcon(nimbralIcon(icon));
    button->setToolTip(tooltip);
    button->setFlat(true);
    button->setFixedSize(size, size);
    return button;
}

QFrame* card(const QString& name, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setStyleSheet(QString::fromLatin1(kCardStyle).arg(name));
    return frame;
}

QString withoutBlanks(QString text) {
    return text.remove(QLatin1Char(' '));
}

} // namespace

// QOpenGLWidget cannot live on a platform without OpenGL windows (it aborts the program
// there); ask before creating one. The headless platforms may still make a context, so the
// platform is checked by name as well.
bool openGlAvailable() {
    static const QStringList withoutGlWidgets = {QStringLiteral("offscreen"),
                                                 QStringLiteral("minimal"), QStringLiteral("vnc"),
                                                 QStringLiteral("linuxfb")};
    if (withoutGlWidgets.contains(QGuiApplication::platformName())) {
        return false;
    }
    QOpenGLContext probe;
    return probe.create();
}

QString formatClientId(const QString& clientId) {
    const QString plain = withoutBlanks(clientId);
    if (plain.size() != 9) {
        return clientId;
    }
    return plain.left(3) + QLatin1Char(' ') + plain.mid(3, 3) + QLatin1Char(' ') + plain.right(3);
}

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
    m_warning = [this](const QString& title, const QString& text) {
        QMessageBox::warning(this, title, text);
    };
    m_question = [this](const QString& title, const QString& text) {
        return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    setWindowTitle(tr("Nimbral - Remote Access"));
    setMinimumSize(420, 600);
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildHomePage());
    setCentralWidget(m_pages);

    // Without a notification area a tray icon would only swallow the window on close.
    if (withTray && QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new SystemTrayIcon(this);
        connect(m_tray, &SystemTrayIcon::showWindowRequested, this, [this] {
            showNormal();
            activateWindow();
            raise();
        });
        connect(m_tray, &SystemTrayIcon::disconnectRequested, this,
                &MainWindow::onDisconnectClicked);
        connect(m_tray, &SystemTrayIcon::quitRequested, qApp, &QCoreApplication::quit);
        m_tray->show();
    }

    connect(&m_auth, &AuthController::authenticated, this, &MainWindow::onAuthenticated);
    connect(&m_auth, &AuthController::authenticationFailed, this, [this] {
        setStatus(tr("Server unavailable — retrying..."), QStringLiteral("#cc7700"));
    });
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
    connect(&m_session, &SessionManager::trafficCounted, this,
            [this](qint64 sent, qint64 received) {
                m_monitor->recordBytesSent(sent);
                m_monitor->recordBytesReceived(received);
            });
    connect(&m_api, &ApiClient::requestError, this, &MainWindow::onRequestError);

    // The figures of the running session, and the badge's colour from its rating.
    connect(m_monitor, &ConnectionQualityMonitor::statsUpdated, this, [this] {
        if (const auto rtt = m_session.linkRoundTripMs()) {
            m_monitor->setLatency(*rtt);
        }
        m_statistics->setText(m_monitor->summaryText());
    });
    connect(m_monitor, &ConnectionQualityMonitor::qualityChanged, this, [this](QualityLevel level) {
        static const char* const names[] = {"Good", "Fair", "Poor"};
        static const char* const colours[] = {"#10b981", "#f59e0b", "#ef4444"};
        const int index = static_cast<int>(level);
        if (m_qualityBadge == nullptr) {
            return; // a Target has no session page and no badge
        }
        m_qualityBadge->setToolTip(tr("Connection: %1").arg(QLatin1String(names[index])));
        m_qualityBadge->setStyleSheet(
            QStringLiteral("background: %1; border-radius: 6px; margin: 5px;")
                .arg(QLatin1String(colours[index])));
    });
}

MainWindow::~MainWindow() = default;

void MainWindow::setDialogs(Warning warning, Question question) {
    m_warning = std::move(warning);
    m_question = std::move(question);
}

void MainWindow::warn(const QString& title, const QString& text) {
    m_warning(title, text);
}

QWidget* MainWindow::buildHomePage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(4, 0, 4, 0);
    auto* title = new QLabel(QStringLiteral("Nimbral"), page);
    title->setStyleSheet(
        QStringLiteral("font-size: 20px; font-weight: bold; color: #4da6ff; letter-spacing: 1px;"));
    header->addWidget(title);
    header->addStretch();
    header->addWidget(iconButton(QStringLiteral("admin"), tr("Admin Panel"), 32, page));
    header->addWidget(iconButton(QStringLiteral("settings"), tr("Settings"), 32, page));
    layout->addLayout(header);

    QFrame* device = card(QStringLiteral("deviceCard"), page);
    auto* deviceLayout = new QVBoxLayout(device);
    deviceLayout->setContentsMargins(14, 14, 14, 14);
    deviceLayout->setSpacing(6);
    deviceLayout->addWidget(caption(tr("YOUR ID"), device));
    auto* idRow = new QHBoxLayout;
    m_clientId = new QLabel(tr("Connecting..."), device);
    m_clientId->setStyleSheet(
        QStringLiteral("font-size: 26px; font-weight: bold; letter-spacing: 3px; color: #e0e0e0;"));
    m_clientId->setTextInteractionFlags(Qt::TextSelectableByMouse);
    idRow->addWidget(m_clientId);
    idRow->addStretch();
    idRow->addWidget(iconButton(QStringLiteral("content_copy"), tr("Copy ID"), 28, device));
    deviceLayout->addLayout(idRow);
    auto* separator = new QFrame(device);
    separator->setFrameShape(QFrame::HLine);
    separator->setFixedHeight(1);
    separator->setStyleSheet(QStringLiteral("background: #2a3a5e; margin: 2px 0;"));
    deviceLayout->addWidget(separator);
    deviceLayout->addWidget(caption(tr("PASSWORD"), device));
    auto* passwordRow = new QHBoxLayout;
    m_password = new QLabel(QStringLiteral("------"), device);
    m_password->setStyleSheet(
        QStringLiteral("font-size: 20px; font-weight: bold; letter-spacing: 4px; "
                       "font-family: monospace; color: #4da6ff;"));
    m_password->setTextInteractionFlags(Qt::TextSelectableByMouse);
    passwordRow->addWidget(m_password);
    passwordRow->addStretch();
    passwordRow->addWidget(
        iconButton(QStringLiteral("content_copy"), tr("Copy Password"), 28, device));
    passwordRow->addWidget(
        iconButton(QStringLiteral("lock_reset"), tr("Change Password"), 28, device));
    deviceLayout->addLayout(passwordRow);
    m_status = new QLabel(device);
    deviceLayout->addWidget(m_status);
    setStatus(tr("Connecting..."), QStringLiteral("#ffa726"));
    layout->addWidget(device);

    m_statistics = new QLabel(page);
    m_statistics->setAlignment(Qt::AlignCenter);
    m_statistics->setStyleSheet(QStringLiteral("color: #8892b0; font-size: 11px; padding: 2px;"));
    m_statistics->hide();
    layout->addWidget(m_statistics);

    QFrame* connectCard = card(QStringLiteral("connectCard"), page);
    auto* connectLayout = new QVBoxLayout(connectCard);
    connectLayout->setContentsMargins(14, 14, 14, 14);
    connectLayout->setSpacing(8);
    connectLayout->addWidget(caption(tr("CONNECT TO PARTNER"), connectCard));
    auto* partnerRow = new QHBoxLayout;
    m_partnerBox = new QComboBox(connectCard);
    m_partnerBox->setEditable(true);
    m_partnerBox->setInsertPolicy(QComboBox::NoInsert);
    m_partnerBox->lineEdit()->setPlaceholderText(tr("Partner ID  (XXX XXX XXX)"));
    m_partnerBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    partnerRow->addWidget(m_partnerBox);
    partnerRow->addWidget(
        iconButton(QStringLiteral("star_border"), tr("Add to favorites"), 28, connectCard));
    connectLayout->addLayout(partnerRow);
    m_favorites = new QListWidget(connectCard);
    m_favorites->setMaximumHeight(80);
    m_favorites->setStyleSheet(QStringLiteral(
        "QListWidget { background: #0f1a30; border: 1px solid #2a3a5e; border-radius: 4px; }"
        "QListWidget::item { color: #ccd6f6; padding: 2px 6px; }"
        "QListWidget::item:hover { background: #2a3a5e; }"
        "QListWidget::item:selected { background: #4da6ff; color: white; }"));
    m_favorites->hide();
    connectLayout->addWidget(m_favorites);
    m_passwordEdit = new QLineEdit(connectCard);
    m_passwordEdit->setPlaceholderText(tr("Password"));
    connectLayout->addWidget(m_passwordEdit);
    auto* connectRow = new QHBoxLayout;
    m_connectButton = new QPushButton(tr("Connect") + QStringLiteral("  →"), connectCard);
    m_connectButton->setObjectName(QStringLiteral("primaryButton"));
    m_connectButton->setEnabled(false);
    m_connectButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connectRow->addWidget(m_connectButton);
    connectRow->addWidget(iconButton(QStringLiteral("power"), tr("Wake-on-LAN"), 32, connectCard));
    connectLayout->addLayout(connectRow);
    m_disconnectButton = new QPushButton(tr("Disconnect"), connectCard);
    m_disconnectButton->setEnabled(false);
    connectLayout->addWidget(m_disconnectButton);
    layout->addWidget(connectCard);

    layout->addWidget(caption(tr("PAIRING CODE"), page, QStringLiteral(" margin-top: 8px;")));
    auto* pairingRow = new QHBoxLayout;
    m_pairingCode = new QLabel(QStringLiteral("------"), page);
    m_pairingCode->setStyleSheet(
        QStringLiteral("font-size: 18px; font-weight: bold; letter-spacing: 3px; "
                       "font-family: monospace; color: #ffa726;"));
    m_pairingCode->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pairingRow->addWidget(m_pairingCode);
    pairingRow->addStretch();
    pairingRow->addWidget(
        iconButton(QStringLiteral("content_copy"), tr("Copy Pairing Code"), 28, page));
    layout->addLayout(pairingRow);

    auto* panel =
        new QLabel(tr("Add this device at") +
                       QStringLiteral(" <a style=\"color: #4da6ff;\" href=\"https://%1\">%1</a>")
                           .arg(QLatin1String(kAdminPanelHost)),
                   page);
    panel->setStyleSheet(QStringLiteral("font-size: 11px; color: #5a6a8a;"));
    panel->setOpenExternalLinks(true);
    panel->setWordWrap(true);
    layout->addWidget(panel);
    layout->addStretch();
    auto* version =
        new QLabel(QStringLiteral("v%1").arg(QCoreApplication::applicationVersion()), page);
    version->setAlignment(Qt::AlignRight);
    version->setStyleSheet(QStringLiteral("font-size: 10px; color: #4a5568; padding-right: 4px;"));
    layout->addWidget(version);

    fillPartnerBox();
    connect(m_connectButton, &QPushButton::clicked, this, &MainWindow::onConnectClicked);
    connect(m_passwordEdit, &QLineEdit::returnPressed, this, &MainWindow::onConnectClicked);
    connect(m_partnerBox->lineEdit(), &QLineEdit::returnPressed, this,
            &MainWindow::onConnectClicked);
    connect(m_disconnectButton, &QPushButton::clicked, this, &MainWindow::onDisconnectClicked);
    return page;
}

QWidget* MainWindow::buildSessionPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* toolbar = new QToolBar(page);
    toolbar->setMovable(false);
    toolbar->setIconSize(QSize(22, 22));
    if (openGlAvailable()) {
        m_view = new RemoteDesktopWidget(page);
        connect(m_view, &RemoteDesktopWidget::inputEvent, &m_session,
                &SessionManager::sendInputEvent);
    }

    // The information, file and chat tools come with the dialogs that serve them.
    for (const auto& [text, icon] :
         {std::pair{tr("Info  (Ctrl+Shift+I)"), QStringLiteral("info")},
          std::pair{tr("Files  (Ctrl+Shift+F)"), QStringLiteral("folder")},
          std::pair{tr("Chat  (Ctrl+Shift+C)"), QStringLiteral("chat")}}) {
        QAction* action = toolbar->addAction(nimbralIcon(icon), text);
        action->setEnabled(false);
    }
    auto* scale = new QToolButton(toolbar);
    scale->setIcon(nimbralIcon(QStringLiteral("aspect_ratio")));
    scale->setToolTip(tr("Scale Mode  (Ctrl+Shift+Q)"));
    scale->setPopupMode(QToolButton::InstantPopup);
    auto* scaleMenu = new QMenu(scale);
    const QString scaleNames[] = {tr("Fit to Window"), tr("Stretch to Fill"), tr("Original Size")};
    for (int mode = 0; mode < 3; ++mode) {
        connect(scaleMenu->addAction(scaleNames[mode]), &QAction::triggered, this, [this, mode] {
            m_scaleMode = mode;
            if (m_view != nullptr) {
                m_view->setScaleMode(static_cast<ScaleMode>(mode));
            }
        });
    }
    scale->setMenu(scaleMenu);
    toolbar->addWidget(scale);
    auto* monitors = new QToolButton(toolbar);
    monitors->setIcon(nimbralIcon(QStringLiteral("desktop_windows")));
    monitors->setToolTip(tr("Switch Monitor"));
    monitors->setPopupMode(QToolButton::InstantPopup);
    auto* monitorMenu = new QMenu(monitors);
    for (int monitor = 1; monitor <= 4; ++monitor) {
        connect(monitorMenu->addAction(tr("Monitor %1").arg(monitor)), &QAction::triggered, this,
                [this, monitor] { m_session.requestMonitorSwitch(monitor - 1); });
    }
    monitors->setMenu(monitorMenu);
    toolbar->addWidget(monitors);
    QAction* fullScreen =
        toolbar->addAction(nimbralIcon(QStringLiteral("fullscreen")), tr("Fullscreen  (F11)"));
    connect(fullScreen, &QAction::triggered, this, [this] {
        if (m_view != nullptr) {
            m_view->toggleFullScreen();
        }
    });
    m_qualityBadge = new QLabel(toolbar);
    m_qualityBadge->setFixedSize(12, 12);
    m_qualityBadge->setToolTip(tr("Connection: Good"));
    m_qualityBadge->setStyleSheet(
        QStringLiteral("background: #10b981; border-radius: 6px; margin: 5px;"));
    toolbar->addWidget(m_qualityBadge);
    toolbar->addSeparator();
    QAction* disconnect = toolbar->addAction(nimbralIcon(QStringLiteral("link_off")),
                                             tr("Disconnect  (Ctrl+Shift+D)"));
    connect(disconnect, &QAction::triggered, this, &MainWindow::onDisconnectClicked);

    auto* disconnectKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+D")), this);
    connect(disconnectKey, &QShortcut::activated, this, &MainWindow::onDisconnectClicked);
    auto* scaleKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Q")), this);
    connect(scaleKey, &QShortcut::activated, this, [this] {
        m_scaleMode = (m_scaleMode + 1) % 3;
        if (m_view != nullptr) {
            m_view->setScaleMode(static_cast<ScaleMode>(m_scaleMode));
        }
    });
    auto* fullScreenKey = new QShortcut(QKeySequence(Qt::Key_F11), this);
    connect(fullScreenKey, &QShortcut::activated, fullScreen, &QAction::trigger);

    layout->addWidget(toolbar);
    if (m_view != nullptr) {
        layout->addWidget(m_view, 1);
    } else {
        // A display without OpenGL (a headless platform) cannot host the view at all.
        spdlog::error("No OpenGL on this display: the remote screen cannot be shown");
        auto* notice =
            new QLabel(tr("This display cannot show the remote screen (no OpenGL)."), page);
        notice->setAlignment(Qt::AlignCenter);
        layout->addWidget(notice, 1);
    }
    return page;
}

void MainWindow::setStatus(const QString& text, const QString& colour) {
    m_status->setText(QStringLiteral("● ") + text);
    m_status->setStyleSheet(
        QStringLiteral("color: %1; font-size: 12px; padding-top: 4px;").arg(colour));
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
    m_partnerBox->setEditText(formatClientId(partnerId));
    m_passwordEdit->setText(password);
    onConnectClicked();
}

void MainWindow::onConnectClicked() {
    const QString partnerId = withoutBlanks(m_partnerBox->currentText().trimmed());
    if (partnerId.isEmpty()) {
        warn(tr("Error"), tr("Please enter a partner Client ID."));
        return;
    }
    static const QRegularExpression nineDigits(QStringLiteral("^\\d{9}$"));
    if (!nineDigits.match(partnerId).hasMatch()) {
        warn(tr("Error"), tr("Partner ID must be exactly 9 digits."));
        return;
    }
    const QString password = m_passwordEdit->text().trimmed();
    if (password.isEmpty()) {
        warn(tr("Error"), tr("Please enter the partner's password."));
        return;
    }
    m_settings.addRecentPartner(partnerId);
    fillPartnerBox();
    m_partnerBox->setEditText(formatClientId(partnerId));
    spdlog::info("Initiating session to partner: {} (with password)", partnerId.toStdString());
    m_connectButton->setEnabled(false);
    m_session.initiateSession(partnerId, password);
}

void MainWindow::onDisconnectClicked() {
    if (m_session.state() != SessionState::Idle) {
        m_session.endSession(QStringLiteral("user_disconnect"));
    }
}

void MainWindow::onAuthenticated(const QString& clientId) {
    m_authenticated = true;
    m_clientId->setText(formatClientId(clientId));
    m_password->setText(m_auth.sessionPassword());
    m_pairingCode->setText(m_auth.pairingCode());
    m_connectButton->setEnabled(true);
    m_disconnectButton->setEnabled(true);
    setStatus(tr("Ready"), QStringLiteral("#007700"));
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
    m_disconnectButton->setEnabled(false);
    setStatus(tr("Disconnected"), QStringLiteral("#cc0000"));
    returnToHomePage();
}

void MainWindow::onSignalingConnected() {
    setStatus(tr("Online (Ready)"), QStringLiteral("#007700"));
}

void MainWindow::onSignalingDisconnected() {
    if (m_authenticated) {
        setStatus(tr("Reconnecting..."), QStringLiteral("#cc7700"));
    }
}

void MainWindow::onSessionHandshakeRequest(const QString& sessionId, const QString& masterClientId,
                                           const QString& purpose) {
    if (m_tray != nullptr && !isVisible()) {
        m_tray->showIncomingConnection(formatClientId(masterClientId));
    }
    showNormal();
    activateWindow();
    raise();
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

void MainWindow::onSessionAutoAccept(const QString& sessionId, const QString& masterClientId,
                                     const QString& masterEcdhPublicKey) {
    spdlog::info("Auto-accepting session {} from {} (password verified)", sessionId.toStdString(),
                 masterClientId.toStdString());
    m_session.acceptSession(sessionId, masterClientId, masterEcdhPublicKey);
    if (m_tray != nullptr) {
        m_tray->showNotification(QStringLiteral("Nimbral"),
                                 tr("Incoming connection from ") + formatClientId(masterClientId));
    }
}

void MainWindow::returnToHomePage() {
    if (m_view != nullptr) {
        m_view->setViewingMode(false);
    }
    m_pages->setCurrentIndex(0);
    m_statistics->hide();
    setMinimumSize(420, 0);
    resize(420, sizeHint().height());
    setWindowTitle(tr("Nimbral - Remote Access"));
    m_monitor->stop();
    if (m_tray != nullptr) {
        m_tray->setDisconnectEnabled(false);
    }
}

void MainWindow::onSessionStateChanged(SessionState newState) {
    switch (newState) {
    case SessionState::Idle:
        returnToHomePage();
        m_connectButton->setEnabled(m_authenticated);
        if (m_authenticated) {
            setStatus(tr("Online (Ready)"), QStringLiteral("#007700"));
        }
        break;
    case SessionState::Initiating:
        setStatus(tr("Initiating session..."), QStringLiteral("#0077cc"));
        break;
    case SessionState::Handshaking:
        setStatus(tr("Exchanging keys..."), QStringLiteral("#0077cc"));
        break;
    case SessionState::Connecting:
        setStatus(tr("Establishing transport..."), QStringLiteral("#0077cc"));
        break;
    case SessionState::Connected:
        setStatus(tr("Connected"), QStringLiteral("#007700"));
        m_monitor->start();
        if (m_tray != nullptr) {
            m_tray->setDisconnectEnabled(true);
        }
        if (m_session.role() == SessionRole::Master) {
            if (m_pages->count() < 2) {
                m_pages->addWidget(buildSessionPage());
            }
            m_pages->setCurrentIndex(1);
            if (m_view != nullptr) {
                m_view->setViewingMode(true);
            }
            setMinimumSize(800, 600);
            QSize size(1280, 720);
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect available = screen->availableGeometry();
                size = QSize(std::min(available.width() * 3 / 4, 1280),
                             std::min(available.height() * 3 / 4, 720));
            }
            resize(size);
            setWindowTitle(tr("Nimbral - Connected to %1").arg(m_session.peerClientId()));
        } else {
            m_statistics->show();
            if (m_tray != nullptr) {
                m_tray->showNotification(QStringLiteral("Nimbral"),
                                         tr("Remote session active — sharing your screen."));
            }
        }
        break;
    case SessionState::Closing:
        setStatus(tr("Disconnecting..."), QStringLiteral("#cc7700"));
        break;
    case SessionState::Failed:
        returnToHomePage();
        m_connectButton->setEnabled(m_authenticated);
        setStatus(tr("Session failed"), QStringLiteral("#cc0000"));
        if (m_tray != nullptr) {
            m_tray->showNotification(QStringLiteral("Nimbral"), tr("Session failed."),
                                     QSystemTrayIcon::Warning);
        }
        break;
    }
}

void MainWindow::onFrameDecoded(std::shared_ptr<DecodedFrame> frame) {
    if (m_view == nullptr || !frame) {
        return;
    }
    m_monitor->recordFrame();
    m_view->updateFrame(std::move(frame));
}

void MainWindow::onSessionError(const QString& error) {
    warn(tr("Session Error"), error);
}

void MainWindow::onRequestError(const QString& endpoint, int statusCode, const QString& detail) {
    spdlog::warn("API error on {}: {} ({})", endpoint.toStdString(), statusCode,
                 detail.toStdString());
    if (endpoint.contains(QLatin1String("close")) || endpoint.contains(QLatin1String("complete"))) {
        return;
    }
    m_connectButton->setEnabled(m_authenticated);
    setStatus(tr("Online (Ready)"), QStringLiteral("#007700"));
    QString text = tr("Failed to connect. Please try again.");
    if (detail.contains(QLatin1String("not available")) ||
        detail.contains(QLatin1String("offline"))) {
        text = tr("The partner is not available or offline.");
    } else if (detail.contains(QLatin1String("password"))) {
        text = tr("Invalid session password.");
    }
    warn(tr("Connection Error"), text);
}

void MainWindow::closeEvent(QCloseEvent* event) {
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

} // namespace nimbral
