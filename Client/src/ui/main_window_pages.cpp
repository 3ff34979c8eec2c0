// The main window's two pages: home (this device, the partner to connect to, the pairing code)
// and the session (the remote screen under its toolbar).

#include "ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

#include "core/settings_controller.h"
#include "network/api_client.h"
#include "ui/device_card.h"
#include "ui/display_text.h"
#include "ui/icons.h"
#include "ui/password_dialog.h"
#include "ui/remote_desktop_widget.h"
#include "ui/remote_view_scroller.h"

namespace nimbral {

namespace {

#ifndef NIMBRAL_ADMIN_PANEL_URL
#define NIMBRAL_ADMIN_PANEL_URL "https://admin.nimbral.net"
#endif
QLabel* caption(const QString& text, QWidget* parent, const QString& extra = {}) {
    QLabel* label = captionLabel(text, parent);
    if (!extra.isEmpty()) {
        label->setStyleSheet(extra);
    }
    return label;
}

QFrame* card(const QString& name, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    return frame;
}

} // namespace

bool MainWindow::usesBuiltInServer() const {
    // The admin panel belongs to the built-in service: a server of one's own has none there.
    return m_api.baseUrl().host() == m_settings.serverUrl().host();
}

QLayout* MainWindow::buildHomeHeader(QWidget* page) {
    auto* header = new QHBoxLayout;
    header->setContentsMargins(4, 0, 4, 0);
    auto* title = new QLabel(QStringLiteral("Nimbral"), page);
    title->setStyleSheet(
        QStringLiteral("font-size: 20px; font-weight: bold; color: #4da6ff; letter-spacing: 1px;"));
    header->addWidget(title);
    header->addStretch();
    QPushButton* admin = iconButton(QStringLiteral("admin"), tr("Admin Panel"), 32, page);
    admin->setObjectName(QStringLiteral("adminPanelButton"));
    connect(admin, &QPushButton::clicked, this,
            [this] { m_openUrl(QUrl(QStringLiteral(NIMBRAL_ADMIN_PANEL_URL))); });
    admin->setVisible(usesBuiltInServer());
    header->addWidget(admin);
    QPushButton* settingsButton = iconButton(QStringLiteral("settings"), tr("Settings"), 32, page);
    connect(settingsButton, &QPushButton::clicked, this, &MainWindow::onSettingsClicked);
    header->addWidget(settingsButton);
    return header;
}

QFrame* MainWindow::buildDeviceCard(QWidget* page) {
    auto* device = new DeviceCard(page);
    connect(device, &DeviceCard::changePasswordRequested, this,
            &MainWindow::onChangePasswordClicked);
    m_clientId = device->clientId();
    m_password = device->password();
    m_status = device->status();
    setStatus(tr("Connecting..."), StatusTone::Starting);
    if (ApiClient::crossesNetworkInClear(m_api.baseUrl())) {
        auto* plain = new QLabel(tr("The connection to the server is not encrypted"), device);
        plain->setObjectName(QStringLiteral("plainConnectionWarning"));
        plain->setWordWrap(true);
        plain->setStyleSheet(QStringLiteral("color: #ef5350; font-size: 11px;"));
        plain->setToolTip(m_api.baseUrl().toString());
        device->rows()->addWidget(plain);
    }
    return device;
}

QFrame* MainWindow::buildConnectCard(QWidget* page) {
    QFrame* connectCard = card(QStringLiteral("connectCard"), page);
    auto* connectLayout = new QVBoxLayout(connectCard);
    connectLayout->setContentsMargins(14, 14, 14, 14);
    connectLayout->setSpacing(8);
    connectLayout->addWidget(caption(tr("CONNECT TO PARTNER"), connectCard));
    auto* partnerRow = new QHBoxLayout;
    m_partnerBox = new QComboBox(connectCard);
    m_partnerBox->setObjectName(QStringLiteral("partnerBox"));
    m_partnerBox->setEditable(true);
    m_partnerBox->setInsertPolicy(QComboBox::NoInsert);
    m_partnerBox->lineEdit()->setPlaceholderText(tr("Partner ID  (XXX XXX XXX)"));
    m_partnerBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    partnerRow->addWidget(m_partnerBox);
    m_favoriteButton =
        iconButton(QStringLiteral("star_border"), tr("Add to favorites"), 28, connectCard);
    m_favoriteButton->setObjectName(QStringLiteral("favoriteButton"));
    partnerRow->addWidget(m_favoriteButton);
    connectLayout->addLayout(partnerRow);
    m_passwordEdit = new QLineEdit(connectCard);
    m_passwordEdit->setObjectName(QStringLiteral("partnerPassword"));
    m_passwordEdit->setPlaceholderText(tr("Password"));
    addShowPasswordToggle(m_passwordEdit);
    connectLayout->addWidget(m_passwordEdit);
    auto* connectRow = new QHBoxLayout;
    m_connectButton = new QPushButton(tr("Connect") + QStringLiteral("  →"), connectCard);
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    m_connectButton->setProperty("look", QStringLiteral("primary"));
    m_connectButton->setEnabled(false);
    m_connectButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connectRow->addWidget(m_connectButton);
    QPushButton* wake = iconButton(QStringLiteral("power"), tr("Wake-on-LAN"), 32, connectCard);
    connect(wake, &QPushButton::clicked, this, &MainWindow::onWakeOnLanClicked);
    connectRow->addWidget(wake);
    connectLayout->addLayout(connectRow);
    m_disconnectButton = new QPushButton(tr("Disconnect"), connectCard);
    m_disconnectButton->setObjectName(QStringLiteral("disconnectButton"));
    m_disconnectButton->setEnabled(false);
    m_disconnectButton->hide(); // shown while a session is underway
    connectLayout->addWidget(m_disconnectButton);
    // Below the form, under their own heading: in between, a list that came and went pushed the
    // password field around.
    m_favoritesCaption = caption(tr("FAVORITES"), connectCard);
    m_favoritesCaption->hide();
    connectLayout->addWidget(m_favoritesCaption);
    m_favorites = new QListWidget(connectCard);
    m_favorites->setObjectName(QStringLiteral("favoritesList"));
    m_favorites->setStyleSheet(QStringLiteral(
        "QListWidget { background: #0f1a30; border: 1px solid #2a3a5e; border-radius: 4px; }"
        "QListWidget::item { color: #ccd6f6; padding: 2px 6px; }"
        "QListWidget::item:hover { background: #2a3a5e; }"
        "QListWidget::item:selected { background: #4da6ff; color: #0d1b2a; }"));
    m_favorites->hide();
    connectLayout->addWidget(m_favorites);
    return connectCard;
}

QLayout* MainWindow::buildPairingRow(QWidget* page) {
    auto* pairingRow = new QHBoxLayout;
    m_pairingCode = new QLabel(QStringLiteral("------"), page);
    m_pairingCode->setObjectName(QStringLiteral("pairingCode"));
    m_pairingCode->setStyleSheet(
        QStringLiteral("font-size: 18px; font-weight: bold; letter-spacing: 3px; "
                       "font-family: monospace; color: #ffa726;"));
    m_pairingCode->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pairingRow->addWidget(m_pairingCode);
    pairingRow->addStretch();
    pairingRow->addWidget(copyButton(
        tr("Copy Pairing Code"), [this] { return m_pairingCode->text(); }, page));

    return pairingRow;
}

QWidget* MainWindow::buildHomePage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addLayout(buildHomeHeader(page));
    layout->addWidget(buildDeviceCard(page));
    m_statistics = new QLabel(page);
    m_statistics->setObjectName(QStringLiteral("statistics"));
    m_statistics->setAlignment(Qt::AlignCenter);
    m_statistics->setStyleSheet(QStringLiteral("color: #9aa5c4; font-size: 11px; padding: 2px;"));
    m_statistics->hide();
    layout->addWidget(m_statistics);

    layout->addWidget(buildConnectCard(page));
    layout->addWidget(caption(tr("PAIRING CODE"), page, QStringLiteral("margin-top: 8px;")));
    layout->addLayout(buildPairingRow(page));
    // What a partner who comes back sees of this device: read it out to compare.
    m_ownFingerprint = new QLabel(page);
    m_ownFingerprint->setObjectName(QStringLiteral("ownFingerprint"));
    m_ownFingerprint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_ownFingerprint->setStyleSheet(
        QStringLiteral("font-size: 11px; font-family: monospace; color: #9aa5c4;"));
    m_ownFingerprint->setText(tr("Device key: %1").arg(m_session.ownFingerprint()));
    layout->addWidget(m_ownFingerprint);
    auto* panel =
        new QLabel(tr("Add this device at") +
                       QStringLiteral(" <a style=\"color: #4da6ff;\" href=\"https://%1\">%1</a>")
                           .arg(QUrl(QStringLiteral(NIMBRAL_ADMIN_PANEL_URL)).host()),
                   page);
    panel->setObjectName(QStringLiteral("adminPanelLink"));
    panel->setVisible(usesBuiltInServer());
    panel->setStyleSheet(QStringLiteral("font-size: 11px; color: #9aa5c4;"));
    panel->setOpenExternalLinks(true);
    panel->setWordWrap(true);
    layout->addWidget(panel);
    layout->addStretch();
    auto* version =
        new QLabel(QStringLiteral("v%1").arg(QCoreApplication::applicationVersion()), page);
    version->setAlignment(Qt::AlignRight);
    version->setStyleSheet(QStringLiteral("font-size: 10px; color: #9aa5c4; padding-right: 4px;"));
    layout->addWidget(version);

    fillPartnerBox();
    fillFavorites();
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

void MainWindow::addViewMenus(QToolBar* toolbar) {
    auto* scale = new QToolButton(toolbar);
    scale->setIcon(nimbralIcon(QStringLiteral("aspect_ratio")));
    scale->setToolTip(tr("Scale Mode  (Ctrl+Shift+Q)"));
    scale->setPopupMode(QToolButton::InstantPopup);
    auto* scaleMenu = new QMenu(scale);
    scaleMenu->setObjectName(QStringLiteral("scaleMenu"));
    auto* scaleGroup = new QActionGroup(scaleMenu);
    const QString scaleNames[] = {tr("Fit to Window"), tr("Stretch to Fill"), tr("Original Size")};
    for (int mode = 0; mode < 3; ++mode) {
        QAction* action = scaleMenu->addAction(scaleNames[mode]);
        action->setCheckable(true);
        action->setChecked(mode == m_scaleMode);
        scaleGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, mode] { setScaleMode(mode, false); });
    }
    scale->setMenu(scaleMenu);
    toolbar->addWidget(scale);
    auto* monitors = new QToolButton(toolbar);
    monitors->setIcon(nimbralIcon(QStringLiteral("desktop_windows")));
    monitors->setToolTip(tr("Switch Monitor"));
    monitors->setPopupMode(QToolButton::InstantPopup);
    m_monitorMenu = new QMenu(monitors);
    m_monitorMenu->setObjectName(QStringLiteral("monitorMenu"));
    monitors->setMenu(m_monitorMenu);
    toolbar->addWidget(monitors);
    fillMonitorMenu();
    connect(&m_session, &SessionManager::partnerMonitorsListed, this, [this] {
        m_shownMonitor = m_session.partnerMonitorIndex();
        fillMonitorMenu();
    });
    connect(&m_session, &SessionManager::partnerScreenUnavailable, this, [this] {
        if (m_view != nullptr) {
            m_view->setNotice(tr("The partner's screen cannot be shown: their desktop offers "
                                 "no way to share it."));
        }
    });
    connect(&m_session, &SessionManager::monitorSwitchFailed, this, [this](int monitor) {
        m_shownMonitor = m_monitorBeforeSwitch;
        fillMonitorMenu();
        warn(tr("Switch Monitor"),
             tr("Monitor %1 is not available on the partner's computer.").arg(monitor + 1));
    });
}

void MainWindow::setScaleMode(int mode, bool announce) {
    m_scaleMode = mode;
    if (m_view == nullptr) {
        return;
    }
    m_view->setScaleMode(static_cast<ScaleMode>(mode));
    const auto* menu = findChild<QMenu*>(QStringLiteral("scaleMenu"));
    if (menu != nullptr && mode < menu->actions().size()) {
        menu->actions().at(mode)->setChecked(true);
    }
    if (announce && menu != nullptr && mode < menu->actions().size()) {
        // A keyboard change has no menu to show it: say which mode is on now, over the picture.
        const QWidget* visible =
            m_view->parentWidget() != nullptr ? m_view->parentWidget() : m_view;
        QToolTip::showText(visible->mapToGlobal(visible->rect().center()),
                           tr("Scale: %1").arg(menu->actions().at(mode)->text()), m_view, {},
                           kScaleNoticeMs);
    }
}

void MainWindow::fillMonitorMenu() {
    m_monitorMenu->clear();
    delete m_monitorGroup;
    m_monitorGroup = new QActionGroup(m_monitorMenu);
    // A partner that does not list its monitors gets the four a desk usually has.
    const std::vector<MonitorInfo>& monitors = m_session.monitors();
    const int count = monitors.empty() ? 4 : static_cast<int>(monitors.size());
    for (int index = 0; index < count; ++index) {
        QString text = tr("Monitor %1").arg(index + 1);
        if (!monitors.empty()) {
            const MonitorInfo& monitor = monitors[static_cast<std::size_t>(index)];
            // The partner named it: no mnemonics from its ampersands.
            text = tr("Monitor %1: %2 (%3 × %4)")
                       .arg(index + 1)
                       .arg(QString::fromStdString(monitor.name).replace('&', "&&"))
                       .arg(monitor.width)
                       .arg(monitor.height);
        }
        QAction* action = m_monitorMenu->addAction(text);
        action->setCheckable(true);
        action->setChecked(index == m_shownMonitor);
        m_monitorGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, index] {
            m_monitorBeforeSwitch = std::exchange(m_shownMonitor, index);
            m_session.requestMonitorSwitch(index);
        });
    }
}

QWidget* MainWindow::buildSessionPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* toolbar = new QToolBar(page);
    toolbar->setMovable(false);
    toolbar->setIconSize(QSize(22, 22));
    m_view = new RemoteDesktopWidget(page);
    m_view->setObjectName(QStringLiteral("remoteView"));
    connect(m_view, &RemoteDesktopWidget::inputEvent, &m_session, &SessionManager::sendInputEvent);

    m_infoAction =
        toolbar->addAction(nimbralIcon(QStringLiteral("info")), tr("Info  (Ctrl+Shift+I)"));
    m_infoAction->setObjectName(QStringLiteral("infoAction"));
    connect(m_infoAction, &QAction::triggered, this, &MainWindow::onInfoClicked);
    m_filesAction =
        toolbar->addAction(nimbralIcon(QStringLiteral("folder")), tr("Files  (Ctrl+Shift+F)"));
    m_filesAction->setObjectName(QStringLiteral("filesAction"));
    connect(m_filesAction, &QAction::triggered, this, &MainWindow::onFilesClicked);
    m_chatAction =
        toolbar->addAction(nimbralIcon(QStringLiteral("chat")), tr("Chat  (Ctrl+Shift+C)"));
    m_chatAction->setObjectName(QStringLiteral("chatAction"));
    connect(m_chatAction, &QAction::triggered, this, &MainWindow::onChatClicked);
    addViewMenus(toolbar);
    QAction* fullScreen =
        toolbar->addAction(nimbralIcon(QStringLiteral("fullscreen")), tr("Fullscreen  (F11)"));
    connect(fullScreen, &QAction::triggered, this, [this] {
        if (m_view != nullptr) {
            m_view->toggleFullScreen();
        }
    });
    m_qualityBadge = new QLabel(toolbar);
    m_qualityBadge->setObjectName(QStringLiteral("qualityBadge"));
    m_qualityBadge->setFixedSize(12, 12);
    m_qualityBadge->setToolTip(tr("Connection: Good"));
    // Scoped to the badge: an unscoped background would colour its tool tip too.
    m_qualityBadge->setStyleSheet(
        QStringLiteral("#qualityBadge { background: #10b981; border-radius: 6px; margin: 5px; }"));
    toolbar->addWidget(m_qualityBadge);
    // The figures beside the badge, not in the title: a title that changes every second makes
    // the task bar and the window list flicker.
    m_sessionFigures = new QLabel(toolbar);
    m_sessionFigures->setObjectName(QStringLiteral("sessionFigures"));
    m_sessionFigures->setStyleSheet(QStringLiteral("color: #9aa5c4; font-size: 11px;"));
    toolbar->addWidget(m_sessionFigures);
    toolbar->addSeparator();
    QAction* disconnect = toolbar->addAction(nimbralIcon(QStringLiteral("link_off")),
                                             tr("Disconnect  (Ctrl+Shift+D)"));
    connect(disconnect, &QAction::triggered, this, &MainWindow::onDisconnectClicked);

    layout->addWidget(toolbar);
    layout->addWidget(scrollableView(m_view, page), 1);
    return page;
}

} // namespace nimbral
