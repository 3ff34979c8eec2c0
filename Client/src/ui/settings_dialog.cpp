#include "ui/settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

#include "core/settings_controller.h"
#include "platform/autostart.h"

namespace nimbral {

namespace {

constexpr const char* kServiceUnit = "nimbral.service";

} // namespace

QString SettingsDialog::monitorEntry(int position, const MonitorInfo& monitor) {
    return tr("Monitor %1: %2 (%3x%4%5)")
        .arg(position + 1)
        .arg(QString::fromStdString(monitor.name))
        .arg(monitor.width)
        .arg(monitor.height)
        .arg(monitor.isPrimary ? tr(", Primary") : QString());
}

SettingsDialog::SettingsDialog(SettingsController& settings, std::vector<MonitorInfo> monitors,
                               CommandRunner commands, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_commands(std::move(commands))
    , m_serviceProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/NimbralService")) {
    m_information = [this](const QString& title, const QString& text) {
        QMessageBox::information(this, title, text);
    };
    m_restartQuestion = [this](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, this);
        QPushButton* now = box.addButton(tr("Restart now"), QMessageBox::AcceptRole);
        box.addButton(tr("Later"), QMessageBox::RejectRole);
        box.setDefaultButton(now);
        box.exec();
        return box.clickedButton() == now;
    };
    setWindowTitle(tr("Settings"));
    setMinimumSize(460, 380);
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    tabs->addTab(buildDisplayTab(monitors), tr("Display"));
    tabs->addTab(buildNetworkTab(), tr("Network"));
    tabs->addTab(buildAdvancedTab(), tr("Advanced"));
    layout->addWidget(tabs);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        applySettings();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &SettingsDialog::applySettings);
    layout->addWidget(buttons);
}

QWidget* SettingsDialog::buildDisplayTab(const std::vector<MonitorInfo>& monitors) {
    auto* tab = new QWidget(this);
    auto* form = new QFormLayout(tab);

    m_language = new QComboBox(tab);
    m_language->addItem(tr("System default"), QString());
    // Each language under its own name, whatever the interface language is, in the order of
    // those names.
    const std::pair<const char*, const char*> languages[] = {
        {"Čeština", "cs"},  {"Deutsch", "de"},    {"English", "en"}, {"Español", "es"},
        {"Français", "fr"}, {"Italiano", "it"},   {"Magyar", "hu"},  {"Norsk bokmål", "nb"},
        {"Polski", "pl"},   {"Slovenčina", "sk"}, {"Suomi", "fi"},   {"Svenska", "sv"}};
    for (const auto& [name, code] : languages) {
        m_language->addItem(QString::fromUtf8(name), QString::fromLatin1(code));
    }
    m_language->setToolTip(tr("Application language. Requires restart to take effect."));
    const int languageIndex = m_language->findData(m_settings.language());
    m_language->setCurrentIndex(languageIndex >= 0 ? languageIndex : 0);
    form->addRow(tr("Language:"), m_language);

    m_displayMode = new QComboBox(tab);
    m_displayMode->addItem(tr("Optimize Quality"), 0);
    m_displayMode->addItem(tr("Optimize Speed"), 1);
    m_displayMode->setToolTip(tr("Quality: 24 fps, sharp image, higher bandwidth.\nSpeed: 10 "
                                 "fps, lower bandwidth and CPU usage."));
    const int modeIndex = m_displayMode->findData(m_settings.displayMode());
    m_displayMode->setCurrentIndex(modeIndex >= 0 ? modeIndex : 1);
    form->addRow(tr("Display mode:"), m_displayMode);

    m_monitor = new QComboBox(tab);
    for (std::size_t position = 0; position < monitors.size(); ++position) {
        m_monitor->addItem(monitorEntry(int(position), monitors[position]), int(position));
    }
    m_monitor->setToolTip(
        tr("Select which monitor to share when someone connects to this device."));
    const int monitorIndex = m_monitor->findData(m_settings.monitorIndex());
    m_monitor->setCurrentIndex(monitorIndex >= 0 ? monitorIndex : 0);
    form->addRow(tr("Capture monitor:"), m_monitor);

    m_clipboard = new QCheckBox(tr("Enable clipboard sharing"), tab);
    m_clipboard->setToolTip(
        tr("Synchronise clipboard content between the local and remote machines."));
    m_clipboard->setChecked(m_settings.clipboardSharing());
    form->addRow(m_clipboard);

    m_onlyVerified = new QCheckBox(tr("Accept only verified sessions"), tab);
    m_onlyVerified->setToolTip(
        tr("Refuse partners that cannot prove the password to this device themselves (older "
           "versions). The password and the pairing code then never leave this device."));
    m_onlyVerified->setChecked(m_settings.acceptOnlyVerifiedSessions(false));
    form->addRow(m_onlyVerified);
    return tab;
}

QWidget* SettingsDialog::buildNetworkTab() {
    auto* tab = new QWidget(this);
    auto* form = new QFormLayout(tab);
    m_autoReconnect = new QCheckBox(tr("Auto-reconnect on disconnect"), tab);
    m_autoReconnect->setToolTip(
        tr("Automatically attempt to re-establish the connection after an unexpected "
           "disconnect."));
    m_autoReconnect->setChecked(m_settings.autoReconnect());
    form->addRow(m_autoReconnect);
    m_attempts = new QSpinBox(tab);
    m_attempts->setRange(1, 30);
    m_attempts->setValue(m_settings.maxReconnectAttempts());
    m_attempts->setToolTip(
        tr("Maximum number of consecutive reconnection attempts before giving up."));
    m_attempts->setEnabled(m_autoReconnect->isChecked());
    connect(m_autoReconnect, &QCheckBox::toggled, m_attempts, &QSpinBox::setEnabled);
    form->addRow(tr("Max reconnect attempts:"), m_attempts);
    return tab;
}

QWidget* SettingsDialog::buildAdvancedTab() {
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    m_startAtLogin = new QCheckBox(tr("Start when I log in"), tab);
    m_startAtLogin->setToolTip(
        tr("Automatically start Nimbral when you log in to your desktop session."));
    m_startAtLogin->setChecked(platform::isAutostartInstalled());
    layout->addWidget(m_startAtLogin);

    m_service = new QCheckBox(tr("Run as system service (unattended)"), tab);
    m_service->setToolTip(
        tr("Install NimbralService as a systemd service that runs at boot,\neven when no user is "
           "logged in. Requires administrator privileges."));
    m_serviceWasInstalled = serviceInstalled();
    m_service->setChecked(m_serviceWasInstalled);
    layout->addWidget(m_service);

    m_tray = new QCheckBox(tr("Minimize to tray on close"), tab);
    m_tray->setToolTip(
        tr("Keep the application running in the system tray when the window is closed."));
    m_tray->setChecked(m_settings.minimizeToTray());
    layout->addWidget(m_tray);
    layout->addStretch();
    return tab;
}

bool SettingsDialog::serviceInstalled() const {
    const std::optional<int> code =
        m_commands.run(QStringLiteral("systemctl"),
                       {QStringLiteral("is-enabled"), QStringLiteral("--quiet"),
                        QString::fromLatin1(kServiceUnit)},
                       kStatusQueryMs);
    return code == 0;
}

void SettingsDialog::applySettings() {
    const QString language = m_language->currentData().toString();
    if (language != m_settings.language()) {
        m_settings.setLanguage(language);
        if (m_restartQuestion(tr("Language Changed"),
                              tr("The new language takes effect when Nimbral starts again."))) {
            emit restartRequested();
        }
    }
    m_settings.setDisplayMode(m_displayMode->currentData().toInt());
    m_settings.setClipboardSharing(m_clipboard->isChecked());
    m_settings.setAcceptOnlyVerifiedSessions(m_onlyVerified->isChecked());
    if (m_monitor->count() > 0) {
        m_settings.setMonitorIndex(m_monitor->currentData().toInt());
    }
    m_settings.setAutoReconnect(m_autoReconnect->isChecked());
    m_settings.setMaxReconnectAttempts(m_attempts->value());

    // The autostart entry is the user's own file: no elevation, and a failure shows as the box.
    const bool wantAutostart = m_startAtLogin->isChecked();
    if (wantAutostart != platform::isAutostartInstalled()) {
        const bool done = wantAutostart
                              ? platform::installAutostart(QCoreApplication::applicationFilePath())
                              : platform::uninstallAutostart();
        if (!done) {
            spdlog::warn("Could not {} the autostart entry {}", wantAutostart ? "write" : "remove",
                         platform::autostartEntryPath().toStdString());
            m_startAtLogin->setChecked(!wantAutostart);
        }
    }

    // Only a change asks for the administrator's password: an elevation prompt on every OK
    // would teach users to type it without reading.
    const bool wantService = m_service->isChecked();
    if (wantService != m_serviceWasInstalled) {
        const QStringList arguments = {m_serviceProgram, wantService
                                                             ? QStringLiteral("--install")
                                                             : QStringLiteral("--uninstall")};
        spdlog::info("Settings: pkexec {} {}", m_serviceProgram.toStdString(),
                     arguments.last().toStdString());
        const std::optional<int> code =
            m_commands.run(QStringLiteral("pkexec"), arguments, kElevationWaitMs);
        if (code == 0) {
            m_serviceWasInstalled = wantService;
            if (wantService) {
                // From now on the service starts the client in this session.
                emit quitRequested();
                return;
            }
        } else {
            spdlog::warn("Settings: the service change was refused or failed (exit code {})",
                         code ? *code : -1);
            m_service->setChecked(!wantService);
        }
    }

    m_settings.setMinimizeToTray(m_tray->isChecked());
    emit settingsChanged();
}

} // namespace nimbral
