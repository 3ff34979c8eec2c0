// The main window's tools: password, Wake-on-LAN, settings, session dialogs, statistics and
// the update banner.

#include "ui/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

#include "capture/x11_display.h"
#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "session/chat_service.h"
#include "session/update_service.h"
#include "ui/chat_dialog.h"
#include "ui/client_core.h"
#include "ui/connection_info_dialog.h"
#include "ui/display_text.h"
#include "ui/file_manager_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/wake_on_lan.h"

namespace nimbral {

void MainWindow::onChangePasswordClicked() {
    const std::optional<QString> text =
        m_passwordInput(tr("Change Session Password"),
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
    // Asked again when nothing usable is stored: a typo must not stick to the partner for good.
    const bool ask = !wakeOnLanPacket(mac);
    if (ask) {
        const std::optional<QString> entered = m_textInput(
            tr("Wake-on-LAN"),
            tr("Wake-on-LAN starts the partner's computer through its network card. Enter that "
               "card's MAC address: six pairs of hexadecimal digits, such as 00:1A:2B:3C:4D:5E. "
               "On the partner's computer, \"ip link\" (Linux) or \"getmac\" (Windows) shows "
               "it."));
        if (!entered || entered->trimmed().isEmpty()) {
            return;
        }
        mac = entered->trimmed();
    }
    const std::optional<QByteArray> packet = wakeOnLanPacket(mac);
    if (!packet) {
        warn(tr("Wake-on-LAN"), tr("\"%1\" is not a MAC address: it has six pairs of hexadecimal "
                                   "digits, such as 00:1A:2B:3C:4D:5E.")
                                    .arg(mac));
        return;
    }
    if (ask) {
        m_settings.setWolMacAddress(partnerId, mac);
    }
    if (!sendWakeOnLanPacket(*packet, m_wakeOnLanAddress, m_wakeOnLanPort)) {
        spdlog::warn("WoL magic packet to {} could not be sent", mac.toStdString());
        warn(tr("Wake-on-LAN"), tr("The Wake-on-LAN packet to %1 could not be sent.").arg(mac));
        return;
    }
    spdlog::info("WoL magic packet sent to {}", mac.toStdString());
    m_information(tr("Wake-on-LAN"), tr("Wake-on-LAN packet sent to %1").arg(mac));
}

void MainWindow::onSettingsClicked() {
    SettingsDialog dialog(m_settings, enumerateMonitors(), m_commands, this);
    connect(&dialog, &SettingsDialog::settingsChanged, this, [this] {
        spdlog::info("Settings updated by user");
        applySessionSettings(m_settings, m_session, m_auth);
    });
    connect(&dialog, &SettingsDialog::quitRequested, this, &MainWindow::onQuitRequested,
            Qt::QueuedConnection);
    connect(&dialog, &SettingsDialog::restartRequested, this, [this] {
        emit restartRequested();
        QMetaObject::invokeMethod(this, &MainWindow::onQuitRequested, Qt::QueuedConnection);
    });
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
    m_chat->setObjectName(QStringLiteral("chatDialog"));
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
    // A still screen sends no frames: that is an idle session, not a slow one.
    const bool idle = stats.fps <= 0;
    if (m_qualityBadge == nullptr) {
        return; // a Target has no session page and no badge
    }
    static const char* const names[] = {QT_TR_NOOP("Good"), QT_TR_NOOP("Fair"), QT_TR_NOOP("Poor")};
    static const char* const colours[] = {"#10b981", "#f59e0b", "#ef4444"};
    const int index = static_cast<int>(m_monitor->qualityLevel());
    m_qualityBadge->setStyleSheet(
        QStringLiteral("#qualityBadge { background: %1; border-radius: 6px; margin: 5px; }")
            .arg(QLatin1String(colours[index])));
    const QString figures =
        idle ? tr("%1 (idle, %2ms)").arg(tr(names[index])).arg(static_cast<int>(stats.latencyMs))
             : tr("%1 (%2 FPS, %3ms)")
                   .arg(tr(names[index]))
                   .arg(static_cast<int>(stats.fps))
                   .arg(static_cast<int>(stats.latencyMs));
    m_qualityBadge->setToolTip(figures);
    m_sessionFigures->setText(figures);
}

void MainWindow::onQuitRequested() {
    m_quitting = true; // the close that the quit asks for is not refused
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
    m_updateButton->setProperty("look", QStringLiteral("primary"));
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
