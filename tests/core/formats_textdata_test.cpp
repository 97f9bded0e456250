#include "formats/FileWrite.h"
#include "formats/TextDataFile.h"
#include "model/TextFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <utility>

namespace fs = std::filesystem;

namespace {

RecordList series(std::initializer_list<CObjData> records) {
    RecordList l;
    for (const CObjData& r : records)
        l.append(r);
    return l;
}

const RecordList sample = series({CObjData(55.2, "07-03-2015,09:05:01", "dBA", 0, 1.0),
                                  CObjData(5.5, "07-03-2015,09:05:02", "dBA", 0, 1.0),
                                  CObjData(101.3, "07-03-2015,9:05:03", "dBC", 4, 2.5)});

const std::string sampleText = "Kovra Sound Level Meter SamplingRate:1.0;\r\n"
                               "07-03-2015,09:05:01, 55.20, dBA\r\n"
                               "07-03-2015,09:05:02,  5.50, dBA\r\n"
                               "07-03-2015,9:05:03, 101.30, dBC\r\n";

std::string slurp(const fs::path& p) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(p.string(), bytes));
    return bytes;
}

class TextDataFiles : public ::testing::Test {
  protected:
    fs::path dir =
        fs::temp_directory_path() / ("vrel_files_test_" + std::to_string(std::random_device{}()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
};

TEST(NumberText, FixedNotationMatchesPrintfInTheCLocale) {
    std::setlocale(LC_NUMERIC, "C");
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> level(-20.0, 200.0);
    for (int i = 0; i < 20000; ++i) {
        const double v = i < 2000 ? i / 1000.0 : level(rng); // exact ties among the first
        char buf[64];
        std::snprintf(buf, sizeof buf, "%5.2f", v);
        ASSERT_EQ(formatFixed(v, 2, 5), buf) << v;
        std::snprintf(buf, sizeof buf, "%2.1f", v);
        ASSERT_EQ(formatFixed(v, 1, 2), buf) << v;
    }
}

TEST(NumberText, LeadingNumbersAsAtofReadsThem) {
    EXPECT_EQ(leadingDecimal(" 55.20"), 55.2);
    EXPECT_EQ(leadingDecimal("\t-5.5x"), -5.5);
    EXPECT_EQ(leadingDecimal("+1.5;"), 1.5);
    EXPECT_EQ(leadingDecimal(".5"), 0.5);
    EXPECT_EQ(leadingDecimal("1,5"), 1.0);
    EXPECT_EQ(leadingDecimal("dBA"), 0.0);
    EXPECT_EQ(leadingDecimal(""), 0.0);
    EXPECT_EQ(leadingDecimal("- 5"), 0.0);
    EXPECT_EQ(leadingInteger(" 0456"), 456);
    EXPECT_EQ(leadingInteger("1a"), 1);
    EXPECT_EQ(leadingInteger("a1"), 0);
}

TEST(TextDataFormat, HeaderAndRecordLinesByteForByte) {
    EXPECT_EQ(FormatTextData(sample), sampleText);
    EXPECT_EQ(TextDataHeader(0.1), "Kovra Sound Level Meter SamplingRate:0.1;");
    EXPECT_EQ(TextDataHeader(10.0), "Kovra Sound Level Meter SamplingRate:10.0;");
    EXPECT_EQ(TextDataHeader(0.0), "Kovra Sound Level Meter SamplingRate:0.0;");
    EXPECT_EQ(TextDataLine(CObjData(0.0, "d", "dBC", 0, 1)), "d,  0.00, dBC");
    EXPECT_EQ(TextDataLine(CObjData(55.125, "d", "dBC", 0, 1)), "d, 55.12, dBC");
    EXPECT_EQ(FormatTextData(RecordList{}), "");
}

TEST_F(TextDataFiles, WrittenFileReadsBackRoundedAsOneSet) {
    const auto path = dir / "2015-3-7 9-5.txt";
    std::string error;
    ASSERT_TRUE(WriteTextDataFile(path.string(), sample, &error)) << error;
    EXPECT_EQ(slurp(path), sampleText);
    EXPECT_FALSE(fs::exists(PartFilePath(path.string())));

    const TextDataRead read = ReadTextDataFile(path.string());
    ASSERT_EQ(read.status, TextDataRead::Status::Ok);
    EXPECT_EQ(read.samplingRate, 1.0);
    EXPECT_EQ(read.records, series({CObjData(55.2, "07-03-2015,09:05:01", "dBA", 0, 1.0),
                                    CObjData(5.5, "07-03-2015,09:05:02", "dBA", 0, 1.0),
                                    CObjData(101.3, "07-03-2015,9:05:03", "dBC", 0, 1.0)}));

    // levels keep two decimals, the rate one
    const RecordList fine = series({CObjData(45.678, "01-01-2026,0:00:00", "dBA", 2, 0.25)});
    ASSERT_TRUE(WriteTextDataFile(path.string(), fine));
    const TextDataRead rounded = ReadTextDataFile(path.string());
    EXPECT_EQ(rounded.records[0].value(), 45.68);
    EXPECT_EQ(rounded.samplingRate, 0.2);
}

TEST_F(TextDataFiles, FailedWritesLeaveNothingBehind) {
    const auto path = dir / "keep.txt";
    std::string error;
    EXPECT_FALSE(WriteTextDataFile(path.string(), RecordList{}, &error));
    EXPECT_FALSE(fs::exists(path));

    const auto missing = dir / "no such folder" / "x.txt";
    EXPECT_FALSE(WriteTextDataFile(missing.string(), sample, &error));
    EXPECT_NE(error.find("no such folder"), std::string::npos) << error;

    // a path that is a folder cannot be replaced; the folder stays, no part file
    fs::create_directories(path);
    EXPECT_FALSE(WriteTextDataFile(path.string(), sample, &error));
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_FALSE(fs::exists(PartFilePath(path.string())));
}

TEST(TextDataReader, HeaderCheckAndSamplingRate) {
    using S = TextDataRead::Status;
    const struct {
        const char* text;
        S status;
        double rate;
    } cases[] = {
        {"", S::WrongFormat, 0},
        {"\r\n", S::WrongFormat, 0},
        {"Kovra Sound Level Meter SamplingRat", S::WrongFormat, 0},
        {"kovra Sound Level Meter SamplingRate:1.0;\r\n", S::WrongFormat, 0},
        {"\xEF\xBB\xBFKovra Sound Level Meter SamplingRate:1.0;\r\n", S::WrongFormat, 0},
        {"Kovra Sound Level Meter SamplingRate", S::Ok, 0},
        {"Kovra Sound Level Meter SamplingRate:2.5;", S::Ok, 2.5},
        {"Kovra Sound Level Meter SamplingRate: 10.0; and more\n", S::Ok, 10},
        {"Kovra Sound Level Meter SamplingRate:1.0\r\n", S::Ok, 0},
        {"Kovra Sound Level Meter SamplingRate;1.0:\r\n", S::Ok, 0},
        {"Kovra Sound Level Meter SamplingRate:abc;\r\n", S::Ok, 0},
        {"Kovra Sound Level Meter SamplingRateXYZ:0.5;\r\n", S::Ok, 0.5},
    };
    for (const auto& c : cases) {
        const TextDataRead r = ParseTextData(c.text);
        EXPECT_EQ(r.status, c.status) << c.text;
        EXPECT_EQ(r.samplingRate, c.rate) << c.text;
        EXPECT_TRUE(r.records.empty()) << c.text;
    }
}

TEST(TextDataReader, LineEndsAndTheEmptyLineThatEndsReading) {
    std::string lf = sampleText;
    for (std::size_t p; (p = lf.find('\r')) != std::string::npos;)
        lf.erase(p, 1);
    const TextDataRead crlf = ParseTextData(sampleText);
    EXPECT_EQ(ParseTextData(lf).records, crlf.records);
    EXPECT_EQ(crlf.records.size(), 3u);

    // no line end after the last line
    EXPECT_EQ(ParseTextData(sampleText.substr(0, sampleText.size() - 2)).records, crlf.records);

    const TextDataRead cut = ParseTextData("Kovra Sound Level Meter SamplingRate:1.0;\r\n"
                                           "a,b, 1.00, dBA\r\n"
                                           "\r\n"
                                           "c,d, 2.00, dBA\r\n");
    ASSERT_EQ(cut.records.size(), 1u);
    EXPECT_EQ(cut.records[0].value(), 1.0);
}

TEST(TextDataReader, MalformedLinesStillYieldRecordsByTheRules) {
    const TextDataRead r = ParseTextData("Kovra Sound Level Meter SamplingRate:0.5;\n"
                                         "07-03-2015,09:05:01, 55.20\n" // no third comma
                                         "abc,def\n"                    // one comma
                                         "hello\n"                      // none
                                         "ab\n"                         // shorter than a unit
                                         "x,y, 5.50, dBC\r\n"           // CR CR LF in the file
                                         "d,t,  7.25xyz, unit, more\n"
                                         "\xE9t\xE9,9:00:00, 60.00, dB\xC4\n");
    ASSERT_EQ(r.status, TextDataRead::Status::Ok);
    const auto at = [&r](std::size_t i) { return r.records.at(i); };
    ASSERT_EQ(r.records.size(), 7u);
    EXPECT_EQ(at(0), CObjData(0.0, "07-03-2015,09:05:01", "5.20", 0, 0.5));
    EXPECT_EQ(at(1), CObjData(0.0, "abc", ",def", 0, 0.5));
    EXPECT_EQ(at(2), CObjData(0.0, "", "ello", 0, 0.5));
    EXPECT_EQ(at(3), CObjData(0.0, "", "ab", 0, 0.5));
    EXPECT_EQ(at(4), CObjData(5.5, "x,y", "dBC", 0, 0.5));
    EXPECT_EQ(at(5), CObjData(7.25, "d,t", "more", 0, 0.5));
    EXPECT_EQ(at(6), CObjData(60.0, "\xE9t\xE9,9:00:00", "dB\xC4", 0, 0.5));
}

TEST_F(TextDataFiles, UnreadableFileIsReportedApart) {
    const TextDataRead r = ReadTextDataFile((dir / "missing.txt").string());
    EXPECT_EQ(r.status, TextDataRead::Status::CannotOpen);
    EXPECT_NE(r.error.find("missing.txt"), std::string::npos);
    EXPECT_TRUE(r.records.empty());
}

TEST_F(TextDataFiles, AppenderWritesTheSameFileLineByLineAndFlushesEach) {
    const auto path = dir / "journal.txt";
    TextDataAppender journal;
    EXPECT_FALSE(journal.append(sample[0]));
    std::string error;
    ASSERT_TRUE(journal.open(path.string(), sample[0].samplingRate(), &error)) << error;
    EXPECT_EQ(slurp(path), "Kovra Sound Level Meter SamplingRate:1.0;\r\n");
    for (const CObjData& r : sample) {
        ASSERT_TRUE(journal.append(r, &error)) << error;
        // what a crash now would leave is a readable file of the readings so far
        const TextDataRead sofar = ReadTextDataFile(path.string());
        ASSERT_EQ(sofar.status, TextDataRead::Status::Ok);
        EXPECT_EQ(sofar.records.back().dateTime(), r.dateTime());
    }
    EXPECT_TRUE(journal.close());
    EXPECT_FALSE(journal.isOpen());
    EXPECT_EQ(slurp(path), FormatTextData(sample));

    EXPECT_FALSE(journal.open((dir / "nope" / "j.txt").string(), 1.0, &error));
    EXPECT_FALSE(journal.isOpen());
    EXPECT_FALSE(error.empty());
}

} // namespace

namespace {

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

} // namespace

// A file is read piece by piece; whatever its lines, it gives what its whole
// text gives, also for lines across the pieces and longer than one piece.
TEST_F(TextDataFiles, AFileReadInPiecesGivesWhatItsWholeTextGives) {
    std::mt19937 random(16);
    std::string text = "Kovra Sound Level Meter SamplingRate:0.5;\r\n";
    for (int i = 0; text.size() < 600'000; ++i) {
        switch (random() % 5) {
        case 0: // a date-time too long to be kept inside the record
            text += std::string(10 + random() % 40, 'd') + ",09:00:00, 61.50, dBC\r\n";
            break;
        case 1:
            text += "7-3-2015,9:05:0" + std::to_string(i % 10) + ", 5.50, dBA\n";
            break;
        case 2:
            if (i % 97 == 0) // a line longer than a piece
                text += std::string(70'000, 'x') + ",y, 1.00, dBA\r\n";
            break;
        default:
            text += "07-03-2015,09:05:01, " + std::to_string(i % 130) + ".25, dBA\r\n";
        }
    }
    const std::string unended = text + "31-12-2026,23:59:59, 99.99, dBC";
    const std::string stopped = text + "\r\nafter,the, 1.00, dBA\r\n";
    const auto path = dir / "big.txt";
    for (const std::string* bytes : {&std::as_const(text), &unended, &stopped}) {
        writeBytes(path, *bytes);
        const TextDataRead read = ReadTextDataFile(path.string());
        const TextDataRead parsed = ParseTextData(*bytes);
        ASSERT_EQ(read.status, TextDataRead::Status::Ok);
        EXPECT_EQ(read.samplingRate, 0.5);
        EXPECT_GT(read.records.size(), 2'000u);
        EXPECT_TRUE(read.records == parsed.records);
    }
    EXPECT_EQ(ReadTextDataFile(path.string()).records.back().dateTime(), "07-03-2015,09:05:01")
        << "the empty line ends reading";

    for (const std::string bytes : {"", "Kovra Sound Level Meter SamplingRate:2.0;"}) {
        writeBytes(path, bytes);
        const TextDataRead read = ReadTextDataFile(path.string());
        EXPECT_EQ(read.status, ParseTextData(bytes).status);
        EXPECT_TRUE(read.records.empty());
    }
}

TEST(TextDataRecords, LongTextsSurviveCopiesAndMoves) {
    const std::string longTime(100, 't');
    RecordList list;
    for (int i = 0; i < 100; ++i) // the list moves its records as it grows
        list.append(CObjData(i, i % 2 ? longTime : "07-03-2015,09:05:01", "dBA", 0, 1.0));
    RecordList copy = list;
    RecordList moved = std::move(copy);
    ASSERT_EQ(moved.size(), 100u);
    EXPECT_TRUE(moved == list);
    EXPECT_EQ(moved[99].dateTime(), longTime);
    EXPECT_EQ(moved[98].dateTime(), "07-03-2015,09:05:01");
    CObjData record = moved[1];
    record = moved[2];
    EXPECT_EQ(record.dateTime(), "07-03-2015,09:05:01");
    record = moved[3];
    EXPECT_EQ(record.dateTime(), longTime);
}
