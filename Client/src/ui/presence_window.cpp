#include "ui/presence_window.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QFrame>
#include <QVBoxLayout>

#include "core/auth_controller.h"
#include "network/signaling_client.h"
#include "ui/client_core.h"

namespace nimbral {

namespace {

// "123456789" reads better as "123 456 789".
QString groupedId(const QString& id) {
    QString grouped;
    for (qsizetype i = 0; i < id.size(); ++i) {
        if (i > 0 && i % 3 == 0) {
            grouped += QLatin1Char(' ');
        }
        grouped += id.at(i);
    }
    return grouped;
}

QLabel* valueLabel(QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("—"), parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont font = label->font();
    font.setPointSize(font.pointSize() + 6);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

PresenceWindow::PresenceWindow(ClientCore& core, QWidget* parent)
    : QWidget(parent)
    , m_clientId(valueLabel(this))
    , m_password(valueLabel(this))
    , m_pairingCode(valueLabel(this))
    , m_status(new QLabel(this)) {
    setWindowTitle(QCoreApplication::translate("MainWindow", "Nimbral - Remote Access"));
    resize(520, 320);

    auto* card = new QFrame(this);
    card->setObjectName(QStringLiteral("card"));
    auto* form = new QFormLayout(card);
    form->addRow(tr("Your ID"), m_clientId);
    form->addRow(tr("Password"), m_password);
    form->addRow(tr("Pairing code"), m_pairingCode);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(card);
    layout->addWidget(m_status);
    layout->addStretch();

    AuthController& auth = core.auth();
    m_password->setText(auth.sessionPassword());
    m_pairingCode->setText(auth.pairingCode());
    setStatus(tr("Connecting to the server..."));

    connect(&auth, &AuthController::pairingCodeChanged, m_pairingCode, &QLabel::setText);
    connect(&auth, &AuthController::authenticated, this,
            [this](const QString& clientId) { m_clientId->setText(groupedId(clientId)); });
    connect(&auth, &AuthController::authenticationFailed, this, [this](const QString& error) {
        setStatus(tr("Offline: %1. Trying again shortly.").arg(error));
    });
    connect(&core.signaling(), &SignalingClient::connected, this,
            [this] { setStatus(tr("Online: ready for connections")); });
    connect(&core.signaling(), &SignalingClient::disconnected, this,
            [this] { setStatus(tr("Connection to the server lost, reconnecting...")); });
}

void PresenceWindow::setStatus(const QString& text) {
    m_status->setText(text);
}

} // namespace nimbral
