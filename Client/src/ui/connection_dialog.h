#pragma once

#include <functional>

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace nimbral {

// Account credentials for logging in to, or registering with, the central server, handed on
// by signals. Devices authenticate on their own; nothing in the client opens this dialog yet.
class ConnectionDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMinimumPasswordLength = 8;

    explicit ConnectionDialog(QWidget* parent = nullptr);

    // Shows a warning box; replaced by tests.
    void setWarning(std::function<void(const QString&, const QString&)> warning) {
        m_warning = std::move(warning);
    }

    QLineEdit* serverEdit() const { return m_server; }
    QLineEdit* loginUserEdit() const { return m_loginUser; }
    QLineEdit* loginPasswordEdit() const { return m_loginPassword; }
    QLineEdit* registerUserEdit() const { return m_registerUser; }
    QLineEdit* registerPasswordEdit() const { return m_registerPassword; }
    QPushButton* loginButton() const { return m_loginButton; }
    QPushButton* registerButton() const { return m_registerButton; }

signals:
    void loginRequested(const QString& username, const QString& password);
    void registerRequested(const QString& username, const QString& password,
                           const QString& clientName);

private:
    void onLoginClicked();
    void onRegisterClicked();

    std::function<void(const QString&, const QString&)> m_warning;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_loginUser = nullptr;
    QLineEdit* m_loginPassword = nullptr;
    QLineEdit* m_registerUser = nullptr;
    QLineEdit* m_registerPassword = nullptr;
    QLineEdit* m_clientName = nullptr;
    QPushButton* m_loginButton = nullptr;
    QPushButton* m_registerButton = nullptr;
};

} // namespace nimbral
