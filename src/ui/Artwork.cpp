#include "ui/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap canvas(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

QPixmap meterPicture(int size) {
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    QLinearGradient body(0, 0, 32, 0);
    body.setColorAt(0, QColor(120, 124, 130));
    body.setColorAt(0.5, QColor(200, 203, 208));
    body.setColorAt(1, QColor(110, 114, 120));
    p.setPen(QPen(QColor(50, 52, 56), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(7.5, 1.5, 17, 29), 4, 4);
    p.setBrush(QColor(128, 140, 128));
    p.drawRect(QRectF(10.5, 4.5, 11, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 35, 30));
    p.drawRect(QRectF(12, 8, 3, 4));
    p.drawRect(QRectF(16, 8, 3, 4));
    p.drawRect(QRectF(12, 6, 8, 1));
    p.setBrush(QColor(190, 40, 40));
    p.drawEllipse(QPointF(13, 19), 1.8, 1.8);
    p.setBrush(QColor(70, 72, 78));
    p.drawEllipse(QPointF(19, 19), 1.8, 1.8);
    p.drawEllipse(QPointF(16, 25.5), 2.5, 2.5);
    return pm;
}

QPixmap drawTool(ToolIcon which) {
    QPixmap pm = canvas(16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(40, 40, 50), 1);
    switch (which) {
    case ToolIcon::Open: {
        p.setPen(outline);
        p.setBrush(QColor(220, 180, 70));
        p.drawRect(QRectF(1.5, 4.5, 12, 9));
        p.setBrush(QColor(245, 210, 110));
        QPainterPath flap;
        flap.moveTo(3.5, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(13.5, 13.5);
        flap.lineTo(1.5, 13.5);
        flap.closeSubpath();
        p.drawPath(flap);
        p.drawRect(QRectF(1.5, 2.5, 5, 2));
        break;
    }
    case ToolIcon::Save:
        p.setPen(outline);
        p.setBrush(QColor(60, 90, 170));
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(200, 200, 205));
        p.drawRect(QRectF(4.5, 9.5, 7, 5));
        break;
    case ToolIcon::Export: {
        p.setPen(outline);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 10, 13));
        p.setPen(QColor(30, 130, 60));
        for (int y = 5; y <= 12; y += 3)
            p.drawLine(QPointF(3, y + 0.5), QPointF(10, y + 0.5));
        p.drawLine(QPointF(6.5, 3), QPointF(6.5, 13));
        p.setPen(QPen(QColor(30, 140, 60), 2));
        p.drawLine(QPointF(9, 9), QPointF(15, 9));
        p.drawLine(QPointF(12.5, 6.5), QPointF(15, 9));
        p.drawLine(QPointF(12.5, 11.5), QPointF(15, 9));
        break;
    }
    case ToolIcon::Record: {
        QRadialGradient g(QPointF(6.5, 6.5), 7);
        g.setColorAt(0, QColor(255, 120, 120));
        g.setColorAt(1, QColor(190, 20, 20));
        p.setPen(QPen(QColor(110, 10, 10), 1));
        p.setBrush(g);
        p.drawEllipse(QRectF(2, 2, 12, 12));
        break;
    }
    case ToolIcon::Stop:
        p.setPen(QPen(QColor(20, 20, 30), 1));
        p.setBrush(QColor(60, 64, 80));
        p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
        break;
    case ToolIcon::Print:
        p.setPen(outline);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(170, 170, 180));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 170, 60));
        p.drawRect(QRectF(12, 8, 1.5, 1.5));
        break;
    case ToolIcon::About: {
        p.setPen(QPen(QColor(20, 60, 140), 1));
        p.setBrush(QColor(60, 120, 210));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        QFont f = p.font();
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
    return pm;
}

} // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(meterPicture(size));
    return icon;
}

QIcon toolIcon(ToolIcon which) {
    return QIcon(drawTool(which));
}
