#include "platform/gui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace vt::gui {

namespace {

QPixmap Draw(const QString& name, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    QPen outline(QColor(40, 40, 40), 1.0);
    p.setPen(outline);
    if (name == "newcamera" || name == "vorantel") {
        p.setBrush(QColor(90, 90, 100));
        p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 1.5, 1.5);
        p.drawRect(QRectF(5.5, 2.5, 5, 2));
        p.setBrush(QColor(120, 170, 230));
        p.drawEllipse(QPointF(8, 9), 3, 3);
        if (name == "newcamera") {
            p.setPen(QPen(QColor(250, 200, 0), 1.6));
            p.drawLine(QPointF(13, 1), QPointF(13, 5));
            p.drawLine(QPointF(11, 3), QPointF(15, 3));
        } else {
            p.setBrush(Qt::white);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(12.5, 6.5), 1, 1);
        }
    } else if (name == "open") {
        p.setBrush(QColor(240, 200, 80));
        QPainterPath path;
        path.moveTo(1.5, 13.5);
        path.lineTo(1.5, 3.5);
        path.lineTo(6, 3.5);
        path.lineTo(7.5, 5);
        path.lineTo(13.5, 5);
        path.lineTo(13.5, 13.5);
        path.closeSubpath();
        p.drawPath(path);
        p.setBrush(QColor(250, 225, 120));
        QPainterPath front;
        front.moveTo(1.5, 13.5);
        front.lineTo(4, 7.5);
        front.lineTo(15.5, 7.5);
        front.lineTo(13.5, 13.5);
        front.closeSubpath();
        p.drawPath(front);
    } else if (name == "save") {
        p.setBrush(QColor(60, 90, 170));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 1.5, 8, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4, 9.5, 8, 5));
    } else if (name == "undo") {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(30, 100, 180), 2.0));
        QPainterPath arc;
        arc.moveTo(4, 6);
        arc.cubicTo(9, 2, 15, 6, 12, 12);
        p.drawPath(arc);
        p.setPen(outline);
        p.setBrush(QColor(30, 100, 180));
        QPolygonF head({QPointF(1, 7), QPointF(6, 2.5), QPointF(6.5, 9)});
        p.drawPolygon(head);
    } else if (name == "fix") {
        p.setBrush(QColor(0, 0, 0));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 60, 60));
        p.drawRect(QRectF(4, 4, 2, 2));
        p.setBrush(QColor(120, 220, 120));
        p.drawRect(QRectF(10, 9, 2, 2));
        p.setPen(QPen(QColor(255, 255, 255), 1.4));
        p.drawLine(QPointF(3, 13), QPointF(9, 7));
    } else if (name == "effects") {
        p.setPen(QPen(QColor(60, 40, 20), 2.0));
        p.drawLine(QPointF(2, 14), QPointF(10, 6));
        p.setPen(outline);
        p.setBrush(QColor(255, 215, 0));
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            double r = (i % 2) ? 2.0 : 4.5;
            double a = -3.14159265 / 2 + i * 3.14159265 / 5;
            star << QPointF(11.5 + r * std::cos(a), 4.5 + r * std::sin(a));
        }
        p.drawPolygon(star);
    } else if (name == "delete") {
        p.setPen(QPen(QColor(200, 30, 30), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    } else if (name == "reset") {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(20, 140, 60), 2.0));
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 290 * 16);
        p.setPen(outline);
        p.setBrush(QColor(20, 140, 60));
        p.drawPolygon(QPolygonF({QPointF(5, 0.5), QPointF(10, 2.5), QPointF(5.5, 6)}));
    } else if (name == "help") {
        p.setBrush(QColor(40, 110, 200));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(11);
        p.setFont(f);
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, "?");
    } else if (name == "brush") {
        p.setPen(QPen(QColor(120, 80, 40), 2.0));
        p.drawLine(QPointF(14, 2), QPointF(7, 9));
        p.setPen(outline);
        p.setBrush(QColor(40, 40, 40));
        p.drawEllipse(QRectF(2, 9, 6, 5));
    } else if (name.startsWith("zoom")) {
        // A magnifying glass with what it does written in its lens.
        p.setPen(QPen(QColor(60, 60, 60), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
        p.setPen(outline);
        p.setBrush(QColor(225, 240, 255));
        p.drawEllipse(QRectF(1.5, 1.5, 10, 10));
        p.setPen(QPen(QColor(30, 80, 160), 1.5));
        if (name == "zoomin" || name == "zoomout") p.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
        if (name == "zoomin") p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
        if (name == "zoomfit") {
            p.setPen(QPen(QColor(30, 80, 160), 1.0));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(4, 4.5, 5, 4));
        }
        if (name == "zoom100") {
            p.drawLine(QPointF(5, 5), QPointF(6.5, 4));
            p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9.5));
        }
    } else if (name == "palette") {
        p.setBrush(QColor(230, 200, 150));
        p.drawEllipse(QRectF(1.5, 2.5, 13, 11));
        const QColor dots[] = {Qt::red, Qt::blue, Qt::green, Qt::yellow};
        const QPointF pos[] = {{5, 6}, {8.5, 5}, {11.5, 7}, {6, 10}};
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 4; ++i) {
            p.setBrush(dots[i]);
            p.drawEllipse(pos[i], 1.4, 1.4);
        }
    }
    return pm;
}

} // namespace

QPixmap ProgramIconPixmap(const QString& name, int size) {
    return Draw(name, size);
}

QIcon ProgramIcon(const QString& name) {
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(Draw(name, size));
    return icon;
}

} // namespace vt::gui
