#include "survey/SurveyMarks.h"

#include "SurveyFolder.h"

#include "formats/FileWrite.h"

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
