#include "ui/app_icon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace nimbral {

QIcon createAppIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(34, 102, 187));
    const qreal radius = size * 12 / 64;
    painter.drawRoundedRect(QRectF(0, 0, size, size), radius, radius);

    QFont font(QStringLiteral("Segoe UI"));
    font.setPointSize(qMax(1, size * 36 / 64));
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("N"));
    painter.end();

    return QIcon(pixmap);
}

} // namespace nimbral
