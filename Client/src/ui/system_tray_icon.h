#pragma once

#include <memory>

#include <QSystemTrayIcon>

class QAction;
class QMenu;

namespace nimbral {

// The notification-area icon: a status line, show / disconnect / quit, and balloon notices for
// the main window, which owns it and answers its requests.
class SystemTrayIcon : public QSystemTrayIcon {
    Q_OBJECT

public:
    explicit SystemTrayIcon(QObject* parent = nullptr);
    ~SystemTrayIcon() override;

    void setStatusText(const QString& text);
    void setDisconnectEnabled(bool enabled);
    void showNotification(const QString& title, const QString& message,
                          QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::Information);
    void showIncomingConnection(const QString& clientId);

    // For tests.
    QString statusText() const;
    bool disconnectEnabled() const;
    QMenu* menu() const { return m_menu.get(); }

signals:
    void showWindowRequested();
    void disconnectRequested();
    void quitRequested();

private:
    std::unique_ptr<QMenu> m_menu;
    QAction* m_show = nullptr;
    QAction* m_status = nullptr;
    QAction* m_disconnect = nullptr;
    QAction* m_quit = nullptr;
};

} // namespace nimbral
