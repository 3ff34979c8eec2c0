#include "ui/device_card.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include "ui/display_text.h"
#include "ui/icons.h"

namespace nimbral {

namespace {

QString translated(const char* text) {
    // Both windows share the main window's translations.
    return QCoreApplication::translate("nimbral::MainWindow", text);
}

} // namespace

QPushButton* iconButton(const QString& icon, const QString& toolTip, int size, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setIcon(nimbralIcon(icon));
    button->setToolTip(toolTip);
    button->setProperty("look", QStringLiteral("flat"));
    button->setFlat(true);
    button->setFixedSize(size, size);
    return button;
}

QPushButton* copyButton(const QString& toolTip, std::function<QString()> text, QWidget* parent) {
    QPushButton* button = iconButton(QStringLiteral("content_copy"), toolTip, 28, parent);
    button->setObjectName(QStringLiteral("copyButton"));
    QObject::connect(button, &QPushButton::clicked, button, [button, toolTip, text] {
        QGuiApplication::clipboard()->setText(text());
        // Copying shows nothing by itself: the button says it worked, for a moment.
        const QString copied = translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Copied"));
        button->setIcon(nimbralIcon(QStringLiteral("check")));
        button->setToolTip(copied);
        QToolTip::showText(button->mapToGlobal(QPoint(0, button->height())), copied, button);
        QTimer::singleShot(kCopiedFeedbackMs, button, [button, toolTip] {
            button->setIcon(nimbralIcon(QStringLiteral("content_copy")));
            button->setToolTip(toolTip);
        });
    });
    return button;
}

QLabel* captionLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("caption"));
    return label;
}

DeviceCard::DeviceCard(QWidget* parent)
    : QFrame(parent) {
    setObjectName(QStringLiteral("deviceCard"));
    m_rows = new QVBoxLayout(this);
    m_rows->setContentsMargins(14, 14, 14, 14);
    m_rows->setSpacing(6);
    m_rows->addWidget(
        captionLabel(translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "YOUR ID")), this));
    auto* idRow = new QHBoxLayout;
    m_clientId =
        new QLabel(translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Connecting...")), this);
    m_clientId->setObjectName(QStringLiteral("clientId"));
    m_clientId->setTextInteractionFlags(Qt::TextSelectableByMouse);
    idRow->addWidget(m_clientId);
    idRow->addStretch();
    idRow->addWidget(copyButton(
        translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Copy ID")),
        [this] { return withoutBlanks(m_clientId->text()); }, this));
    m_rows->addLayout(idRow);
    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("separator"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFixedHeight(1);
    m_rows->addWidget(separator);

    m_rows->addWidget(
        captionLabel(translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "PASSWORD")), this));
    auto* passwordRow = new QHBoxLayout;
    m_password = new QLabel(QStringLiteral("------"), this);
    m_password->setObjectName(QStringLiteral("sessionPassword"));
    m_password->setTextInteractionFlags(Qt::TextSelectableByMouse);
    passwordRow->addWidget(m_password);
    passwordRow->addStretch();
    passwordRow->addWidget(copyButton(
        translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Copy Password")),
        [this] { return m_password->text(); }, this));
    QPushButton* change = iconButton(
        QStringLiteral("lock_reset"),
        translated(QT_TRANSLATE_NOOP("nimbral::MainWindow", "Change Password")), 28, this);
    connect(change, &QPushButton::clicked, this, &DeviceCard::changePasswordRequested);
    passwordRow->addWidget(change);
    m_rows->addLayout(passwordRow);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_rows->addWidget(m_status);
}

} // namespace nimbral
