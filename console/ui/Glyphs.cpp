#include "Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 24;

void Triangle(QPainter& p, bool pointsLeft, qreal x) {
    QPainterPath path;
    if (pointsLeft) {
        path.moveTo(x + 7, 5);
        path.lineTo(x, 12);
        path.lineTo(x + 7, 19);
    } else {
        path.moveTo(x, 5);
        path.lineTo(x + 7, 12);
        path.lineTo(x, 19);
    }
    path.closeSubpath();
    p.drawPath(path);
}

QPixmap Paint(const QString& name, bool disabled) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor green = disabled ? QColor(170, 170, 170) : QColor(46, 139, 87);
    const QColor red = disabled ? QColor(170, 170, 170) : QColor(200, 50, 45);
    const QColor blue = disabled ? QColor(170, 170, 170) : QColor(30, 90, 170);
    const QColor brown = disabled ? QColor(170, 170, 170) : QColor(150, 100, 40);
    QPen pen(blue, 1.2);
    p.setPen(pen);

    if (name == "Add") {
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        p.drawRoundedRect(QRectF(10, 3, 4, 18), 1, 1);
        p.drawRoundedRect(QRectF(3, 10, 18, 4), 1, 1);
    } else if (name == "Delete") {
        p.setPen(Qt::NoPen);
        p.setBrush(red);
        p.drawRoundedRect(QRectF(3, 10, 18, 4), 1, 1);
    } else if (name == "Edit") {
        p.setPen(QPen(brown, 1));
        p.setBrush(disabled ? QColor(200, 200, 200) : QColor(240, 190, 60));
        QPainterPath pencil;
        pencil.moveTo(5, 19);
        pencil.lineTo(6.5, 14);
        pencil.lineTo(16, 4.5);
        pencil.lineTo(19.5, 8);
        pencil.lineTo(10, 17.5);
        pencil.closeSubpath();
        p.drawPath(pencil);
        p.setPen(QPen(blue, 1.5));
        p.drawLine(QPointF(4, 21), QPointF(20, 21));
    } else if (name == "First" || name == "Prev" || name == "Next" || name == "Last") {
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        const bool left = name == "First" || name == "Prev";
        if (name == "First") p.drawRect(QRectF(5, 5, 2.5, 14));
        if (name == "Last") p.drawRect(QRectF(16.5, 5, 2.5, 14));
        Triangle(p, left, name == "First" ? 8.5 : name == "Last" ? 8.5 : 8.5);
    } else if (name == "Ok") {
        p.setPen(QPen(green, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(4.5, 12.5), QPointF(9.5, 18), QPointF(19.5, 6)}));
    } else if (name == "Cancel") {
        p.setPen(QPen(red, 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
    } else if (name == "Exit") {
        p.setPen(QPen(brown, 1.4));
        p.setBrush(disabled ? QColor(215, 215, 215) : QColor(222, 184, 135));
        p.drawRect(QRectF(4, 3, 10, 18));
        p.setBrush(brown);
        p.drawEllipse(QPointF(11.5, 12.5), 1, 1);
        p.setPen(QPen(green, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(13, 12), QPointF(21, 12));
        p.drawPolyline(QPolygonF({QPointF(18, 9), QPointF(21, 12), QPointF(18, 15)}));
    } else if (name == "Import" || name == "Export") {
        p.setPen(QPen(blue, 1.2));
        p.setBrush(disabled ? QColor(235, 235, 235) : QColor(250, 250, 245));
        p.drawRect(QRectF(3, 4, 12, 16));
        p.setPen(
            QPen(name == "Import" ? green : red, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (name == "Import") {
            p.drawLine(QPointF(21, 12), QPointF(10, 12));
            p.drawPolyline(QPolygonF({QPointF(13, 9), QPointF(10, 12), QPointF(13, 15)}));
        } else {
            p.drawLine(QPointF(9, 12), QPointF(21, 12));
            p.drawPolyline(QPolygonF({QPointF(18, 9), QPointF(21, 12), QPointF(18, 15)}));
        }
    }
    return pixmap;
}

}  // namespace

QIcon Glyph(const QString& name) {
    QIcon icon;
    icon.addPixmap(Paint(name, false), QIcon::Normal);
    icon.addPixmap(Paint(name, true), QIcon::Disabled);
    return icon;
}
