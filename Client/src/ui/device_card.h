#pragma once

#include <functional>

#include <QFrame>
#include <QString>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace nimbral {

// A small grey heading above a field ("YOUR ID", "PASSWORD", ...), as every page shows them.
QLabel* captionLabel(const QString& text, QWidget* parent);
// A flat square button showing one of our icons.
QPushButton* iconButton(const QString& icon, const QString& toolTip, int size, QWidget* parent);
// How long a copy button shows that it copied.
inline constexpr int kCopiedFeedbackMs = 1500;
// A copy button ("copyButton"): puts text() on the clipboard, then shows a tick and "Copied"
// for a moment.
QPushButton* copyButton(const QString& toolTip, std::function<QString()> text, QWidget* parent);

// This device as both windows show it: "YOUR ID" with a copy button, "PASSWORD" with copy and
// change buttons, and the status line below. A window adds its own rows underneath (rows()).
// Object names: "deviceCard", "clientId", "sessionPassword", "statusLine".
class DeviceCard : public QFrame {
    Q_OBJECT

public:
    explicit DeviceCard(QWidget* parent);

    QLabel* clientId() const { return m_clientId; }
    QLabel* password() const { return m_password; }
    QLabel* status() const { return m_status; }
    QVBoxLayout* rows() const { return m_rows; }

signals:
    void changePasswordRequested();

private:
    QLabel* m_clientId = nullptr;
    QLabel* m_password = nullptr;
    QLabel* m_status = nullptr;
    QVBoxLayout* m_rows = nullptr;
};

} // namespace nimbral
