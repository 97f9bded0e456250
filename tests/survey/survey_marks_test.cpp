#include "survey/SurveyMarks.h"

#include "SurveyFolder.h"

#include "formats/FileWrite.h"
#include "survey/SeriesReader.h"

#include <gtest/gtest.h>

namespace {

// 2026-11-02 00:00 UTC; the manual clock's local time is UTC.
constexpr SurveyMs day0 = 1793577600000;
constexpr SurveyMs hour = 3600 * 1000;

SurveyMark mark(SurveyMs start, SurveyMs end, MarkKind kind, std::string label,
                std::string note = {}) {
    return {start, end, kind, std::move(label), std::move(note)};
}

TEST(SurveyMarks, WrittenAndReadBack) {
    const ManualClock clock;
    SurveyMarks marks;
    ASSERT_FALSE(marks.add(mark(day0 + 5 * hour, day0 + 6 * hour, MarkKind::Residual, "plant off",
                                "pumps 1, 2 \"stopped\"\nall night")));
    ASSERT_FALSE(marks.add(mark(day0 + 1500, day0 + hour, MarkKind::Exclude, "rain")));
    ASSERT_FALSE(marks.add(mark(day0 + 2 * hour, day0 + 3 * hour, MarkKind::Event, "dog")));
    const std::string text = marks.text(clock);
    EXPECT_EQ(text.substr(0, text.find('\n')), "start,end,kind,label,note\r");
    EXPECT_NE(
        text.find("2026-11-02T00:00:01.500+00:00,2026-11-02T01:00:00+00:00,exclude,rain,\r\n"),
        std::string::npos);

    const MarksRead read = parseMarks(text, "markers.csv");
    ASSERT_EQ(read.status, MarksRead::Status::Ok);
    EXPECT_TRUE(read.problems.empty());
    ASSERT_EQ(read.marks.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const SurveyMark& a = marks.all()[i];
        const SurveyMark& b = read.marks[i];
        EXPECT_EQ(a.start, b.start);
        EXPECT_EQ(a.end, b.end);
        EXPECT_EQ(a.kind, b.kind);
        EXPECT_EQ(a.label, b.label);
        EXPECT_EQ(a.note, b.note);
    }
    // In order of their starts, whatever order they came in.
    EXPECT_EQ(marks.all()[0].label, "rain");
    EXPECT_EQ(marks.all()[2].label, "plant off");
}

TEST(SurveyMarks, ChangesAreChecked) {
    SurveyMarks marks;
    EXPECT_EQ(marks.add(mark(day0 + hour, day0 + hour, MarkKind::Exclude, "rain")),
              "the end is not after the start");
    EXPECT_EQ(marks.add(mark(day0 + hour, day0, MarkKind::Exclude, "rain")),
              "the end is not after the start");
    EXPECT_EQ(marks.add(mark(day0, day0 + hour, MarkKind::Exclude, "")), "the label is empty");
    EXPECT_TRUE(marks.empty());
    ASSERT_FALSE(marks.add(mark(day0, day0 + hour, MarkKind::Note, "a")));
    ASSERT_FALSE(marks.add(mark(day0 + hour, day0 + 2 * hour, MarkKind::Note, "b")));
    EXPECT_EQ(marks.remove(2), "there is no mark 3");
    EXPECT_EQ(marks.replace(0, mark(day0, day0, MarkKind::Note, "c")),
              "the end is not after the start");
    // An edit that moves a mark keeps the list in order.
    ASSERT_FALSE(marks.replace(0, mark(day0 + 3 * hour, day0 + 4 * hour, MarkKind::Note, "c")));
    EXPECT_EQ(marks.all()[0].label, "b");
    EXPECT_EQ(marks.all()[1].label, "c");
    ASSERT_FALSE(marks.remove(0));
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks.all()[0].label, "c");

    for (MarkKind k : markKinds)
        EXPECT_EQ(markKindOf(markKindName(k)), k);
    EXPECT_FALSE(markKindOf("Exclude"));
}

TEST(SurveyMarks, DamagedLinesAreNamedAndTheRestRead) {
    const std::string good = "2026-11-02T22:30:00+00:00,2026-11-03T01:15:00+00:00,exclude,rain,";
    const struct {
        const char* line;
        const char* why;
    } damaged[] = {
        {"2026-11-02T22:30:00+00:00,2026-11-03T01:15:00+00:00,exclude,rain",
         "not five fields start,end,kind,label,note"},
        {"2026-11-02 22:30,2026-11-03T01:15:00+00:00,exclude,rain,",
         "'2026-11-02 22:30' is not a time"},
        {"2026-11-02T22:30:00+00:00,2026-11-03T01:15:00+00:00,dry,rain,", "'dry' is no kind"},
        {"2026-11-03T01:15:00+00:00,2026-11-02T22:30:00+00:00,exclude,rain,",
         "the end is not after the start"},
        {"2026-11-02T22:30:00+00:00,2026-11-03T01:15:00+00:00,exclude,rain,\"open quote",
         "not five fields"},
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.line);
        const std::string text = std::string(marksHeader) + "\r\n" + good + "\r\n" + d.line +
                                 "\r\n" + good + "\r\n\r\n" + good + "\n";
        const MarksRead read = parseMarks(text, "dir/markers.csv");
        ASSERT_EQ(read.status, MarksRead::Status::Ok);
        EXPECT_EQ(read.marks.size(), 3u);
        ASSERT_EQ(read.problems.size(), 1u);
        EXPECT_EQ(read.problems[0].rfind("dir/markers.csv line 3: ", 0), 0u) << read.problems[0];
        EXPECT_NE(read.problems[0].find(d.why), std::string::npos) << read.problems[0];
    }
}

TEST(SurveyMarks, OtherFilesAreRefused) {
    for (const char* text : {"start,end,samples,coverage,Leq,Lmax,Lmin,L10,L50,L90,weighting\r\n",
                             "Kovra Sound Level Meter SamplingRate:1.0;\r\n"}) {
        const MarksRead read = parseMarks(text, "summary.csv");
        EXPECT_EQ(read.status, MarksRead::Status::NotMarks);
        EXPECT_EQ(
            read.error,
            "summary.csv is not a marks file: its first line is not start,end,kind,label,note");
        EXPECT_TRUE(read.marks.empty());
    }
    EXPECT_EQ(readMarks(VREL_TEST_TMP "/no-such-markers.csv").status, MarksRead::Status::Missing);
}

TEST(SurveyMarks, SavedWholeAndReadFromDisk) {
    const ManualClock clock;
    const auto dir = testsurvey::scratch("marks-save");
    const std::string path = (dir / marksFileName).string();
    SurveyMarks marks;
    ASSERT_FALSE(marks.add(mark(day0, day0 + hour, MarkKind::Exclude, "wind", "gusts")));
    std::string error;
    ASSERT_TRUE(marks.save(path, clock, &error)) << error;
    EXPECT_FALSE(std::filesystem::exists(PartFilePath(path)));
    const MarksRead read = readMarks(path);
    ASSERT_EQ(read.status, MarksRead::Status::Ok);
    ASSERT_EQ(read.marks.size(), 1u);
    EXPECT_EQ(read.marks[0].note, "gusts");
    // A folder in the file's place: nothing written, the reason given.
    EXPECT_FALSE(marks.save(dir.string(), clock, &error));
    EXPECT_FALSE(error.empty());
}

TEST(SurveyMarks, InSeriesTime) {
    const ManualClock clock;
    SeriesStore series;
    for (SurveyMs t = day0; t < day0 + 24 * hour; t += 1000)
        series.append(t, 5000, 1000, 'A');
    series.finish();
    const SurveyMarks marks({
        mark(day0 + 1 * hour, day0 + 3 * hour, MarkKind::Exclude, "rain"),
        mark(day0 + 2 * hour, day0 + 4 * hour, MarkKind::Exclude, "wind"),
        mark(day0 + 4 * hour, day0 + 5 * hour, MarkKind::Exclude, "dog"),
        mark(day0 + 3 * hour, day0 + 7 * hour, MarkKind::Residual, "off"),
        mark(day0 + 6 * hour, day0 + 8 * hour, MarkKind::Residual, "off"),
        mark(day0 + 9 * hour, day0 + 10 * hour, MarkKind::Event, "truck"),
        mark(day0 + 10 * hour, day0 + 11 * hour, MarkKind::Note, "rain"),
    });
    const SeriesMarks s = marks.inSeries(series, clock);
    auto spans = [](const std::vector<SeriesSpan>& v) {
        std::vector<std::pair<SeriesMs, SeriesMs>> out;
        for (const SeriesSpan& x : v)
            out.emplace_back((x.start - day0) / hour, (x.end - day0) / hour);
        return out;
    };
    using P = std::vector<std::pair<SeriesMs, SeriesMs>>;
    EXPECT_EQ(spans(s.excluded), (P{{1, 5}}));
    EXPECT_EQ(spans(s.residual), (P{{5, 8}}));
    EXPECT_EQ(spans(s.kept(day0, day0 + 24 * hour)), (P{{0, 1}, {8, 24}}));
    EXPECT_EQ(spans(s.kept(day0 + 2 * hour, day0 + 6 * hour)), (P{}));
    EXPECT_EQ(spans(s.excludedIn(day0 + 2 * hour, day0 + 6 * hour)), (P{{2, 5}}));
    EXPECT_EQ(spans(s.residualIn(day0 + 2 * hour, day0 + 6 * hour)), (P{{5, 6}}));
    EXPECT_EQ(instantOfSeries(series, day0 + 5 * hour, clock), day0 + 5 * hour);
}

} // namespace

namespace {

// The site's clock: UTC+2, UTC+1 from 2026-10-25 01:00 UTC.
class SiteClock final : public Clock {
  public:
    std::time_t now() const override { return 0; }
    LocalTime local(std::time_t t) const override {
        return ManualClock().local(t + (t < dstEnd ? 7200 : 3600));
    }
    static constexpr std::time_t dstEnd = 1792890000; // 2026-10-25T01:00:00Z
};

TEST(SurveyMarks, TheHourShownTwiceIsTakenAsTheClockShowedIt) {
    // A reading a minute from 01:00 to 04:00 on the wall clock; 02:00 to
    // 03:00 comes twice, the second time in a file of its own.
    const auto dir = testsurvey::scratch("marks-dst");
    std::string files[4];
    for (int h = 0; h < 4; ++h) {
        files[h] = testsurvey::header(60);
        const int wallHour = h < 2 ? 1 + h : h;
        for (int m = 0; m < 60; ++m)
            files[h] += testsurvey::line({2026, 10, 25, wallHour, m, 0}, 50.0 + h);
    }
    testsurvey::write(dir / "survey-2026-10-25T01.txt", files[0]);
    testsurvey::write(dir / "survey-2026-10-25T02.txt", files[1]);
    testsurvey::write(dir / "survey-2026-10-25T02-2.txt", files[2]);
    testsurvey::write(dir / "survey-2026-10-25T03.txt", files[3]);
    const SeriesRead read = readSurveySeries(dir.string());
    ASSERT_EQ(read.status, SeriesRead::Status::Ok);
    const SeriesStore& s = read.series;
    ASSERT_EQ(s.size(), 240u);

    const SiteClock clock;
    // From 02:30 summer time to 02:30 winter time: the second half of the
    // first 02 hour and the first half of the second.
    const MarksRead marks = parseMarks("start,end,kind,label,note\n"
                                       "2026-10-25T02:30:00+02:00,2026-10-25T02:30:00+01:00,"
                                       "exclude,handled,\n",
                                       "markers.csv");
    ASSERT_EQ(marks.marks.size(), 1u);
    const SeriesMarks m = SurveyMarks(marks.marks).inSeries(s, clock);
    ASSERT_EQ(m.excluded.size(), 1u);
    const std::size_t first = s.indexAt(m.excluded[0].start), last = s.indexAt(m.excluded[0].end);
    EXPECT_EQ(first, 90u);
    EXPECT_EQ(last, 150u);
    // And back: a time in either 02 hour names its own instant.
    for (const std::size_t i : {std::size_t{90}, std::size_t{149}, std::size_t{200}}) {
        const SeriesMs t = s.timeAt(i);
        EXPECT_EQ(seriesTimeOf(s, instantOfSeries(s, t, clock), clock), t) << i;
    }
    EXPECT_EQ(instantOfSeries(s, s.timeAt(150), clock), marks.marks[0].end)
        << "02:30 the second time";
}

} // namespace
