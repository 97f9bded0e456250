// Reading data files into one series: the line parser, damaged and foreign
// files, files of different intervals, the order of files of any names,
// progress and cancelling, the list of gaps.
#include "SurveyFolder.h"

#include "model/Calendar.h"
#include "survey/SeriesFigures.h"
#include "survey/SeriesReader.h"
#include "survey/Survey.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

namespace {

using namespace testsurvey;

// An hour's file of readings every interval seconds, all of one level.
std::string hourFile(const Wall& hour, double interval, double level, int count = -1) {
    std::string text = header(interval);
    const int n = count >= 0 ? count : static_cast<int>(3600 / interval);
    for (int i = 0; i < n; ++i) {
        const int s = static_cast<int>(i * interval);
        text += line({hour.year, hour.month, hour.day, hour.hour, s / 60, s % 60}, level);
    }
    return text;
}

TEST(SeriesReader, ParsesLinesAsTheProgramWritesAndReadsThem) {
    const SeriesFilePart part = parseSeriesFile("Kovra Sound Level Meter SamplingRate:0.5;\r\n"
                                                "07-03-2015,9:05:01, 55.20, dBA\r\n"
                                                "07-03-2015,09:05:01,  5.5, dBA\n"
                                                "garbage\r\n"
                                                "07-03-2015,09:05:0\r\n"
                                                "07-03-2015,09:05:02, 101.30, dBC\r\n"
                                                "07-03-2015,09:05:03, 61.00, dBA\r\n"
                                                "\r\n"
                                                "07-03-2015,09:05:04, 70.00, dBA\r\n");
    EXPECT_TRUE(part.header);
    EXPECT_EQ(part.intervalMs, 500);
    ASSERT_EQ(part.levels, (std::vector<Centibel>{5520, 550, 10130, 6100}));
    ASSERT_EQ(part.stamps.size(), 3u); // two share a stamp; the dBC one stands alone
    EXPECT_EQ(part.stamps[0].count, 2u);
    EXPECT_EQ(part.stamps[1].weighting, 'C');
    // 07-03-2015 is day 16501 since 1970.
    EXPECT_EQ(part.stamps[0].localSecond, 16501LL * 86400 + 9 * 3600 + 5 * 60 + 1);
    EXPECT_EQ(part.badLines, 2u);
    EXPECT_EQ(part.firstBadLine, 4u);

    EXPECT_FALSE(parseSeriesFile("Kovra Sound Level Meter Samplingrate:1.0;\r\n").header);
    EXPECT_FALSE(parseSeriesFile("").header);
    // A last line without its end still counts.
    EXPECT_EQ(parseSeriesFile("Kovra Sound Level Meter SamplingRate:1.0;\n"
                              "01-01-2020,00:00:00, 40.00, dBA")
                  .levels.size(),
              1u);
}

TEST(SeriesReader, DamagedAndForeignFilesAreNamedAndTheRestIsRead) {
    const auto dir = scratch("damaged");
    const Wall h10{2026, 12, 8, 10, 0, 0}, h11{2026, 12, 8, 11, 0, 0}, h12{2026, 12, 8, 12, 0, 0},
        h13{2026, 12, 8, 13, 0, 0};
    write(dir / fileName(h10), hourFile(h10, 1.0, 50));
    write(dir / fileName(h11), hourFile(h11, 1.0, 50));
    write(dir / fileName(h12), "PK\x03\x04 a workbook saved under the wrong name");
    // A power cut in the middle of a line.
    write(dir / fileName(h13), hourFile(h13, 1.0, 50, 100) + "08-12-2026,13:01:4");
    write(dir / "notes.txt", "not a survey file, not looked at");

    std::vector<std::pair<std::size_t, std::size_t>> progress;
    SeriesReadOptions options;
    options.progress = [&](std::size_t done, std::size_t total) {
        progress.emplace_back(done, total);
    };
    const SeriesRead read = readSurveySeries(dir.string(), options);
    ASSERT_EQ(read.status, SeriesRead::Status::Ok);
    EXPECT_EQ(read.series.size(), 3600u * 2 + 100);
    ASSERT_EQ(read.problems.size(), 2u);
    EXPECT_EQ(fs::path(read.problems[0].file).filename(), fileName(h12));
    EXPECT_EQ(read.problems[0].reason, "is no text data file");
    EXPECT_EQ(fs::path(read.problems[1].file).filename(), fileName(h13));
    EXPECT_EQ(read.problems[1].reason, "1 line is no reading, from line 102; left out");
    EXPECT_EQ(read.files.size(), 3u);
    ASSERT_EQ(progress.size(), 4u);
    for (std::size_t i = 0; i < progress.size(); ++i)
        EXPECT_EQ(progress[i], std::make_pair(i + 1, std::size_t{4}));
    // The hour the foreign file stands for is a gap.
    ASSERT_EQ(read.series.gaps().size(), 1u);
    EXPECT_EQ(read.series.gaps()[0].end - read.series.gaps()[0].start, 3600 * 1000);

    // Nothing readable at all.
    const auto empty = scratch("nothing");
    write(empty / fileName(h10), "no header");
    const SeriesRead none = readSurveySeries(empty.string());
    EXPECT_EQ(none.status, SeriesRead::Status::NoReadings);
    EXPECT_EQ(none.problems.size(), 1u);
    EXPECT_EQ(readSurveySeries((dir / "missing").string()).status, SeriesRead::Status::CannotList);
}

TEST(SeriesReader, FilesOfDifferentIntervalsAreOneSeries) {
    // A survey resumed with another interval: an hour at 1 s of 60 dB, then an
    // hour at 0.5 s of 70 dB, after a quarter of an hour without it.
    const auto dir = scratch("intervals");
    const Wall h10{2026, 12, 8, 10, 0, 0}, h11{2026, 12, 8, 11, 15, 0};
    write(dir / fileName(h10), hourFile(h10, 1.0, 60));
    std::string later = header(0.5);
    for (int i = 0; i < 7200; ++i) {
        const int s = 15 * 60 + i / 2;
        later += line({2026, 12, 8, 11 + s / 3600, s / 60 % 60, s % 60}, 70);
    }
    write(dir / fileName(h11), later);
    const SeriesRead read = readSurveySeries(dir.string());
    ASSERT_EQ(read.status, SeriesRead::Status::Ok);
    const SeriesStore& s = read.series;
    ASSERT_EQ(s.runs().size(), 2u);
    EXPECT_EQ(s.runs()[0].intervalMs, 1000);
    EXPECT_EQ(s.runs()[1].intervalMs, 500);
    EXPECT_EQ(s.runs()[1].start - s.runs()[0].end(), 15 * 60 * 1000);
    // Each hour weighs by its time, not by its count of readings.
    const SpanFigures f = spanFigures(s, s.start(), s.end());
    EXPECT_EQ(f.sum.count, 3600u + 7200u);
    EXPECT_DOUBLE_EQ(f.sum.seconds, 7200.0);
    EXPECT_NEAR(*f.sum.leq(), 10 * std::log10((1e6 + 1e7) / 2), 1e-9);
    EXPECT_EQ(s.timeAt(3600 + 3), s.runs()[1].start + 1500);
}

TEST(SeriesReader, LinesAddedOneByOneGoWhereReadingTheirFileWouldPutThem) {
    // A survey read from its folder, then going on: the hour at 0.5 s after a
    // gap, its second half after the clock went back an hour (the repeated
    // hour), and a dBC stretch. Added a line at a time it must be the series
    // the folder gives when read again with the new files.
    const auto dir = scratch("appended");
    const Wall h01{2026, 10, 25, 1, 0, 0};
    write(dir / fileName(h01), hourFile(h01, 1.0, 55, 1800));
    SeriesRead grown = readSurveySeries(dir.string());
    ASSERT_EQ(grown.status, SeriesRead::Status::Ok);
    SeriesAppender appender(grown.series);

    std::string first = header(0.5), second = header(1.0);
    for (int i = 0; i < 3600; ++i) {
        const int s = 40 * 60 + i / 2; // 01:40 to 02:10
        const std::string l = line({2026, 10, 25, 1 + s / 3600, s / 60 % 60, s % 60}, 60 + i % 9,
                                   i > 3000 ? "dBC" : "dBA");
        first += l;
        ASSERT_TRUE(appender.addLine(l, 500));
        grown.series.extend();
    }
    for (int i = 0; i < 600; ++i) { // 01:50 again, the clock gone back an hour
        const std::string l = line({2026, 10, 25, 1, 50 + i / 60, i % 60}, 48);
        second += l;
        ASSERT_TRUE(appender.addLine(l, 1000));
        grown.series.extend();
    }
    EXPECT_FALSE(appender.addLine("25-10-2026,02:15:00, loud, dBA", 1000));
    write(dir / fileName({2026, 10, 25, 1, 40, 0}, 2), first);
    write(dir / fileName({2026, 10, 25, 1, 50, 0}, 3), second);

    const SeriesRead again = readSurveySeries(dir.string());
    ASSERT_EQ(again.status, SeriesRead::Status::Ok);
    const SeriesStore& a = again.series;
    const SeriesStore& g = grown.series;
    ASSERT_EQ(g.size(), a.size());
    ASSERT_EQ(g.runs().size(), a.runs().size());
    for (std::size_t r = 0; r < a.runs().size(); ++r) {
        EXPECT_EQ(g.runs()[r].start, a.runs()[r].start);
        EXPECT_EQ(g.runs()[r].count, a.runs()[r].count);
        EXPECT_EQ(g.runs()[r].weighting, a.runs()[r].weighting);
    }
    ASSERT_EQ(g.clockShifts().size(), 1u);
    EXPECT_EQ(g.clockShifts()[0].from, a.clockShifts()[0].from);
    EXPECT_EQ(g.gaps().size(), a.gaps().size());
    for (std::size_t i = 0; i < a.size(); i += 97)
        ASSERT_EQ(g.centibelsAt(i), a.centibelsAt(i));
    const SpanFigures fa = spanFigures(a, a.start(), a.end());
    const SpanFigures fg = spanFigures(g, g.start(), g.end());
    EXPECT_EQ(fg.sum.energySeconds, fa.sum.energySeconds);
    EXPECT_EQ(fg.l50, fa.l50);
}

TEST(SeriesReader, FilesOfAnyNamesComeInTheOrderOfTheirReadings) {
    const auto dir = scratch("any-names");
    const Wall h10{2026, 12, 8, 10, 0, 0}, h11{2026, 12, 8, 11, 0, 0};
    write(dir / "b.txt", hourFile(h10, 10.0, 40));
    write(dir / "a.txt", hourFile(h11, 10.0, 80));
    const SeriesRead read = readSeriesFiles({(dir / "a.txt").string(), (dir / "b.txt").string()});
    ASSERT_EQ(read.status, SeriesRead::Status::Ok);
    ASSERT_EQ(read.files.size(), 2u);
    EXPECT_EQ(fs::path(read.files[0]).filename(), "b.txt");
    EXPECT_DOUBLE_EQ(read.series.levelAt(0), 40.0);
    EXPECT_TRUE(read.series.gaps().empty());
    EXPECT_EQ(seriesDateTime(read.series, read.series.start()), "08-12-2026 10:00:00");
}

TEST(SeriesReader, CancellingStopsReading) {
    const auto dir = scratch("cancel");
    for (int h = 0; h < 6; ++h) {
        const Wall hour{2026, 12, 8, h, 0, 0};
        write(dir / fileName(hour), hourFile(hour, 1.0, 50));
    }
    std::atomic<bool> cancel{false};
    SeriesReadOptions options;
    options.cancel = &cancel;
    options.threads = 2;
    options.progress = [&](std::size_t done, std::size_t) {
        if (done == 2)
            cancel = true;
    };
    const SeriesRead read = readSurveySeries(dir.string(), options);
    EXPECT_EQ(read.status, SeriesRead::Status::Cancelled);
    EXPECT_TRUE(read.series.empty());
}

TEST(SeriesReader, EventsAreReadAsTheSurveyAndTheCollectorWriteThem) {
    const auto wallMs = [](int y, int mo, int d, int h, int mi, int s, int ms) {
        return (daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s) * 1000 + ms;
    };
    const std::string text =
        std::string(eventsHeader) + "\r\n" +
        csvRow({"2026-12-08T14:03:05.300+01:00", "2026-12-08T14:03:11.400+01:00", "6.1",
                "disconnected", "the device \"ttyUSB0\" went away, unplugged"}) +
        csvRow(
            {"2026-12-08T08:33:05.000-05:30", "2026-12-08T08:34:05+00:00", "60.0", "silence", ""}) +
        // A detail with a line break, as the collector may have had one: its
        // first line is the detail.
        csvRow({"2026-12-08T15:00:00.000+01:00", "2026-12-08T15:00:02.000+01:00", "2.0",
                "write-failure", "disk full\nthen back"}) +
        // No time, a time not as written, a row cut short by a power cut.
        csvRow({"", "2026-12-08T15:00:02.000+01:00", "2.0", "hold", ""}) +
        csvRow({"2026-12-08 15:00:00", "2026-12-08T15:00:02.000+01:00", "2.0", "hold", ""}) +
        "2026-12-08T16:00:00.000+01:00,2026-12-08T16:0";
    const std::vector<SeriesGap> events = parseSeriesEvents(text, SeriesStore());
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].start, wallMs(2026, 12, 8, 14, 3, 5, 300));
    EXPECT_EQ(events[0].end, wallMs(2026, 12, 8, 14, 3, 11, 400));
    EXPECT_EQ(events[0].cause, "disconnected");
    EXPECT_EQ(events[0].detail, "the device \"ttyUSB0\" went away, unplugged");
    EXPECT_EQ(events[1].start, wallMs(2026, 12, 8, 8, 33, 5, 0));
    EXPECT_EQ(events[1].end, wallMs(2026, 12, 8, 8, 34, 5, 0));
    EXPECT_EQ(events[1].detail, "");
    EXPECT_EQ(events[2].cause, "write-failure");
    EXPECT_EQ(events[2].detail, "disk full");
}

} // namespace
