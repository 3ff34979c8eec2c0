#include "ui/system_tray_icon.h"

#include <QMenu>
#include <spdlog/spdlog.h>

#include "ui/app_icon.h"

namespace nimbral {

SystemTrayIcon::SystemTrayIcon(QObject* parent)
    : QSystemTrayIcon(parent)
    , m_menu(std::make_unique<QMenu>()) {
    setIcon(createAppIcon(64));
    m_show = m_menu->addAction(tr("Show"));
    m_status = m_menu->addAction(tr("Status: Disconnected"));
    m_status->setEnabled(false);
    m_menu->addSeparator();
    m_disconnect = m_menu->addAction(tr("Disconnect"));
    m_disconnect->setEnabled(false);
    m_quit = m_menu->addAction(tr("Quit"));
    connect(m_show, &QAction::triggered, this, &SystemTrayIcon::showWindowRequested);
    connect(m_disconnect, &QAction::triggered, this, &SystemTrayIcon::disconnectRequested);
    connect(m_quit, &QAction::triggered, this, &SystemTrayIcon::quitRequested);
    setContextMenu(m_menu.get());
    setToolTip(tr("Nimbral - Remote Access"));
    connect(this, &QSystemTrayIcon::activated, this, [this](ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick) {
            spdlog::debug("Tray icon double-clicked, requesting window show");
            emit showWindowRequested();
        }
    });
    spdlog::info("System tray icon initialized");
}

SystemTrayIcon::~SystemTrayIcon() = default;

void SystemTrayIcon::setStatusText(const QString& text) {
    m_status->setText(text);
    spdlog::debug("Tray status updated: {}", text.toStdString());
}

QString SystemTrayIcon::statusText() const {
    return m_status->text();
}

void SystemTrayIcon::setDisconnectEnabled(bool enabled) {
    m_disconnect->setEnabled(enabled);
    spdlog::debug("Tray disconnect action enabled: {}", enabled);
}

bool SystemTrayIcon::disconnectEnabled() const {
    return m_disconnect->isEnabled();
}

void SystemTrayIcon::showNotification(const QString& title, const QString& message,
                                      QSystemTrayIcon::MessageIcon icon) {
    if (!QSystemTrayIcon::supportsMessages()) {
        spdlog::warn("System tray does not support balloon notifications");
        return;
    }
    showMessage(title, message, icon, 5000);
    spdlog::info("Tray notification shown: {} - {}", title.toStdString(), message.toStdString());
}

void SystemTrayIcon::showIncomingConnection(const QString& clientId) {
    showNotification(tr("Incoming Connection"),
                     tr("Client %1 is requesting a remote connection.").arg(clientId),
                     QSystemTrayIcon::Information);
}

} // namespace nimbral
