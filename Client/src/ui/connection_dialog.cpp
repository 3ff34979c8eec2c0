#include "ui/connection_dialog.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace nimbral {

ConnectionDialog::ConnectionDialog(QWidget* parent)
    : QDialog(parent) {
    m_warning = [this](const QString& title, const QString& text) {
        QMessageBox::warning(this, title, text);
    };
    setWindowTitle(tr("Nimbral - Connect"));
    setMinimumWidth(350);
    auto* layout = new QVBoxLayout(this);

    auto* serverForm = new QFormLayout;
    m_server = new QLineEdit(this);
    m_server->setPlaceholderText(QStringLiteral("http://192.168.1.10:8080"));
    serverForm->addRow(tr("Server:"), m_server);
    layout->addLayout(serverForm);

    auto* tabs = new QTabWidget(this);
    auto* loginTab = new QWidget(tabs);
    auto* loginForm = new QFormLayout(loginTab);
    m_loginUser = new QLineEdit(loginTab);
    m_loginUser->setPlaceholderText(tr("Username"));
    m_loginPassword = new QLineEdit(loginTab);
    m_loginPassword->setPlaceholderText(tr("Password"));
    m_loginPassword->setEchoMode(QLineEdit::Password);
    m_loginButton = new QPushButton(tr("Login"), loginTab);
    loginForm->addRow(tr("Username:"), m_loginUser);
    loginForm->addRow(tr("Password:"), m_loginPassword);
    loginForm->addRow(m_loginButton);
    tabs->addTab(loginTab, tr("Login"));

    auto* registerTab = new QWidget(tabs);
    auto* registerForm = new QFormLayout(registerTab);
    m_registerUser = new QLineEdit(registerTab);
    m_registerUser->setPlaceholderText(tr("Username"));
    m_registerPassword = new QLineEdit(registerTab);
    m_registerPassword->setPlaceholderText(tr("Password (min 8 chars)"));
    m_registerPassword->setEchoMode(QLineEdit::Password);
    m_clientName = new QLineEdit(registerTab);
    m_clientName->setPlaceholderText(tr("My PC"));
    m_registerButton = new QPushButton(tr("Register"), registerTab);
    registerForm->addRow(tr("Username:"), m_registerUser);
    registerForm->addRow(tr("Password:"), m_registerPassword);
    registerForm->addRow(tr("Client Name:"), m_clientName);
    registerForm->addRow(m_registerButton);
    tabs->addTab(registerTab, tr("Register"));
    layout->addWidget(tabs);

    connect(m_loginButton, &QPushButton::clicked, this, &ConnectionDialog::onLoginClicked);
    connect(m_registerButton, &QPushButton::clicked, this, &ConnectionDialog::onRegisterClicked);
    connect(m_loginPassword, &QLineEdit::returnPressed, m_loginButton, &QPushButton::click);
    connect(m_registerPassword, &QLineEdit::returnPressed, m_registerButton, &QPushButton::click);
}

void ConnectionDialog::onLoginClicked() {
    const QString username = m_loginUser->text();
    const QString password = m_loginPassword->text();
    if (username.isEmpty() || password.isEmpty()) {
        m_warning(tr("Error"), tr("Please fill in all fields."));
        return;
    }
    emit loginRequested(username, password);
}

void ConnectionDialog::onRegisterClicked() {
    const QString username = m_registerUser->text();
    const QString password = m_registerPassword->text();
    if (username.isEmpty() || password.isEmpty()) {
        m_warning(tr("Error"), tr("Please fill in username and password."));
        return;
    }
    if (password.size() < kMinimumPasswordLength) {
        m_warning(tr("Error"), tr("Password must be at least 8 characters."));
        return;
    }
    emit registerRequested(username, password, m_clientName->text());
}

} // namespace nimbral
