#include "model/TimeLabels.h"
#include "print/PageRenderer.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPdfWriter>

#include <gtest/gtest.h>

namespace {

RecordList series(int n) {
    RecordList list;
    for (int i = 0; i < n; ++i) {
        const DateTime t = addSeconds({7, 12, 2026, 10, 0, 0}, i);
        list.append(
            CObjData(60.0 + 15.0 * ((i * 7) % 13) / 13.0, formatDateTime(t), "dBA", 0, 1.0));
    }
    return list;
}

int pagesIn(const QString& pdf) {
    QFile f(pdf);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return static_cast<int>(f.readAll().count("/Type /Page\n")); // one object per page
}

std::unique_ptr<QPdfWriter> pdfWriter(const QString& path, QPageSize::PageSizeId size) {
    auto w = std::make_unique<QPdfWriter>(path);
    w->setPageSize(QPageSize(size));
    w->setResolution(300);
    w->setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    return w;
}

std::unique_ptr<QPdfWriter> a4Writer(const QString& path) {
    return pdfWriter(path, QPageSize::A4);
}

SeriesStats summaryOf(const RecordList& s) {
    SeriesStats stats;
    stats.maxValue = 104.62; // six characters where the columns count on five
    stats.minValue = 100.1;
    stats.average = 67.5;
    stats.samplingRate = 1;
    stats.startTime = s[0].dateTime();
    stats.maxTime = s[11].dateTime();
    stats.minTime = s[0].dateTime();
    return stats;
}

PrintPlotView screenView() {
    PrintPlotView v;
    v.plotWidth = 1000;
    v.plotHeight = 500;
    v.windowWidth = 1090;
    v.xScale = 59.0 / 1000;
    v.yScale = 130.0 / 500;
    return v;
}

// The first two texts of the page whose boxes (advance by ascent plus descent,
// at their top-left corner) overlap or come closer than a blank, or an empty string.
std::string touchingTexts(const PrintPage& page, const QFontMetrics& fm) {
    struct Box {
        int left, top, right, bottom;
        const std::string* text;
    };
    const int blank = fm.horizontalAdvance(QLatin1Char(' '));
    std::vector<Box> boxes;
    for (const PrintOp& op : page)
        if (op.kind == PrintOp::Kind::Text)
            boxes.push_back({op.x, op.y,
                             op.x + fm.horizontalAdvance(QString::fromStdString(op.text)),
                             op.y + fm.height(), &op.text});
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            const Box& a = boxes[i];
            const Box& b = boxes[j];
            if (a.left < b.right + blank && b.left < a.right + blank && a.top < b.bottom &&
                b.top < a.bottom)
                return "\"" + *a.text + "\" meets \"" + *b.text + "\"";
        }
    return {};
}

TEST(PrintRendering, DataPrintoutMakesOnePdfPagePerLaidOutPage) {
    const QString path = VREL_TEST_OUT "/data-printout.pdf";
    auto writer = a4Writer(path);
    const PrintMetrics m = printMetrics(*writer);
    ASSERT_GT(m.lineHeight, 0);
    SeriesStats stats;
    stats.startTime = "07-12-2026,10:00:00";
    const auto pages = layoutDataPrintout(series(150), stats, m, {2026, 12, 8, 9, 0, 0});
    ASSERT_GE(pages.size(), 2u);
    QString error;
    ASSERT_TRUE(renderPages(*writer, pages, &error)) << error.toStdString();
    writer.reset();
    EXPECT_EQ(pagesIn(path), static_cast<int>(pages.size()));
}

TEST(PrintRendering, DiagramPrintout) {
    const QString path = VREL_TEST_OUT "/diagram-printout.pdf";
    auto writer = a4Writer(path);
    const PrintMetrics m = printMetrics(*writer);
    const PrintPlotView v = screenView();
    SeriesStats stats;
    stats.maxValue = 75;
    stats.minValue = 60;
    stats.average = 67.5;
    stats.samplingRate = 1;
    stats.startTime = "07-12-2026,10:00:00";
    const auto page = layoutDiagramPrintout(series(60), stats, v, m, {2026, 12, 8, 9, 0, 0});
    ASSERT_FALSE(page.empty());
    ASSERT_TRUE(renderPages(*writer, {page}));
    writer.reset();
    EXPECT_EQ(pagesIn(path), 1);
}

TEST(PrintRendering, TheFontsCellIsOneEightiethOfThePageAndNoTextsMeet) {
    for (const auto size : {QPageSize::A4, QPageSize::Letter}) {
        SCOPED_TRACE(QPageSize(size).name().toStdString());
        auto writer = pdfWriter(VREL_TEST_OUT "/font-check.pdf", size);
        const QFontMetrics fm(printFont(*writer), writer.get());
        const int cell = writer->height() / 80;
        // The cell as a printer font is chosen: at most B/80, one em step below it at worst.
        EXPECT_LE(fm.height(), cell);
        EXPECT_GE(fm.height(), cell - 2);
        const PrintMetrics m = printMetrics(*writer);
        EXPECT_EQ(m.lineHeight, fm.height() + fm.leading());
        EXPECT_EQ(dataLinesPerPage(m), (m.height - 4 * cell) / m.lineHeight);

        const RecordList s = series(200);
        const LocalTime at{2026, 12, 28, 23, 59, 58};
        for (const PrintPage& page : layoutDataPrintout(s, summaryOf(s), m, at))
            EXPECT_EQ(touchingTexts(page, fm), "");
        EXPECT_EQ(touchingTexts(layoutDiagramPrintout(s, summaryOf(s), screenView(), m, at), fm),
                  "");
    }
}

} // namespace

int main(int argc, char** argv) {
    // Test discovery runs this program at build time too, without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
