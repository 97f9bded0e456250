#include "formats/DefaultFileName.h"
#include "formats/FileWrite.h"
#include "formats/SpreadsheetExport.h"
#include "formats/TextDataFile.h"
#include "model/AcousticStats.h"
#include "model/Clock.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

RecordList sampleSeries() {
    RecordList l;
    l.append(CObjData(55.2, "07-03-2015,09:05:01", "dBA", 3, 1.0));
    l.append(CObjData(5.5, "07-03-2015,09:05:02", "dBA", 3, 1.0));
    l.append(CObjData(101.3, "07-03-2015,9:05:03", "dBC", 3, 1.0));
    return l;
}

// Figures as a caller holds them; deliberately not those of the series, since
// the export writes what it is given.
SeriesStats sampleStats() {
    SeriesStats s;
    s.maxValue = 101.3;
    s.maxTime = "07-03-2015,9:05:03";
    s.maxUnit = "dBC";
    s.minValue = 5.5;
    s.minTime = "07-03-2015,09:05:02";
    s.minUnit = "dBA";
    s.average = 54.0;
    s.sum = 1.0;
    s.startTime = "07-03-2015,09:05:01";
    s.samplingRate = 0.5;
    return s;
}

const std::string body = "Min\t5.50 @ 07-03-2015,09:05:02  dBA\t\r\n"
                         "Average\t54.00\t\r\n"
                         "SampleRate\t0.50\t\r\n"
                         "ID\tUnit\tValue\tDateTime\t\r\n"
                         "1\tdBA\t55.20\t07-03-2015,09:05:01\t\r\n"
                         "2\tdBA\t5.50\t07-03-2015,09:05:02\t\r\n"
                         "3\tdBC\t101.30\t07-03-2015,9:05:03\t\r\n";

TEST(SpreadsheetText, BothVariantsByteForByte) {
    EXPECT_EQ(FormatSpreadsheetText(sampleSeries(), sampleStats(), ExportSource::MainView),
              "StartTime\t07-03-2015,09:05:01\t\r\n"
              "Max\t101.30 @ 07-03-2015,9:05:03  dBC\t\r\n" +
                  body);
    EXPECT_EQ(FormatSpreadsheetText(sampleSeries(), sampleStats(), ExportSource::DataLogger),
              "StartTime\t07-03-2015,09:05:01\t\r\n"
              "Max\t101.30 @ 07-03-2015,9:05:03  dBC \t\r\n" +
                  body);
    EXPECT_EQ(FormatSpreadsheetText(RecordList{}, sampleStats(), ExportSource::MainView), "");
}

class SpreadsheetFiles : public ::testing::Test {
  protected:
    fs::path dir =
        fs::temp_directory_path() / ("vrel_export_test_" + std::to_string(std::random_device{}()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }

    // One member of a zip archive, or nothing when unzip is not at hand.
    std::string unzipMember(const fs::path& zip, const std::string& member) {
        const fs::path out = dir / "member.xml";
        const std::string cmd =
            "unzip -p '" + zip.string() + "' " + member + " > '" + out.string() + "' 2>/dev/null";
        std::string text;
        if (std::system(cmd.c_str()) == 0)
            ReadWholeFile(out.string(), text);
        return text;
    }
};

TEST_F(SpreadsheetFiles, TextExportOnlyForAReadingOrMore) {
    const auto path = dir / "2015-3-7 9-5.xls";
    std::string error;
    EXPECT_FALSE(WriteSpreadsheetText(path.string(), RecordList{}, sampleStats(),
                                      ExportSource::MainView, &error));
    EXPECT_FALSE(fs::exists(path));
    ASSERT_TRUE(WriteSpreadsheetText(path.string(), sampleSeries(), sampleStats(),
                                     ExportSource::DataLogger, &error))
        << error;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path.string(), bytes));
    EXPECT_EQ(bytes,
              FormatSpreadsheetText(sampleSeries(), sampleStats(), ExportSource::DataLogger));
}

TEST_F(SpreadsheetFiles, WorkbookHoldsTheSameCellsWithNumbersAsNumbers) {
    const auto path = dir / "export.xlsx";
    std::string error;
    EXPECT_FALSE(WriteSpreadsheetXlsx(path.string(), RecordList{}, sampleStats(),
                                      ExportSource::MainView, &error));
    EXPECT_FALSE(fs::exists(path));
    ASSERT_TRUE(WriteSpreadsheetXlsx(path.string(), sampleSeries(), sampleStats(),
                                     ExportSource::DataLogger, &error))
        << error;
    EXPECT_FALSE(fs::exists(PartFilePath(path.string())));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path.string(), bytes));
    ASSERT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("PK\x03\x04", 4));

    const std::string sheet = unzipMember(path, "xl/worksheets/sheet1.xml");
    const std::string strings = unzipMember(path, "xl/sharedStrings.xml");
    if (sheet.empty())
        GTEST_SKIP() << "unzip is not installed; only the archive's signature was checked";
    // number cells carry their value, text cells an index into the shared strings
    for (const char* cell :
         {"<c r=\"B4\" s=\"1\"><v>54</v></c>", "<c r=\"B5\" s=\"1\"><v>0.5</v></c>",
          "<c r=\"A7\"><v>1</v></c>", "<c r=\"C7\" s=\"1\"><v>55.2</v></c>",
          "<c r=\"A9\"><v>3</v></c>", "<c r=\"C9\" s=\"1\"><v>101.3</v></c>"})
        EXPECT_NE(sheet.find(cell), std::string::npos) << cell;
    EXPECT_NE(sheet.find("<c r=\"D9\" t=\"s\">"), std::string::npos);
    EXPECT_EQ(sheet.find("r=\"A10\""), std::string::npos);
    for (const char* text :
         {"StartTime", "07-03-2015,09:05:01", "101.30 @ 07-03-2015,9:05:03  dBC ",
          "5.50 @ 07-03-2015,09:05:02  dBA", "SampleRate", "DateTime", "dBC"})
        EXPECT_NE(strings.find(std::string(">") + text + "<"), std::string::npos) << text;
}

TEST_F(SpreadsheetFiles, WorkbookHasASecondSheetWithTheAcousticSummary) {
    const auto path = dir / "acoustic.xlsx";
    RecordList l;
    l.append(CObjData(60.0, "07-03-2015,09:05:01", "dBA", 3, 1.0));
    l.append(CObjData(80.0, "07-03-2015,09:05:02", "dBA", 3, 1.0));
    l.append(CObjData(85.0, "07-03-2015,09:05:03", "dBA", 3, 1.0));
    SeriesStats stats = sampleStats();
    stats.samplingRate = 2.0;
    std::string error;
    ASSERT_TRUE(WriteSpreadsheetXlsx(path.string(), l, stats, ExportSource::MainView, &error, 70.0))
        << error;
    const std::string sheet = unzipMember(path, "xl/worksheets/sheet2.xml");
    const std::string strings = unzipMember(path, "xl/sharedStrings.xml");
    const std::string book = unzipMember(path, "xl/workbook.xml");
    if (sheet.empty())
        GTEST_SKIP() << "unzip is not installed";
    EXPECT_NE(book.find("name=\"Akustik\""), std::string::npos);
    const AcousticSummary s = summarize(l, 0, 3, 2.0, 70.0);
    auto numberAt = [&](const std::string& cell) {
        const auto at = sheet.find("<c r=\"" + cell + "\"");
        EXPECT_NE(at, std::string::npos) << cell;
        const auto v = sheet.find("<v>", at);
        return std::stod(sheet.substr(v + 3, sheet.find("</v>", v) - v - 3));
    };
    // rows: heading, Leq, L5, L10, L50, L90, L95, Lmax, Lmin, SEL, Count,
    // Interval, Limit, AboveCount, AboveTime, LongestRun, LongestRunTime
    EXPECT_NEAR(numberAt("B2"), s.leq, 1e-9);
    EXPECT_NEAR(numberAt("B5"), 80.0, 1e-9) << "L50";
    EXPECT_NEAR(numberAt("B8"), 85.0, 1e-9) << "Lmax";
    EXPECT_NEAR(numberAt("B9"), 60.0, 1e-9) << "Lmin";
    EXPECT_NEAR(numberAt("B10"), s.leq + 10 * std::log10(6.0), 1e-9) << "SEL over 3 x 2 s";
    EXPECT_EQ(numberAt("B11"), 3.0);
    EXPECT_EQ(numberAt("B13"), 70.0);
    EXPECT_EQ(numberAt("B14"), 2.0) << "readings above the limit";
    EXPECT_EQ(numberAt("B15"), 4.0) << "seconds above the limit";
    EXPECT_EQ(numberAt("B16"), 2.0) << "longest run";
    EXPECT_EQ(sheet.find("r=\"A18\""), std::string::npos);
    for (const char* text : {"Name", "Leq", "L95", "SEL", "dBA", "AboveCount", "LongestRun"})
        EXPECT_NE(strings.find(std::string(">") + text + "<"), std::string::npos) << text;
    EXPECT_NE(unzipMember(path, "xl/worksheets/sheet1.xml").find("<c r=\"C9\" s=\"1\"><v>85</v>"),
              std::string::npos)
        << "the first sheet is as before";

    // without a limit the exceedance rows are left out
    ASSERT_TRUE(WriteSpreadsheetXlsx(path.string(), l, stats, ExportSource::MainView, &error));
    const std::string plain = unzipMember(path, "xl/worksheets/sheet2.xml");
    EXPECT_NE(plain.find("r=\"A12\""), std::string::npos);
    EXPECT_EQ(plain.find("r=\"A13\""), std::string::npos);
}

TEST_F(SpreadsheetFiles, WorkbookTakesEightBitTextFromDataFiles) {
    RecordList l;
    l.append(CObjData(50, "07-03-2015,09:05:01", "dB\xC4", 0, 1.0)); // Latin-1 from a file
    const auto path = dir / "latin1.xlsx";
    ASSERT_TRUE(WriteSpreadsheetXlsx(path.string(), l, sampleStats(), ExportSource::MainView));
    const std::string strings = unzipMember(path, "xl/sharedStrings.xml");
    if (strings.empty())
        GTEST_SKIP() << "unzip is not installed";
    EXPECT_NE(strings.find(">dB\xC3\x84<"), std::string::npos);
}

TEST_F(SpreadsheetFiles, WorkbookFailureReplacesNothing) {
    const auto path = dir / "no such folder" / "x.xlsx";
    std::string error;
    EXPECT_FALSE(WriteSpreadsheetXlsx(path.string(), sampleSeries(), sampleStats(),
                                      ExportSource::MainView, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(path.parent_path()));
}

// The GUI runs under the user's locale, where printf may write decimal commas.
// The machine may have only the C locales; then one is built from the system's
// locale sources into the scratch folder, if it has those.
TEST_F(SpreadsheetFiles, NumbersKeepTheirDecimalPointUnderACommaLocale) {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        const std::string cmd =
            "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
        [[maybe_unused]] const int built = std::system(cmd.c_str());
        setenv("LOCPATH", dir.c_str(), 1);
    }
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.2f", 5.5);

    const std::string text =
        FormatSpreadsheetText(sampleSeries(), sampleStats(), ExportSource::MainView);
    RecordList one;
    one.append(CObjData(5.5, "07-03-2015,09:05:02", "dBA", 0, 2.5));
    const std::string data = FormatTextData(one);
    const TextDataRead back = ParseTextData(data);
    const auto path = dir / "comma.xlsx";
    const bool written =
        WriteSpreadsheetXlsx(path.string(), sampleSeries(), sampleStats(), ExportSource::MainView);
    const std::string stillComma = [] {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%.1f", 2.5);
        return std::string(buf);
    }();

    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    if (!german)
        GTEST_SKIP() << "no German locale to be had";
    ASSERT_STREQ(printed, "5,50");
    EXPECT_EQ(stillComma, "2,5") << "the export must not change the program's locale";

    EXPECT_EQ(text.substr(text.find("Average")), "Average\t54.00\t\r\nSampleRate\t0.50\t\r\n"
                                                 "ID\tUnit\tValue\tDateTime\t\r\n"
                                                 "1\tdBA\t55.20\t07-03-2015,09:05:01\t\r\n"
                                                 "2\tdBA\t5.50\t07-03-2015,09:05:02\t\r\n"
                                                 "3\tdBC\t101.30\t07-03-2015,9:05:03\t\r\n");
    EXPECT_EQ(data,
              "Kovra Sound Level Meter SamplingRate:2.5;\r\n07-03-2015,09:05:02,  5.50, dBA\r\n");
    EXPECT_EQ(back.samplingRate, 2.5);
    EXPECT_EQ(back.records[0].value(), 5.5);
    ASSERT_TRUE(written);
    const std::string sheet = unzipMember(path, "xl/worksheets/sheet1.xml");
    if (!sheet.empty()) {
        EXPECT_NE(sheet.find("<v>55.2</v>"), std::string::npos) << sheet;
    }
}

TEST(DefaultFileNames, LocalDateAndTimeWithoutLeadingZeros) {
    ManualClock clock(1425719100); // 2015-03-07 09:05:00 in the manual clock's UTC
    EXPECT_EQ(DefaultDataFileName(clock, "txt"), "2015-3-7 9-5.txt");
    clock.set(1797551940); // 2026-12-17 23:59:00
    EXPECT_EQ(DefaultDataFileName(clock, "xls"), "2026-12-17 23-59.xls");
}

} // namespace

TEST_F(SpreadsheetFiles, WorkbookHasASheetPerFigureSet) {
    const auto path = dir / "figures.xlsx";
    RecordList l; // an hour at 85 dB(A) from 09:00, a reading every 10 s
    for (int i = 0; i < 360; ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "07-03-2015,09:%.2d:%.2d", i / 6, i % 6 * 10);
        l.append(CObjData(85.0, time, "dBA", 0, 10.0));
    }
    NoiseSettings noise;
    noise.shiftHours = 8.0;
    noise.intervalSeconds = 900;
    std::string error;
    ASSERT_TRUE(WriteSpreadsheetXlsx(path.string(), l, sampleStats(), ExportSource::MainView,
                                     &error, {}, noise))
        << error;
    const std::string book = unzipMember(path, "xl/workbook.xml");
    if (book.empty())
        GTEST_SKIP() << "unzip is not installed";
    EXPECT_NE(book.find("name=\"Maruziyet\""), std::string::npos);
    EXPECT_NE(book.find("name=\"Çevre\""), std::string::npos);
    const std::string exposure = unzipMember(path, "xl/worksheets/sheet3.xml");
    const std::string environment = unzipMember(path, "xl/worksheets/sheet4.xml");
    auto numberAt = [](const std::string& sheet, const std::string& cell) {
        const auto at = sheet.find("<c r=\"" + cell + "\"");
        EXPECT_NE(at, std::string::npos) << cell;
        const auto v = sheet.find("<v>", at);
        return std::stod(sheet.substr(v + 3, sheet.find("</v>", v) - v - 3));
    };
    // Exposure rows: heading, Measured, Te, LAeq,Te, LEX,8h: the hour stands for the shift.
    EXPECT_NEAR(numberAt(exposure, "B2"), 3600, 1e-9);
    EXPECT_NEAR(numberAt(exposure, "B3"), 28800, 1e-9);
    EXPECT_NEAR(numberAt(exposure, "B5"), 85.0, 1e-9);
    // Span, Covered, Gap, Lday and its coverage, the other periods' coverage,
    // LdenComplete, Interval, a blank row, the table's heading and four quarters.
    EXPECT_NEAR(numberAt(environment, "B5"), 85.0, 1e-9) << "Lday";
    EXPECT_NEAR(numberAt(environment, "B6"), 100.0 / 12, 1e-9) << "an hour of the day's twelve";
    for (const char* cell : {"A15", "A16", "A19", "G19"})
        EXPECT_NE(environment.find(std::string("<c r=\"") + cell + "\""), std::string::npos)
            << cell;
    EXPECT_EQ(environment.find("<c r=\"A20\""), std::string::npos);
    EXPECT_NEAR(numberAt(environment, "G19"), 100.0, 1e-9);
}

// The survey window's tables: a sheet each, dates as the spreadsheet's own
// dates in the sheet's format, numbers as numbers, an empty cell for a figure
// that has no value, and nothing left behind when the folder is not there.
TEST_F(SpreadsheetFiles, TableWorkbookWritesItsSheetsWholeOrNotAtAll) {
    const auto path = dir / "tables.xlsx";
    TableSheet days{"Günler", {"Gün", "Lden"}, {}, 1, "dd-mm-yyyy"};
    days.rows.push_back({TableCell{{}, {}, -1, DateTime{8, 12, 2026}}, TableCell{64.25, {}}});
    days.rows.push_back({TableCell{{}, {}, -1, DateTime{9, 12, 2026}}, TableCell{}});
    TableSheet hours{"Saatler",
                     {"Saat", "Leq"},
                     {{TableCell{{}, {}, -1, DateTime{8, 12, 2026, 7}}, TableCell{61.0, {}}}},
                     1,
                     "dd-mm-yyyy hh:mm"};
    std::string error;
    ASSERT_TRUE(WriteTableWorkbook(path.string(), {days, hours}, &error)) << error;
    const std::string book = unzipMember(path, "xl/workbook.xml");
    const std::string sheet = unzipMember(path, "xl/worksheets/sheet1.xml");
    const std::string hourSheet = unzipMember(path, "xl/worksheets/sheet2.xml");
    const std::string styles = unzipMember(path, "xl/styles.xml");
    if (book.empty())
        GTEST_SKIP() << "unzip is not installed";
    EXPECT_NE(book.find("name=\"Günler\""), std::string::npos) << book;
    EXPECT_NE(book.find("name=\"Saatler\""), std::string::npos) << book;
    EXPECT_NE(sheet.find("<v>64.25</v>"), std::string::npos) << sheet;
    EXPECT_EQ(sheet.find("r=\"B3\""), std::string::npos) << "no value, no cell";
    // Days since 1899-12-30, an hour a 24th of one; no shared string for a date.
    EXPECT_NE(sheet.find("<v>46364</v>"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("<v>46365</v>"), std::string::npos) << sheet;
    EXPECT_NE(hourSheet.find("<v>46364.291666666"), std::string::npos) << hourSheet;
    const auto a2 = sheet.find("<c r=\"A2\"");
    ASSERT_NE(a2, std::string::npos) << sheet;
    EXPECT_EQ(sheet.substr(a2, sheet.find("</c>", a2) - a2).find("t=\"s\""), std::string::npos)
        << "a date, not a text";
    EXPECT_NE(styles.find("formatCode=\"dd-mm-yyyy\""), std::string::npos) << styles;
    EXPECT_NE(styles.find("formatCode=\"dd-mm-yyyy hh:mm\""), std::string::npos) << styles;

    const auto nowhere = dir / "no-such-folder" / "tables.xlsx";
    EXPECT_FALSE(WriteTableWorkbook(nowhere.string(), {days}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(nowhere.parent_path()));
}
