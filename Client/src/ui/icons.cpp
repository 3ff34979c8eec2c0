#include "ui/icons.h"

#include <functional>
#include <map>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace nimbral {

namespace {

using Drawing = std::function<void(QPainter&)>;

// Each drawing works on a 24 x 24 canvas.
const std::map<QString, Drawing>& drawings() {
    static const std::map<QString, Drawing> table = {
        {"content_copy",
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(8, 7, 11, 13), 1.5, 1.5);
             p.drawPolyline(QPolygonF({{5, 16}, {5, 4}, {15, 4}}));
         }},
        {"upload",
         [](QPainter& p) {
             p.drawLine(QPointF(12, 4), QPointF(12, 16));
             p.drawPolyline(QPolygonF({{7, 9}, {12, 4}, {17, 9}}));
             p.drawLine(QPointF(5, 20), QPointF(19, 20));
         }},
        {"download",
         [](QPainter& p) {
             p.drawLine(QPointF(12, 4), QPointF(12, 16));
             p.drawPolyline(QPolygonF({{7, 11}, {12, 16}, {17, 11}}));
             p.drawLine(QPointF(5, 20), QPointF(19, 20));
         }},
        {"star_border",
         [](QPainter& p) {
             QPolygonF star;
             for (int i = 0; i < 10; ++i) {
                 const double radius = i % 2 == 0 ? 9.0 : 4.0;
                 const double angle = -M_PI / 2 + i * M_PI / 5;
                 star << QPointF(12 + radius * std::cos(angle), 12.5 + radius * std::sin(angle));
             }
             p.drawPolygon(star);
         }},
        {"chat",
         [](QPainter& p) {
             QPainterPath bubble;
             bubble.addRoundedRect(QRectF(4, 4, 16, 12), 2, 2);
             bubble.moveTo(8, 16);
             bubble.lineTo(6, 20);
             bubble.lineTo(12, 16);
             p.drawPath(bubble);
         }},
        {"arrow_back",
         [](QPainter& p) {
             p.drawLine(QPointF(5, 12), QPointF(19, 12));
             p.drawPolyline(QPolygonF({{11, 6}, {5, 12}, {11, 18}}));
         }},
        {"power",
         [](QPainter& p) {
             p.drawArc(QRectF(5, 5, 14, 14), 120 * 16, 300 * 16);
             p.drawLine(QPointF(12, 3), QPointF(12, 11));
         }},
        {"folder_open",
         [](QPainter& p) {
             p.drawPolygon(QPolygonF({{3, 6}, {9, 6}, {11, 8}, {20, 8}, {20, 18}, {3, 18}}));
             p.drawLine(QPointF(5, 11), QPointF(20, 11));
         }},
        {"folder",
         [](QPainter& p) {
             p.drawPolygon(QPolygonF({{3, 6}, {9, 6}, {11, 8}, {21, 8}, {21, 18}, {3, 18}}));
         }},
        {"aspect_ratio",
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(3, 5, 18, 14), 2, 2);
             p.drawPolyline(QPolygonF({{6, 11}, {6, 8}, {9, 8}}));
             p.drawPolyline(QPolygonF({{15, 16}, {18, 16}, {18, 13}}));
         }},
        {"link",
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(2, 8, 10, 8), 4, 4);
             p.drawRoundedRect(QRectF(12, 8, 10, 8), 4, 4);
             p.drawLine(QPointF(8, 12), QPointF(16, 12));
         }},
        {"link_off",
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(2, 8, 9, 8), 4, 4);
             p.drawRoundedRect(QRectF(13, 8, 9, 8), 4, 4);
             p.drawLine(QPointF(4, 3), QPointF(20, 21));
         }},
        {"settings",
         [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 3, 3);
             for (int i = 0; i < 8; ++i) {
                 const double angle = i * M_PI / 4;
                 p.drawLine(QPointF(12 + 6 * std::cos(angle), 12 + 6 * std::sin(angle)),
                            QPointF(12 + 9 * std::cos(angle), 12 + 9 * std::sin(angle)));
             }
             p.drawEllipse(QPointF(12, 12), 6, 6);
         }},
        {"info",
         [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 9, 9);
             p.drawLine(QPointF(12, 11), QPointF(12, 17));
             p.drawPoint(QPointF(12, 7.5));
         }},
        {"close",
         [](QPainter& p) {
             p.drawLine(QPointF(6, 6), QPointF(18, 18));
             p.drawLine(QPointF(18, 6), QPointF(6, 18));
         }},
        {"lock_reset",
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(7, 11, 10, 8), 1, 1);
             p.drawArc(QRectF(9, 5, 6, 10), 0, 180 * 16);
             p.drawArc(QRectF(2, 3, 20, 20), 200 * 16, 90 * 16);
         }},
        {"admin",
         [](QPainter& p) {
             p.drawPolygon(QPolygonF({{12, 3}, {19, 6}, {19, 12}, {12, 21}, {5, 12}, {5, 6}}));
             p.drawPolyline(QPolygonF({{9, 12}, {11, 14}, {15, 10}}));
         }},
        {"edit",
         [](QPainter& p) {
             p.drawPolygon(QPolygonF({{5, 19}, {6, 15}, {16, 5}, {19, 8}, {9, 18}}));
         }},
        {"file",
         [](QPainter& p) {
             p.drawPolygon(QPolygonF({{6, 3}, {14, 3}, {19, 8}, {19, 21}, {6, 21}}));
             p.drawPolyline(QPolygonF({{14, 3}, {14, 8}, {19, 8}}));
         }},
        {"desktop_windows",
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(3, 4, 18, 12), 1.5, 1.5);
             p.drawLine(QPointF(12, 16), QPointF(12, 20));
             p.drawLine(QPointF(8, 20), QPointF(16, 20));
         }},
        {"fullscreen",
         [](QPainter& p) {
             p.drawPolyline(QPolygonF({{4, 9}, {4, 4}, {9, 4}}));
             p.drawPolyline(QPolygonF({{15, 4}, {20, 4}, {20, 9}}));
             p.drawPolyline(QPolygonF({{20, 15}, {20, 20}, {15, 20}}));
             p.drawPolyline(QPolygonF({{9, 20}, {4, 20}, {4, 15}}));
         }},
    };
    return table;
}

} // namespace

QIcon nimbralIcon(const QString& name) {
    if (name == QLatin1String("star")) {
        // The filled star of a favourite: the outline, filled.
        QPixmap pixmap(48, 48);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(2, 2);
        painter.setPen(QPen(QColor(0xcc, 0xd6, 0xf6), 1.8));
        painter.setBrush(QColor(0xcc, 0xd6, 0xf6));
        drawings().at(QStringLiteral("star_border"))(painter);
        return QIcon(pixmap);
    }
    const auto it = drawings().find(name);
    if (it == drawings().end()) {
        return {};
    }
    QPixmap pixmap(48, 48); // drawn at twice the size for high-density screens
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(2, 2);
    painter.setPen(QPen(QColor(0xcc, 0xd6, 0xf6), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    it->second(painter);
    return QIcon(pixmap);
}

} // namespace nimbral
