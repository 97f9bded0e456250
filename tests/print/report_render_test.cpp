// The measurement report on paper: pages, the figures as text, and a page as an image.
#include "layout/ReportLayout.h"
#include "model/TimeLabels.h"
#include "print/ReportRenderer.h"
#include "print/ReportTexts.h"

#include <QBuffer>
#include <QFile>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A working day: 08:00 to 16:00 at 85 dB(A) with a louder half hour at 11:00,
// a reading every 5 s.
RecordList workingDay() {
    RecordList list;
    const DateTime start{7, 12, 2026, 8, 0, 0};
    for (int i = 0; i < 8 * 720; ++i) {
        const double v =
            (i >= 3 * 720 && i < 3 * 720 + 360) ? 95.0 : 85.0 + 3.0 * std::sin(i / 40.0);
        list.append(CObjData(std::round(v * 10) / 10, formatDateTime(addSeconds(start, i * 5)),
                             "dBA", 0, 5.0));
    }
    return list;
}

ReportInput input(const RecordList& series, Language language = Language::Turkish) {
    ReportInput in;
    in.texts = reportTexts(language);
    in.series = &series;
    in.stats.samplingRate = 5.0;
    in.stats.average = 85.0;
    in.stats.maxTime = "07-12-2026,11:00:00";
    in.stats.minTime = "07-12-2026,08:00:00";
    in.limit = 90.0;
    in.settings.intervalSeconds = 900;
    in.title = {"Pres hattı 2", "Ayşe Yılmaz", "Kovra SL-4001", "Kulak koruyucusuz ölçüldü."};
    in.now = {2026, 12, 8, 9, 30, 0};
    return in;
}

// The report of series in a language, as pdftotext reads it.
QString reportText(const RecordList& series, Language language) {
    ReportInput in = input(series, language);
    in.title = {"Line 2", "A. Smith", "SL-4001", "Hearing protection off."};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(150);
        if (!renderReport(writer, layoutReport(in)))
            return {};
    }
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST(ReportRendering, PdfPagesCarryTheFiguresAsText) {
    const RecordList series = workingDay();
    const ReportInput in = input(series);
    const auto pages = layoutReport(in);
    ASSERT_GE(pages.size(), 2u);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(300);
        QString error;
        ASSERT_TRUE(renderReport(writer, pages, &error)) << error.toStdString();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(static_cast<std::size_t>(f.readAll().count("/Type /Page\n")), pages.size());

    const QString text = pdfText(path);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext (poppler-utils) is needed";
    const NoiseFigures fig = computeNoiseFigures(series, 0, series.size(), in.settings);
    for (const QString& expected :
         {QStringLiteral("Gürültü Ölçüm Raporu"), QStringLiteral("Pres hattı 2"),
          QStringLiteral("Ayşe Yılmaz"), QStringLiteral("Kovra SL-4001"),
          QStringLiteral("Kulak koruyucusuz ölçüldü."), QStringLiteral("LEX,8h"),
          QString::asprintf("%.1f dB(A)", fig.exposure.lex8h),
          QString::asprintf("%.1f %%", fig.exposure.oshaDose),
          QString::asprintf("%.1f %%", fig.exposure.nioshDose), QStringLiteral("Lden"),
          QStringLiteral("Sınır aşımları"), QStringLiteral("07-12-2026,11:00:00"),
          QStringLiteral("Aralık tablosu (15m)"), QStringLiteral("07-12-2026 15:45"),
          QStringLiteral("Sayfa 1 / %1").arg(pages.size()),
          QStringLiteral("Sayfa %1 / %1").arg(pages.size())})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
    EXPECT_EQ(euReached(fig.exposure.lex8h), EuActionValue::Limit);
    EXPECT_TRUE(text.contains(QStringLiteral("Ulaşılan en yüksek değer: sınır değer")));
}

TEST(ReportRendering, FirstPageAsAnImage) {
    const RecordList series = workingDay();
    const auto pages = layoutReport(input(series));
    ASSERT_FALSE(pages.empty());
    const QImage page = renderReportPage(pages[0], 100);
    ASSERT_EQ(page.size(), QSize(827, 1169));
    EXPECT_TRUE(page.save(VREL_TEST_OUT "/report-page1.png"));

    // Margins stay paper white; every drawn mark is inside the 20 mm frame,
    // the curve colour shows inside the plot and the limit's red on its line.
    const int margin = qRound(19.0 / 25.4 * 100);
    for (int y = 0; y < page.height(); y += 3)
        for (int x : {2, margin - 3, page.width() - margin + 3, page.width() - 3})
            ASSERT_EQ(page.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    int blue = 0, red = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            blue += c.blue() > 120 && c.red() < 90 && c.green() < 120;
            red += c.red() > 150 && c.green() < 80 && c.blue() < 80;
        }
    EXPECT_GT(blue, 500);
    EXPECT_GT(red, 200);
}

TEST(ReportRendering, NoPagesWithoutReadingsAndNotApplicableForCWeighting) {
    RecordList none;
    EXPECT_TRUE(layoutReport(input(none)).empty());
    RecordList c;
    c.append(CObjData(70.0, "07-12-2026,08:00:00", "dBC", 0, 1.0));
    bool said = false;
    for (const ReportPage& p : layoutReport(input(c)))
        for (const ReportOp& op : p.ops)
            said = said ||
                   op.text == "Uygulanamaz: " +
                                  notApplicableText(reportTexts(), NotApplicable::NotAWeighted);
    EXPECT_TRUE(said);
}

TEST(ReportRendering, EachLanguageKeepsToItsOwnWords) {
    const RecordList series = workingDay();
    const QString english = reportText(series, Language::English);
    const QString turkish = reportText(series, Language::Turkish);
    ASSERT_FALSE(english.isEmpty()) << "pdftotext (poppler-utils) is needed";
    ASSERT_FALSE(turkish.isEmpty());
    const ReportTexts en = reportTexts(Language::English);
    const ReportTexts tr = reportTexts(Language::Turkish);
    ASSERT_NE(en.title, tr.title) << "the English translation is built in";
    // every heading, and the page footer, in the report's own language only
    for (std::string ReportTexts::*heading :
         {&ReportTexts::title, &ReportTexts::curve, &ReportTexts::summary, &ReportTexts::exposure,
          &ReportTexts::environment, &ReportTexts::exceedances}) {
        const QString e = QString::fromStdString(en.*heading);
        const QString t = QString::fromStdString(tr.*heading);
        EXPECT_TRUE(english.contains(e)) << e.toStdString();
        EXPECT_FALSE(english.contains(t)) << t.toStdString();
        EXPECT_TRUE(turkish.contains(t)) << t.toStdString();
        EXPECT_FALSE(turkish.contains(e)) << e.toStdString();
    }
    EXPECT_TRUE(english.contains(QStringLiteral("Page 1 of ")));
    EXPECT_FALSE(english.contains(QStringLiteral("Sayfa")));
    EXPECT_TRUE(english.contains(QStringLiteral("Interval table (15m)")));
    // nothing of Turkish is left over in the English report, not even a letter
    const QRegularExpression turkishLetter(QStringLiteral("[çğıöşüÇĞİÖŞÜ]"));
    EXPECT_FALSE(english.contains(turkishLetter))
        << english.mid(std::max<qsizetype>(0, english.indexOf(turkishLetter) - 40), 80)
               .toStdString();
}

TEST(ReportRendering, FiguresGoInWhereTheTranslationPutsThem) {
    EXPECT_EQ(fillIn("Page %1 of %2", {"1", "3"}), "Page 1 of 3");
    EXPECT_EQ(fillIn("%2 / %1", {"a", "b"}), "b / a");
    EXPECT_EQ(fillIn("%1 %", {"%2"}), "%2 %") << "a figure is put in once, as it is";
    EXPECT_EQ(fillIn("%3 %0 %", {"x"}), "%3 %0 %") << "marks without a figure stay";
}

namespace {

// The report of a month from its figures: 33 daily rows (a month started at
// noon ends on the morning of its 33rd day) and a curve a day.
SeriesReportInput monthReport() {
    SeriesReportInput in;
    in.texts = reportTexts(Language::Turkish);
    in.readings = 25'908'000;
    in.start = "01-11-2026 12:00:00";
    in.end = "02-12-2026 12:00:00";
    in.intervals = "0.1 s";
    in.weighting = "dBA";
    in.assessed.readings = in.readings;
    in.figures = {{"Leq", "55.0 dB(A)", ""}};
    for (const char* name : {"LEX,8h", "Lmax", "Lmin", "L10", "L50", "L90"})
        in.figures.push_back({name, reportNoFigure, ""});
    in.figures.push_back({"Lden", in.texts.ldenNoWholeDays, ""});
    in.days.columns = {{"Gün", 26}, {"Lden", 20}};
    for (int d = 0; d < 33; ++d) {
        char date[16];
        std::snprintf(date, sizeof date, "%02d-%02d-2026", d < 30 ? d + 1 : d - 29,
                      d < 30 ? 11 : 12);
        in.days.rows.push_back({date, "60.0"});
        ReportCurve c;
        c.title = std::string("curve ") + date;
        c.columns.resize(reportCurveColumns);
        in.curves.push_back(c);
    }
    return in;
}

std::size_t rowsOn(const ReportPage& page, const SeriesReportInput& in) {
    std::size_t n = 0;
    for (const ReportOp& op : page.ops)
        for (const auto& row : in.days.rows)
            n += op.kind == ReportOp::Kind::Text && op.text == row[0];
    return n;
}

bool holdsCurve(const ReportPage& page) {
    return std::any_of(page.ops.begin(), page.ops.end(),
                       [](const ReportOp& op) { return op.text.rfind("curve ", 0) == 0; });
}

} // namespace

// A daily table longer than the first page goes on with at least a few of its
// rows, never one alone, and the curves follow on that page rather than
// leaving it nearly empty.
TEST(SeriesReportLayout, AMonthsTableRunsOntoAPageWithItsCurves) {
    for (const std::size_t days : {33u, 31u, 30u, 29u, 28u, 5u}) {
        SeriesReportInput in = monthReport();
        in.days.rows.resize(days);
        const std::vector<ReportPage> pages = layoutSeriesReport(in);
        ASSERT_GE(pages.size(), 2u);
        std::size_t total = 0;
        for (const ReportPage& p : pages)
            total += rowsOn(p, in);
        EXPECT_EQ(total, days);
        const std::size_t first = rowsOn(pages[0], in), second = rowsOn(pages[1], in);
        EXPECT_TRUE(second == 0 || second >= 3) << days << " days: " << second << " on page 2";
        if (first < days) {
            EXPECT_TRUE(holdsCurve(pages[1])) << days << " days: the curves follow the table";
        } else {
            EXPECT_FALSE(holdsCurve(pages[0])) << days << " days: the curves on pages of their own";
        }
    }
}
