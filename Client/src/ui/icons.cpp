#include "ui/icons.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace nimbral {

QIcon nimbralIcon(const QString& name) {
    const QString path = QStringLiteral(":/icons/") + name;
    if (name.isEmpty() || !QFile::exists(path)) {
        return {};
    }
    // Rendered here rather than left to Qt's SVG icon plugin: the program then needs only the
    // SVG library it links, not a plugin that may be missing from an installation.
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    QIcon icon;
    for (const int size : {24, 48}) { // 48 for screens scaled by two
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace nimbral
