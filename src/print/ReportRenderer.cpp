#include "print/ReportRenderer.h"

#include "print/PageRenderer.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// One family for the whole report, at a few sizes; "Arial" or the
// metric-compatible face the system puts in its place.
QFont styleFont(ReportOp::Style style, double dotsPerMm) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    double points = 9.0;
    switch (style) {
    case ReportOp::Style::Title:
        points = 17.0;
        font.setWeight(QFont::Bold);
        break;
    case ReportOp::Style::Heading:
        points = 11.5;
        font.setWeight(QFont::Bold);
        break;
    case ReportOp::Style::Body:
        break;
    case ReportOp::Style::Bold:
        font.setWeight(QFont::DemiBold);
        break;
    case ReportOp::Style::Small:
        points = 7.5;
        break;
    }
    font.setPixelSize(std::max(1, qRound(points * 25.4 / 72.0 * dotsPerMm)));
    return font;
}

QColor colourOf(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

void paintPage(QPainter& p, const ReportPage& page, double k) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    for (const ReportOp& op : page.ops) {
        const QRectF box(op.x * k, op.y * k, op.w * k, op.h * k);
        QPen pen(colourOf(op.color), std::max(0.5, op.pen * k));
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::RoundJoin);
        if (op.dashed)
            pen.setDashPattern({6.0, 4.0});
        switch (op.kind) {
        case ReportOp::Kind::Text: {
            const QFont font = styleFont(op.style, k);
            p.setFont(font);
            p.setPen(colourOf(op.color));
            int flags = op.align == ReportOp::Align::Left     ? Qt::AlignLeft
                        : op.align == ReportOp::Align::Center ? Qt::AlignHCenter
                                                              : Qt::AlignRight;
            const QString text = QString::fromStdString(op.text);
            if (op.wrap) {
                p.save();
                p.setClipRect(box);
                p.drawText(box, flags | Qt::AlignTop | Qt::TextWordWrap, text);
                p.restore();
            } else {
                const QFontMetricsF fm(font, p.device());
                p.drawText(box, flags | Qt::AlignVCenter,
                           fm.elidedText(text, Qt::ElideRight, box.width()));
            }
            break;
        }
        case ReportOp::Kind::Line:
            p.setPen(pen);
            p.drawLine(QPointF(op.x * k, op.y * k), QPointF((op.x + op.w) * k, (op.y + op.h) * k));
            break;
        case ReportOp::Kind::Rect:
            p.setPen(op.pen > 0 ? pen : QPen(Qt::NoPen));
            p.setBrush(op.fill ? QBrush(colourOf(*op.fill)) : QBrush(Qt::NoBrush));
            p.drawRect(box);
            p.setBrush(Qt::NoBrush);
            break;
        case ReportOp::Kind::Polyline: {
            QPolygonF line;
            line.reserve(static_cast<qsizetype>(op.points.size()));
            for (const auto& [x, y] : op.points)
                line << QPointF(x * k, y * k);
            p.setPen(pen);
            p.drawPolyline(line);
            break;
        }
        }
    }
}

// Dots per millimetre that fit the A4 layout onto the device's sheet.
double scaleFor(const QPaintDevice& device) {
    return std::min(device.width() / reportPageWidth, device.height() / reportPageHeight);
}

} // namespace

void setUpReportPdf(QPdfWriter& writer, const QString& title, const QString& creator) {
    setUpA4Pdf(writer, title, creator, 600, 0);
}

bool renderReport(QPagedPaintDevice& device, const std::vector<ReportPage>& pages, QString* error) {
    const double k = scaleFor(device);
    return paintPages(
        device, pages.size(),
        [&](QPainter& painter, std::size_t i) { paintPage(painter, pages[i], k); }, error);
}

QImage renderReportPage(const ReportPage& page, int dotsPerInch) {
    const double k = dotsPerInch / 25.4;
    QImage image(qRound(reportPageWidth * k), qRound(reportPageHeight * k), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(k * 1000));
    image.setDotsPerMeterY(qRound(k * 1000));
    image.fill(Qt::white);
    QPainter painter(&image);
    paintPage(painter, page, k);
    return image;
}
