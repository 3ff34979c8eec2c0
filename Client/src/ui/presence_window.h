#pragma once

#include <QLabel>
#include <QWidget>

namespace nimbral {

class ClientCore;

// Shows what a partner needs to connect to this device (ID, session password, pairing code)
// and whether the device is online. Stands in for the main window until that exists.
class PresenceWindow : public QWidget {
    Q_OBJECT

public:
    explicit PresenceWindow(ClientCore& core, QWidget* parent = nullptr);

private:
    void setStatus(const QString& text);

    QLabel* m_clientId;
    QLabel* m_password;
    QLabel* m_pairingCode;
    QLabel* m_status;
};

} // namespace nimbral
