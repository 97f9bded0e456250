#include "print/PageRenderer.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

void setUpA4Pdf(QPdfWriter& writer, const QString& title, const QString& creator, int dotsPerInch,
                double marginMillimetres) {
    writer.setTitle(title);
    writer.setCreator(creator);
    writer.setResolution(dotsPerInch);
    const double m = marginMillimetres;
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(m, m, m, m), QPageLayout::Millimeter));
}

QFont printFont(const QPaintDevice& device) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::ExtraLight);
    // The page asks for a cell height (ascent plus descent) of 1/80 of the
    // page, as a printer font is chosen by its cell; a pixel size in Qt is the
    // em, about an eighth smaller than the cell. Take the largest em whose
    // cell still fits.
    const int cell = std::max(1, device.height() / 80);
    const auto cellOf = [&font, &device](int em) {
        font.setPixelSize(em);
        return QFontMetrics(font, &device).height();
    };
    int em = std::max(1, static_cast<int>(std::lround(double(cell) * cell / cellOf(cell))));
    while (em > 1 && cellOf(em) > cell)
        --em;
    while (cellOf(em + 1) <= cell)
        ++em;
    font.setPixelSize(em);
    return font;
}

PrintMetrics printMetrics(QPaintDevice& device) {
    const QFontMetrics fm(printFont(device), &device);
    PrintMetrics m;
    m.width = device.width();
    m.height = device.height();
    m.lineHeight = fm.height() + fm.leading();
    m.textWidth = [fm](const std::string& s) {
        return fm.horizontalAdvance(QString::fromStdString(s));
    };
    return m;
}

namespace {

void replay(QPainter& painter, const PrintPage& page, int ascent) {
    for (const PrintOp& op : page) {
        switch (op.kind) {
        case PrintOp::Kind::Text:
            painter.setPen(QPen(QColor::fromRgb(op.color), 1));
            painter.drawText(op.x, op.y + ascent, QString::fromStdString(op.text));
            break;
        case PrintOp::Kind::Line:
            painter.setPen(QPen(QColor::fromRgb(op.color), op.penWidth));
            painter.drawLine(op.x, op.y, op.x2, op.y2);
            break;
        case PrintOp::Kind::Circle:
            painter.setPen(QPen(QColor::fromRgb(op.color), op.penWidth));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(QRect(QPoint(op.x, op.y), QPoint(op.x2, op.y2)));
            break;
        case PrintOp::Kind::WhiteRect:
            painter.fillRect(op.x, op.y, op.x2, op.y2, Qt::white);
            break;
        }
    }
}

} // namespace

bool paintPages(QPagedPaintDevice& device, std::size_t count,
                const std::function<void(QPainter&, std::size_t)>& paint, QString* error) {
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error)
            *error = QCoreApplication::translate("PageRenderer", "Yazıcı belgeyi başlatamadı.");
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0 && !device.newPage()) {
            painter.end();
            if (error)
                *error =
                    QCoreApplication::translate("PageRenderer", "Yazıcı %1. sayfayı başlatamadı.")
                        .arg(i + 1);
            return false;
        }
        paint(painter, i);
    }
    if (!painter.end()) {
        if (error)
            *error = QCoreApplication::translate("PageRenderer", "Yazıcı belgeyi bitiremedi.");
        return false;
    }
    return true;
}

bool renderPages(QPagedPaintDevice& device, const std::vector<PrintPage>& pages, QString* error) {
    const QFont font = printFont(device);
    const int ascent = QFontMetrics(font, &device).ascent();
    return paintPages(
        device, pages.size(),
        [&](QPainter& painter, std::size_t i) {
            painter.setFont(font);
            replay(painter, pages[i], ascent);
        },
        error);
}
