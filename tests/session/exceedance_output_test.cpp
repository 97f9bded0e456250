// The events a running survey finds, sample by sample, against those found
// in the same readings read back as a series: the same rows, a long one
// told once while it lasts.
#include "formats/TextDataFile.h"
#include "model/Clock.h"
#include "recording/Recording.h"
#include "session/ExceedanceOutput.h"
#include "survey/SeriesReader.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>

namespace {

struct Stretch {
    std::time_t from; // the first sample's second
    int samples;      // at 0.1 s, ten a second
    double level;
};

std::string slurpFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ExceedanceOutput, WritesTheRowsTheFolderGivesAndTellsALongEventOnce) {
    // 2026-10-25 00:59:50 UTC; the second burst's stamps go back an hour in
    // its middle, as when daylight saving ends: the series goes on across.
    const std::time_t t0 = 1792889990;
    const std::vector<Stretch> stretches = {{t0, 50, 55},
                                            {t0 + 5, 700, 81},
                                            {t0 + 75, 30, 55},
                                            {t0 + 78, 20, 74},
                                            {t0 + 80, 30, 55}, // a gap of 3 s follows
                                            {t0 + 86, 10, 90},
                                            {t0 + 87, 40, 50},
                                            {t0 + 91, 20, 88},
                                            {t0 + 93 - 3600, 20, 88},
                                            {t0 + 95 - 3600, 10, 60},
                                            {t0 + 96 - 3600, 4, 77}};
    const ManualClock clock;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const EventRules rules{70, 2, 0, 0.5};

    ExceedanceOutput out(folder, rules, 0.1, clock);
    std::vector<SeriesEvent> told;
    std::vector<int> numbers;
    out.onLong = [&](const SeriesEvent& e) { told.push_back(e); };
    out.onEvent = [&](int n, const SeriesEvent&) { numbers.push_back(n); };
    SeriesStore series;
    SeriesAppender appender(series);
    for (const Stretch& s : stretches)
        for (int i = 0; i < s.samples; ++i) {
            const std::string stamp = recordTimeStamp(clock.local(s.from + i / 10));
            const CObjData sample(s.level, stamp, "dBA", 0, 0.1);
            out.sample(0, sample);
            appender.addLine(TextDataLine(sample), 100);
        }
    out.ended();
    series.finish();

    const SeriesEvents found = findEvents(series, series.start(), series.end(), rules);
    ASSERT_EQ(found.events.size(), 4u) << slurpFile(folder + "/" + exceedancesFileName);
    std::string expected = std::string(exceedancesHeader) + "\r\n";
    for (std::size_t i = 0; i < found.events.size(); ++i)
        expected += csvRow(eventFields(clock, static_cast<int>(i) + 1, found.events[i]));
    EXPECT_EQ(slurpFile(folder + "/" + exceedancesFileName), expected);
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4}));
    // The 70 s burst, told once, after its first minute.
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].startWall, found.events[0].startWall);
    EXPECT_GT(told[0].seconds, longExceedanceSeconds);
    EXPECT_LT(told[0].seconds, found.events[0].seconds);
    // Across the repeated hour, one event.
    EXPECT_DOUBLE_EQ(found.events[3].seconds, 4.0);

    // Started again on the folder, the rows go on from where they were.
    ExceedanceOutput again(folder, rules, 0.1, clock);
    again.onEvent = [&](int n, const SeriesEvent&) { numbers.push_back(n); };
    for (int i = 0; i < 10; ++i)
        again.sample(0, CObjData(80, recordTimeStamp(clock.local(t0 + 200)), "dBA", 0, 0.1));
    again.ended();
    EXPECT_EQ(numbers.back(), 5);
}

} // namespace
