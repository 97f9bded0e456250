#include "files/PageRenderer.h"
#include "model/TimeLabels.h"

#include <QFile>
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

std::unique_ptr<QPdfWriter> a4Writer(const QString& path) {
    auto w = std::make_unique<QPdfWriter>(path);
    w->setPageSize(QPageSize(QPageSize::A4));
    w->setResolution(300);
    w->setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    return w;
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
    PrintPlotView v;
    v.plotWidth = 1000;
    v.plotHeight = 500;
    v.windowWidth = 1090;
    v.xScale = 59.0 / 1000;
    v.yScale = 130.0 / 500;
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

} // namespace

int main(int argc, char** argv) {
    // Test discovery runs this program at build time too, without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
