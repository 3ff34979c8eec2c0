#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
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

#include "capture/x11_display.h"
#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "session/chat_service.h"
#include "session/update_service.h"
#include "ui/chat_dialog.h"
#include "ui/connection_info_dialog.h"
#include "ui/file_manager_dialog.h"
#include "ui/icons.h"
#include "ui/remote_desktop_widget.h"
#include "ui/settings_dialog.h"
#include "ui/system_tray_icon.h"
#include "ui/wake_on_lan.h"

namespace nimbral {

namespace {

#ifndef NIMBRAL_ADMIN_PANEL_URL
#define NIMBRAL_ADMIN_PANEL_URL "https://admin.nimbral.net"
#endif
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
    button->setObjectName(QStringLiteral("flatButton"));
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
    m_information = [this](const QString& title, const QString& text) {
        QMessageBox::information(this, title, text);
    };
    m_textInput = [this](const QString& title, const QString& label) -> std::optional<QString> {
        bool ok = false;
        const QString text =
            QInputDialog::getText(this, title, label, QLineEdit::Normal, QString(), &ok);
        return ok ? std::optional<QString>(text) : std::nullopt;
    };
    m_commands = CommandRunner::system();
    m_openUrl = [](const QUrl& url) {
        QDesktopServices::openUrl(url);
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
        connect(m_tray, &SystemTrayIcon::quitRequested, this, &MainWindow::onQuitRequested);
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

    connect(&m_session, &SessionManager::videoFrameSent, this, [this] {
        if (m_session.role() == SessionRole::Target) {
            m_monitor->recordFrame();
        }
    });
    connect(m_monitor, &ConnectionQualityMonitor::statsUpdated, this, &MainWindow::onStatsUpdated);

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
    addShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Q")), [this] {
        m_scaleMode = (m_scaleMode + 1) % 3;
        if (m_view != nullptr) {
            m_view->setScaleMode(static_cast<ScaleMode>(m_scaleMode));
        }
    });
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
    QPushButton* admin = iconButton(QStringLiteral("admin"), tr("Admin Panel"), 32, page);
    connect(admin, &QPushButton::clicked, this,
            [this] { m_openUrl(QUrl(QStringLiteral(NIMBRAL_ADMIN_PANEL_URL))); });
    header->addWidget(admin);
    QPushButton* settingsButton = iconButton(QStringLiteral("settings"), tr("Settings"), 32, page);
    connect(settingsButton, &QPushButton::clicked, this, &MainWindow::onSettingsClicked);
    header->addWidget(settingsButton);
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
    QPushButton* copyId = iconButton(QStringLiteral("content_copy"), tr("Copy ID"), 28, device);
    connect(copyId, &QPushButton::clicked, this,
            [this] { copyToClipboard(withoutBlanks(m_clientId->text())); });
    idRow->addWidget(copyId);
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
    QPushButton* copyPassword =
        iconButton(QStringLiteral("content_copy"), tr("Copy Password"), 28, device);
    connect(copyPassword, &QPushButton::clicked, this,
            [this] { copyToClipboard(m_password->text()); });
    passwordRow->addWidget(copyPassword);
    QPushButton* changePassword =
        iconButton(QStringLiteral("lock_reset"), tr("Change Password"), 28, device);
    connect(changePassword, &QPushButton::clicked, this, &MainWindow::onChangePasswordClicked);
    passwordRow->addWidget(changePassword);
    deviceLayout->addLayout(passwordRow);
    m_status = new QLabel(device);
    deviceLayout->addWidget(m_status);
    setStatus(tr("Connecting..."), QStringLiteral("#ffa726"));
    if (ApiClient::crossesNetworkInClear(m_api.baseUrl())) {
        auto* plain = new QLabel(tr("The connection to the server is not encrypted"), device);
        plain->setObjectName(QStringLiteral("plainConnectionWarning"));
        plain->setWordWrap(true);
        plain->setStyleSheet(QStringLiteral("color: #ef5350; font-size: 11px;"));
        plain->setToolTip(m_api.baseUrl().toString());
        deviceLayout->addWidget(plain);
    }
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
    m_favoriteButton =
        iconButton(QStringLiteral("star_border"), tr("Add to favorites"), 28, connectCard);
    partnerRow->addWidget(m_favoriteButton);
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
    QPushButton* wake = iconButton(QStringLiteral("power"), tr("Wake-on-LAN"), 32, connectCard);
    connect(wake, &QPushButton::clicked, this, &MainWindow::onWakeOnLanClicked);
    connectRow->addWidget(wake);
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
    QPushButton* copyPairing =
        iconButton(QStringLiteral("content_copy"), tr("Copy Pairing Code"), 28, page);
    connect(copyPairing, &QPushButton::clicked, this,
            [this] { copyToClipboard(m_pairingCode->text()); });
    pairingRow->addWidget(copyPairing);
    layout->addLayout(pairingRow);

    auto* panel =
        new QLabel(tr("Add this device at") +
                       QStringLiteral(" <a style=\"color: #4da6ff;\" href=\"https://%1\">%1</a>")
                           .arg(QUrl(QStringLiteral(NIMBRAL_ADMIN_PANEL_URL)).host()),
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
    fillFavorites();
    updateFavoriteIcon();
    connect(m_partnerBox, &QComboBox::currentTextChanged, this, &MainWindow::updateFavoriteIcon);
    connect(m_favoriteButton, &QPushButton::clicked, this, &MainWindow::onFavoriteClicked);
    connect(m_favorites, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        m_partnerBox->setEditText(item->text());
        m_passwordEdit->setFocus();
    });
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

    m_infoAction =
        toolbar->addAction(nimbralIcon(QStringLiteral("info")), tr("Info  (Ctrl+Shift+I)"));
    connect(m_infoAction, &QAction::triggered, this, &MainWindow::onInfoClicked);
    m_filesAction =
        toolbar->addAction(nimbralIcon(QStringLiteral("folder")), tr("Files  (Ctrl+Shift+F)"));
    connect(m_filesAction, &QAction::triggered, this, &MainWindow::onFilesClicked);
    m_chatAction =
        toolbar->addAction(nimbralIcon(QStringLiteral("chat")), tr("Chat  (Ctrl+Shift+C)"));
    connect(m_chatAction, &QAction::triggered, this, &MainWindow::onChatClicked);
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
    const QString partnerId = withoutBlanks(m_partnerBox->currentText().trimmed());
    const QString password = m_passwordEdit->text().trimmed();
    if (const QString problem = connectFormProblem(partnerId, password); !problem.isEmpty()) {
        warn(tr("Error"), problem);
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
    }
    m_pages->setCurrentIndex(0);
    m_statistics->hide();
    setMinimumSize(420, 0);
    resize(420, sizeHint().height());
    setWindowTitle(tr("Nimbral - Remote Access"));
    m_monitor->stop();
    setSessionShortcutsEnabled(false);
    if (m_tray != nullptr) {
        m_tray->setDisconnectEnabled(false);
    }
    delete m_chat;
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
        setupChatDialog();
        if (m_session.role() == SessionRole::Master) {
            if (m_pages->count() < 2) {
                m_pages->addWidget(buildSessionPage());
            }
            m_pages->setCurrentIndex(1);
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

void MainWindow::copyToClipboard(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

void MainWindow::fillFavorites() {
    m_favorites->clear();
    for (const QString& id : m_settings.favorites()) {
        m_favorites->addItem(formatClientId(id));
    }
    m_favorites->setVisible(m_favorites->count() > 0);
}

void MainWindow::updateFavoriteIcon() {
    const bool favorite =
        m_settings.favorites().contains(withoutBlanks(m_partnerBox->currentText()));
    m_favoriteButton->setIcon(
        nimbralIcon(favorite ? QStringLiteral("star") : QStringLiteral("star_border")));
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
    updateFavoriteIcon();
    fillFavorites();
}

void MainWindow::onChangePasswordClicked() {
    const std::optional<QString> text =
        m_textInput(tr("Change Session Password"),
                    tr("New password (min 8 chars, uppercase + lowercase + digit):"));
    if (!text || text->isEmpty()) {
        return;
    }
    const QString problem = AuthController::validatePassword(*text);
    if (!problem.isEmpty()) {
        warn(tr("Invalid Password"), problem);
        return;
    }
    m_auth.setSessionPassword(*text);
    m_password->setText(*text);
}

void MainWindow::onWakeOnLanClicked() {
    const QString partnerId = withoutBlanks(m_partnerBox->currentText());
    QString mac = m_settings.wolMacAddress(partnerId);
    if (mac.isEmpty()) {
        const std::optional<QString> entered = m_textInput(
            tr("Wake-on-LAN"), tr("Enter MAC address for this partner (XX:XX:XX:XX:XX:XX):"));
        if (!entered || entered->trimmed().isEmpty()) {
            return;
        }
        mac = entered->trimmed();
        m_settings.setWolMacAddress(partnerId, mac);
    }
    const std::optional<QByteArray> packet = wakeOnLanPacket(mac);
    if (!packet) {
        warn(tr("WoL"), tr("Invalid MAC address."));
        return;
    }
    if (!sendWakeOnLanPacket(*packet, m_wakeOnLanAddress, m_wakeOnLanPort)) {
        spdlog::warn("WoL magic packet to {} could not be sent", mac.toStdString());
    }
    spdlog::info("WoL magic packet sent to {}", mac.toStdString());
    m_information(tr("WoL"), tr("Wake-on-LAN packet sent to %1").arg(mac));
}

void MainWindow::onSettingsClicked() {
    SettingsDialog dialog(m_settings, enumerateMonitors(), m_commands, this);
    connect(&dialog, &SettingsDialog::settingsChanged, this, [this] {
        spdlog::info("Settings updated by user");
        m_session.setCaptureFrameRate(m_settings.targetFps());
        m_session.setEncoderQuality(m_settings.encoderCqLevel(), m_settings.encoderPreset());
        m_session.setClipboardSharingEnabled(m_settings.clipboardSharing());
    });
    connect(&dialog, &SettingsDialog::quitRequested, this, &MainWindow::onQuitRequested,
            Qt::QueuedConnection);
    dialog.exec();
}

void MainWindow::onInfoClicked() {
    if (m_session.state() != SessionState::Connected) {
        return;
    }
    ConnectionInfoDialog dialog(SessionDescription::of(m_session), *m_monitor, this);
    dialog.exec();
}

void MainWindow::onFilesClicked() {
    FileTransferService* files = m_session.fileTransferService();
    if (m_session.state() != SessionState::Connected || files == nullptr) {
        return;
    }
    FileManagerDialog dialog(*files, this);
    dialog.setQuestion(m_question);
    dialog.exec();
}

void MainWindow::onChatClicked() {
    if (m_chat == nullptr) {
        return;
    }
    m_chat->show();
    m_chat->raise();
    m_chat->activateWindow();
    if (m_chatAction != nullptr) {
        m_chatAction->setText(tr("Chat"));
    }
}

void MainWindow::setupChatDialog() {
    delete m_chat;
    m_chat = new ChatDialog(this);
    if (m_chatAction != nullptr) {
        m_chatAction->setText(tr("Chat"));
    }
    ChatService* chat = m_session.chatService();
    spdlog::info("setupChatDialog: chatService={}", static_cast<const void*>(chat));
    if (chat == nullptr) {
        return;
    }
    connect(chat, &ChatService::messageReceived, m_chat,
            [this](const QString& text, const QDateTime& timestamp) {
                m_chat->appendMessage(tr("Remote"), text, timestamp);
                if (m_chat->isVisible()) {
                    return;
                }
                if (m_session.role() == SessionRole::Target) {
                    m_chat->show();
                    m_chat->raise();
                    m_chat->activateWindow();
                } else if (m_chatAction != nullptr) {
                    m_chatAction->setText(tr("Chat (!)"));
                }
            });
    connect(m_chat, &ChatDialog::messageSent, chat, [this, chat](const QString& text) {
        spdlog::info("Chat: sending message '{}' ({} chars)", text.toStdString(), text.size());
        chat->sendMessage(text);
        m_chat->appendMessage(ChatDialog::ownSenderName(), text, QDateTime::currentDateTime());
    });
}

void MainWindow::onStatsUpdated(const ConnectionStats& stats) {
    if (const auto rtt = m_session.linkRoundTripMs()) {
        m_monitor->setLatency(*rtt);
    }
    m_statistics->setText(m_monitor->summaryText());
    if (m_pages->currentIndex() == 1) {
        setWindowTitle(tr("Nimbral - %1 [%2 FPS]")
                           .arg(m_session.peerClientId())
                           .arg(static_cast<int>(stats.fps)));
    }
    if (m_qualityBadge == nullptr) {
        return; // a Target has no session page and no badge
    }
    static const char* const names[] = {QT_TR_NOOP("Good"), QT_TR_NOOP("Fair"), QT_TR_NOOP("Poor")};
    static const char* const colours[] = {"#10b981", "#f59e0b", "#ef4444"};
    const int index = static_cast<int>(m_monitor->qualityLevel());
    m_qualityBadge->setStyleSheet(QStringLiteral("background: %1; border-radius: 6px; margin: 5px;")
                                      .arg(QLatin1String(colours[index])));
    m_qualityBadge->setToolTip(tr("%1 (%2 FPS, %3ms)")
                                   .arg(tr(names[index]))
                                   .arg(static_cast<int>(stats.fps))
                                   .arg(static_cast<int>(stats.latencyMs)));
}

void MainWindow::onQuitRequested() {
    const SessionState state = m_session.state();
    if (state != SessionState::Idle && state != SessionState::Failed) {
        m_session.endSession(QStringLiteral("application_quit"));
    }
    QCoreApplication::quit();
}

void MainWindow::setUpdateService(UpdateService* updates) {
    m_updates = updates;
    if (updates == nullptr) {
        return;
    }
    connect(updates, &UpdateService::updateAvailable, this, &MainWindow::showUpdateBanner);
    connect(updates, &UpdateService::readyToInstall, this, &MainWindow::launchInstaller);
    connect(updates, &UpdateService::downloadProgress, this, [this](int percent) {
        if (m_updateButton != nullptr) {
            m_updateButton->setText(tr("Downloading... %1%").arg(percent));
        }
    });
    connect(updates, &UpdateService::updateError, this, [this](const QString& error) {
        if (m_updateButton != nullptr) {
            m_updateButton->setEnabled(true);
            m_updateButton->setText(tr("Update Now"));
        }
        warn(tr("Update"), error);
    });
}

void MainWindow::showUpdateBanner(const QString& version, const QString& downloadUrl,
                                  const QString& releaseNotes) {
    if (m_updateBanner != nullptr) {
        return;
    }
    m_updateBanner = new QWidget(m_pages->widget(0));
    m_updateBanner->setObjectName(QStringLiteral("updateBanner"));
    m_updateBanner->setAttribute(Qt::WA_StyledBackground);
    // Scoped to the banner itself: a bare style sheet would frame its label and button too.
    m_updateBanner->setStyleSheet(
        QStringLiteral("#updateBanner { background-color: #1e3a5e; border: 1px solid #4da6ff; "
                       "border-radius: 6px; padding: 8px; }"));
    if (!releaseNotes.isEmpty()) {
        m_updateBanner->setToolTip(releaseNotes);
    }
    auto* row = new QHBoxLayout(m_updateBanner);
    row->setContentsMargins(10, 6, 10, 6);
    auto* label = new QLabel(tr("Update available: v%1").arg(version), m_updateBanner);
    label->setStyleSheet(
        QStringLiteral("color: #4da6ff; font-size: 12px; background: transparent;"));
    row->addWidget(label);
    row->addStretch();
    m_updateButton = new QPushButton(tr("Update Now"), m_updateBanner);
    m_updateButton->setObjectName(QStringLiteral("primaryButton"));
    m_updateButton->setFixedHeight(28);
    m_updateButton->setStyleSheet(QStringLiteral(
        "background-color: #4da6ff; color: #0d1b2a; font-weight: bold; border: none; "
        "border-radius: 4px; padding: 4px 14px; font-size: 12px;"));
    row->addWidget(m_updateButton);
    connect(m_updateButton, &QPushButton::clicked, this, [this, downloadUrl] {
        m_updateButton->setEnabled(false);
        m_updateButton->setText(tr("Downloading..."));
        if (m_updates != nullptr) {
            m_updates->downloadUpdate(QUrl(downloadUrl));
        }
    });
    auto* layout = qobject_cast<QVBoxLayout*>(m_pages->widget(0)->layout());
    layout->insertWidget(0, m_updateBanner);
}

void MainWindow::launchInstaller(const QString& installerPath) {
    spdlog::info("Launching installer: {}", installerPath.toStdString());
    // The package manager installs the package; pkexec asks for the administrator's password.
    if (!m_commands.startDetached(QStringLiteral("pkexec"),
                                  {QStringLiteral("apt-get"), QStringLiteral("install"),
                                   QStringLiteral("-y"), installerPath})) {
        spdlog::error("Could not start the installer {}", installerPath.toStdString());
        warn(tr("Update"), tr("Could not start the installer."));
        return;
    }
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace nimbral
