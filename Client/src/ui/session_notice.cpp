#include "ui/session_notice.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "common/client_id_text.h"

namespace nimbral {

SessionNotice::SessionNotice(const QString& partnerId, QWidget* parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("sessionNotice"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 6, 6, 6);
    auto* lines = new QVBoxLayout;
    m_who = new QLabel(
        tr("Partner %1 sees and controls this screen").arg(formatClientId(partnerId)), this);
    m_who->setObjectName(QStringLiteral("noticeWho"));
    m_files = new QLabel(this);
    m_files->setObjectName(QStringLiteral("noticeFiles"));
    m_files->hide();
    lines->addWidget(m_who);
    lines->addWidget(m_files);
    layout->addLayout(lines);
    auto* end = new QPushButton(tr("End session"), this);
    end->setObjectName(QStringLiteral("endSessionButton"));
    end->setFocusPolicy(Qt::NoFocus);
    connect(end, &QPushButton::clicked, this, &SessionNotice::endRequested);
    layout->addWidget(end);
    placeOnScreen();
}

void SessionNotice::noteFileUse(FileUse use, const QString& path) {
    // The name alone: the full path would make the notice as wide as the screen.
    QString name = QFileInfo(path).fileName();
    if (name.isEmpty()) {
        name = path;
    }
    switch (use) {
    case FileUse::Browses:
        if (m_copied) {
            return; // the last copy says more than the folder looked at after it
        }
        m_files->setText(tr("Looking at files in %1").arg(name));
        break;
    case FileUse::Takes:
        m_files->setText(tr("Copying %1 from this computer").arg(name));
        break;
    case FileUse::Puts:
        m_files->setText(tr("Copying %1 to this computer").arg(name));
        break;
    }
    m_copied = m_copied || use != FileUse::Browses;
    m_files->show();
    adjustSize();
    placeOnScreen();
}

QString SessionNotice::text() const {
    return m_files->isHidden() ? m_who->text()
                               : m_who->text() + QLatin1Char('\n') + m_files->text();
}

void SessionNotice::placeOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    adjustSize();
    const QRect available = screen->availableGeometry();
    move(available.left() + (available.width() - width()) / 2, available.top());
}

} // namespace nimbral
