#pragma once

#include <vector>

#include <QDialog>

#include "capture/captured_frame.h"
#include "ui/command_runner.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace nimbral {

class SettingsController;

// The persistent settings on three tabs, plus the two system integrations of the Advanced tab:
// starting the client at log-in (the user's autostart entry) and running NimbralService as a
// system service (changed through one privileged command under pkexec). Modal, main thread.
class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    // Service status query and elevation wait, as the Windows build has them.
    static constexpr int kStatusQueryMs = 3000;
    static constexpr int kElevationWaitMs = 30000;

    SettingsDialog(SettingsController& settings, std::vector<MonitorInfo> monitors,
                   CommandRunner commands, QWidget* parent = nullptr);

    // "Monitor 1: DP-1 (1920x1080, Primary)"
    static QString monitorEntry(int position, const MonitorInfo& monitor);

    // The service program beside the client; replaced by tests.
    void setServiceProgram(const QString& path) { m_serviceProgram = path; }
    // Shows a message box; replaced by tests.
    void setInformation(std::function<void(const QString&, const QString&)> information) {
        m_information = std::move(information);
    }
    // Asks whether to restart now for a new language; replaced by tests.
    void setRestartQuestion(std::function<bool(const QString&, const QString&)> question) {
        m_restartQuestion = std::move(question);
    }

    QComboBox* languageBox() const { return m_language; }
    QComboBox* displayModeBox() const { return m_displayMode; }
    QComboBox* monitorBox() const { return m_monitor; }
    QCheckBox* clipboardBox() const { return m_clipboard; }
    QCheckBox* onlyVerifiedBox() const { return m_onlyVerified; }
    QCheckBox* autoReconnectBox() const { return m_autoReconnect; }
    QSpinBox* attemptsBox() const { return m_attempts; }
    QCheckBox* startAtLoginBox() const { return m_startAtLogin; }
    QCheckBox* serviceBox() const { return m_service; }
    QCheckBox* trayBox() const { return m_tray; }

public slots:
    void applySettings();

signals:
    void settingsChanged();
    // The service now starts the client in this session; the window should quit.
    void quitRequested();
    // The user chose to restart now for the new language.
    void restartRequested();

private:
    QWidget* buildDisplayTab(const std::vector<MonitorInfo>& monitors);
    QWidget* buildNetworkTab();
    QWidget* buildAdvancedTab();
    bool serviceInstalled() const;

    SettingsController& m_settings;
    CommandRunner m_commands;
    QString m_serviceProgram;
    bool m_serviceWasInstalled = false;
    std::function<void(const QString&, const QString&)> m_information;
    std::function<bool(const QString&, const QString&)> m_restartQuestion;

    QComboBox* m_language = nullptr;
    QComboBox* m_displayMode = nullptr;
    QComboBox* m_monitor = nullptr;
    QCheckBox* m_clipboard = nullptr;
    QCheckBox* m_onlyVerified = nullptr;
    QCheckBox* m_autoReconnect = nullptr;
    QSpinBox* m_attempts = nullptr;
    QCheckBox* m_startAtLogin = nullptr;
    QCheckBox* m_service = nullptr;
    QCheckBox* m_tray = nullptr;
};

} // namespace nimbral
