#include "live/PanelArt.h"

#include "layout/ReadoutLayout.h"
#include "live/MeterButtonTable.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor segmentColor(28, 32, 28);

// Segments a..g of a seven-segment digit, as on the meter's display.
constexpr int segmentsOf[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};

QPainterPath horizontalSegment(double x, double y, double len, double t) {
    QPainterPath p;
    const double h = t / 2;
    p.moveTo(x, y);
    p.lineTo(x + h, y - h);
    p.lineTo(x + len - h, y - h);
    p.lineTo(x + len, y);
    p.lineTo(x + len - h, y + h);
    p.lineTo(x + h, y + h);
    p.closeSubpath();
    return p;
}

QPainterPath verticalSegment(double x, double y, double len, double t) {
    QPainterPath p;
    const double h = t / 2;
    p.moveTo(x, y);
    p.lineTo(x + h, y + h);
    p.lineTo(x + h, y + len - h);
    p.lineTo(x, y + len);
    p.lineTo(x - h, y + len - h);
    p.lineTo(x - h, y + h);
    p.closeSubpath();
    return p;
}

QPixmap drawDigit(int digit) {
    QPixmap pm(25, 53);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(segmentColor);
    constexpr double t = 4.6, left = 4.0, right = 19.5, top = 3.5, mid = 26.5, bottom = 49.5;
    constexpr double gap = 0.8;
    // a slight lean, as the meter's glass digits have
    p.setTransform(QTransform().shear(-0.06, 0).translate(1.6, 0));
    const int s = segmentsOf[digit];
    if (s & 0x01)
        p.drawPath(horizontalSegment(left + gap, top, right - left - 2 * gap, t));
    if (s & 0x02)
        p.drawPath(verticalSegment(right, top + gap, mid - top - 2 * gap, t));
    if (s & 0x04)
        p.drawPath(verticalSegment(right, mid + gap, bottom - mid - 2 * gap, t));
    if (s & 0x08)
        p.drawPath(horizontalSegment(left + gap, bottom, right - left - 2 * gap, t));
    if (s & 0x10)
        p.drawPath(verticalSegment(left, mid + gap, bottom - mid - 2 * gap, t));
    if (s & 0x20)
        p.drawPath(verticalSegment(left, top + gap, mid - top - 2 * gap, t));
    if (s & 0x40)
        p.drawPath(horizontalSegment(left + gap, mid, right - left - 2 * gap, t));
    return pm;
}

QPixmap drawBody(bool on) {
    QPixmap pm(panelWidth, panelHeight);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    // case: dark rim, lighter face
    QLinearGradient rim(0, 0, panelWidth, 0);
    rim.setColorAt(0, QColor(70, 73, 78));
    rim.setColorAt(0.5, QColor(120, 124, 130));
    rim.setColorAt(1, QColor(62, 65, 70));
    p.setPen(QPen(QColor(35, 36, 40), 1.5));
    p.setBrush(rim);
    p.drawRoundedRect(QRectF(2.5, 2.5, panelWidth - 5, panelHeight - 5), 26, 26);

    QLinearGradient face(0, 0, panelWidth, 0);
    face.setColorAt(0, QColor(150, 154, 160));
    face.setColorAt(0.35, QColor(196, 199, 204));
    face.setColorAt(0.7, QColor(184, 187, 192));
    face.setColorAt(1, QColor(140, 144, 150));
    p.setPen(QPen(QColor(95, 98, 104), 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(9.5, 9.5, panelWidth - 19, panelHeight - 19), 20, 20);

    // display bezel and window
    p.setPen(QPen(QColor(20, 22, 24), 1));
    p.setBrush(QColor(46, 49, 54));
    p.drawRoundedRect(QRectF(30.5, 27.5, 134, 168), 9, 9);
    p.setPen(QPen(QColor(90, 94, 100), 1));
    p.setBrush(QColor(58, 62, 68));
    p.drawRoundedRect(QRectF(38.5, 34.5, 118, 154), 4, 4);
    p.setPen(Qt::NoPen);
    const QRect lcd(displayRect.x, displayRect.y, displayRect.width, displayRect.height);
    p.setBrush(on ? QColor(lcdColor) : QColor(96, 104, 97));
    p.drawRect(lcd);
    if (!on) {
        // dull glass with a faint reflection, nothing lit
        QLinearGradient glare(lcd.topLeft(), lcd.bottomRight());
        glare.setColorAt(0, QColor(255, 255, 255, 28));
        glare.setColorAt(0.45, QColor(255, 255, 255, 0));
        p.setBrush(glare);
        p.drawRect(lcd);
    }

    // name plate
    QFont brand(QStringLiteral("DejaVu Sans"));
    brand.setPixelSize(13);
    brand.setBold(true);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(brand);
    p.setPen(QColor(40, 44, 60));
    p.drawText(QRect(18, 193, 80, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KOVRA"));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(7);
    p.setFont(small);
    p.setPen(QColor(60, 64, 78));
    p.drawText(QRect(18, 208, 80, 10), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("SOUND LEVEL METER"));
    p.drawText(QRect(18, 218, 80, 10), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("DATALOGGER"));

    // the power lamp
    QRadialGradient lamp(QPointF(164, 202), 5);
    lamp.setColorAt(0, on ? QColor(140, 255, 140) : QColor(80, 90, 80));
    lamp.setColorAt(1, on ? QColor(20, 140, 30) : QColor(45, 50, 45));
    p.setPen(QPen(QColor(40, 40, 44), 1));
    p.setBrush(lamp);
    p.drawEllipse(QPointF(164, 202), 4, 4);

    // recesses under the keys
    p.setPen(QPen(QColor(120, 123, 130), 1));
    p.setBrush(QColor(150, 153, 160));
    for (const MeterButtonSpec& b : meterButtons) {
        const QRectF r(b.homeX - 2.5, b.homeY - 2.5, b.width + 5, b.height + 5);
        if (b.round)
            p.drawEllipse(r);
        else
            p.drawRoundedRect(r, 7, 7);
    }

    // loudspeaker grille
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(92, 95, 102));
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 9; ++col)
            p.drawEllipse(QPointF(42 + col * 14, 372 + row * 11), 2.2, 2.2);

    // lower label and the screws
    p.setFont(small);
    p.setPen(QColor(60, 64, 78));
    p.drawText(QRect(20, 490, 155, 10), Qt::AlignCenter,
               QStringLiteral("30 - 130 dB   A/C   FAST/SLOW"));
    p.drawText(QRect(20, 500, 155, 10), Qt::AlignCenter, QStringLiteral("IEC 61672 CLASS 2"));
    p.setPen(QPen(QColor(80, 82, 88), 1));
    p.setBrush(QColor(160, 163, 168));
    for (const QPointF c :
         {QPointF(24, 24), QPointF(171, 24), QPointF(24, 509), QPointF(171, 509)}) {
        p.drawEllipse(c, 3.5, 3.5);
        p.drawLine(c + QPointF(-2.5, 0), c + QPointF(2.5, 0));
    }
    return pm;
}

QPixmap drawKey(const MeterButtonSpec& b) {
    QPixmap pm(b.width, b.height);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, b.width - 1, b.height - 1);
    QLinearGradient g(0, 0, 0, b.height);
    g.setColorAt(0, b.color.lighter(150));
    g.setColorAt(0.5, b.color);
    g.setColorAt(1, b.color.darker(140));
    p.setPen(QPen(QColor(20, 20, 24), 1));
    p.setBrush(g);
    if (b.round)
        p.drawEllipse(r);
    else
        p.drawRoundedRect(r, 6, 6);

    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(b.width >= 40 ? 9 : 8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(245, 245, 245));
    QRectF text = r;
    if (b.code == 1) { // REC: a red dot above the word
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(225, 40, 40));
        p.drawEllipse(QPointF(b.width / 2.0, 10), 4, 4);
        p.setPen(QColor(245, 245, 245));
        text.setTop(14);
    }
    p.drawText(text, Qt::AlignCenter, QString::fromLatin1(b.label));
    return pm;
}

} // namespace

const PanelArt& PanelArt::instance() {
    static const PanelArt art;
    return art;
}

PanelArt::PanelArt() {
    body = drawBody(true);
    bodyOff = drawBody(false);
    for (int d = 0; d < 10; ++d)
        digits[d] = drawDigit(d);
    point = QPixmap(7, 8);
    point.fill(Qt::transparent);
    {
        QPainter p(&point);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(segmentColor);
        p.drawRect(QRectF(1, 2, 5, 5));
    }
    tick = QPixmap(1, 7);
    tick.fill(segmentColor);
    for (const MeterButtonSpec& b : meterButtons)
        keys[b.code] = drawKey(b);
}
