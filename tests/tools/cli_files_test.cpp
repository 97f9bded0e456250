#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string cli = VREL_CLI;

// A scratch folder of the test's own, emptied first.
fs::path scratch(const std::string& name) {
    return emptyFolder(fs::path(VREL_TEST_TMP) / ("files-" + name));
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

// Levels 5.5 and 101.3, a logger time without the hour's leading zero, LF and
// CR LF line ends mixed, the rate with one decimal.
const std::string dataFile = "Kovra Sound Level Meter SamplingRate:0.5;\r\n"
                             "07-03-2015,9:05:01, 55.20, dBA\r\n"
                             "07-03-2015,9:05:02,  5.50, dBA\n"
                             "07-03-2015,9:05:03, 101.30, dBA\r\n"
                             "07-03-2015,9:05:04, 101.30, dBA\r\n"
                             "07-03-2015,9:05:05, 60.00, dBA\r\n";

TEST(CliFiles, ListPrintsTheWindowsRows) {
    const auto dir = scratch("list");
    std::ofstream(dir / "in.txt", std::ios::binary) << dataFile;
    auto r = runTool(cli + " list " + quoted(dir / "in.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\t07-03-2015,9:05:01\tdBA\t0.50\t5\n");
    EXPECT_EQ(r.err, "");

    // A valid header without readings lists nothing; a header that only starts
    // right is accepted, with the rate 0.
    std::ofstream(dir / "empty.txt", std::ios::binary)
        << "Kovra Sound Level Meter SamplingRate:1.0;\r\n";
    r = runTool(cli + " list " + quoted(dir / "empty.txt"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    std::ofstream(dir / "odd.txt", std::ios::binary)
        << "Kovra Sound Level Meter SamplingRate 2.0\r\n01-01-2020,1:00:00, 40.00, dBC\r\n\r\n"
           "01-01-2020,1:00:01, 41.00, dBC\r\n";
    r = runTool(cli + " list " + quoted(dir / "odd.txt"));
    EXPECT_EQ(r.out, "0\t01-01-2020,1:00:00\tdBC\t0.00\t1\n"); // the empty line ends reading
}

TEST(CliFiles, ExportWritesTheDataLoggerVariant) {
    const auto dir = scratch("export");
    std::ofstream(dir / "in.txt", std::ios::binary) << dataFile;
    const auto r = runTool(cli + " export " + quoted(dir / "in.txt") + " " + quoted(dir / "o.xls"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    // The first of two equal maxima wins; the Max line ends in a blank and a TAB.
    EXPECT_EQ(slurp(dir / "o.xls"), "StartTime\t07-03-2015,9:05:01\t\r\n"
                                    "Max\t101.30 @ 07-03-2015,9:05:03  dBA \t\r\n"
                                    "Min\t5.50 @ 07-03-2015,9:05:02  dBA\t\r\n"
                                    "Average\t64.66\t\r\n"
                                    "SampleRate\t0.50\t\r\n"
                                    "ID\tUnit\tValue\tDateTime\t\r\n"
                                    "1\tdBA\t55.20\t07-03-2015,9:05:01\t\r\n"
                                    "2\tdBA\t5.50\t07-03-2015,9:05:02\t\r\n"
                                    "3\tdBA\t101.30\t07-03-2015,9:05:03\t\r\n"
                                    "4\tdBA\t101.30\t07-03-2015,9:05:04\t\r\n"
                                    "5\tdBA\t60.00\t07-03-2015,9:05:05\t\r\n");
}

TEST(CliFiles, ExportToXlsxByExtension) {
    const auto dir = scratch("xlsx");
    std::ofstream(dir / "in.txt", std::ios::binary) << dataFile;
    const auto r =
        runTool(cli + " export " + quoted(dir / "in.txt") + " " + quoted(dir / "Book.XLSX"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string book = slurp(dir / "Book.XLSX");
    ASSERT_EQ(book.substr(0, 2), "PK"); // a zip archive, not text
    const auto sheet = runTool("unzip -p " + quoted(dir / "Book.XLSX") +
                               " xl/worksheets/sheet1.xml xl/sharedStrings.xml");
    if (sheet.status == 127)
        GTEST_SKIP() << "unzip is not installed";
    EXPECT_NE(sheet.out.find("<v>101.3</v>"), std::string::npos); // levels are numbers
    EXPECT_NE(sheet.out.find("101.30 @ 07-03-2015,9:05:03  dBA "), std::string::npos);
}

TEST(CliFiles, ConvertWritesTheSelectionAsSaveSelectionDoes) {
    const auto dir = scratch("convert");
    std::ofstream(dir / "in.txt", std::ios::binary) << dataFile;
    const auto r =
        runTool(cli + " convert " + quoted(dir / "in.txt") + " " + quoted(dir / "o.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string expected = "Kovra Sound Level Meter SamplingRate:0.5;\r\n"
                                 "07-03-2015,9:05:01, 55.20, dBA\r\n"
                                 "07-03-2015,9:05:02,  5.50, dBA\r\n"
                                 "07-03-2015,9:05:03, 101.30, dBA\r\n"
                                 "07-03-2015,9:05:04, 101.30, dBA\r\n"
                                 "07-03-2015,9:05:05, 60.00, dBA\r\n";
    EXPECT_EQ(slurp(dir / "o.txt"), expected);
    // Converting in place reads before it writes.
    EXPECT_EQ(
        runTool(cli + " convert " + quoted(dir / "o.txt") + " " + quoted(dir / "o.txt")).status, 0);
    EXPECT_EQ(slurp(dir / "o.txt"), expected);
}

TEST(CliFiles, UnreadableInputWritesNothing) {
    const auto dir = scratch("bad-input");
    std::ofstream(dir / "wrong.txt", std::ios::binary)
        << "Kovra Sound Level Meter Samplingrate:1.0;\r\n07-03-2015,9:05:01, 55.20, dBA\r\n";
    std::ofstream(dir / "empty.txt", std::ios::binary) << "";
    std::ofstream(dir / "none.txt", std::ios::binary)
        << "Kovra Sound Level Meter SamplingRate:1.0;\r\n";
    const struct {
        const char* command;
        const char* out;
    } commands[] = {{"export", "o.xls"}, {"export", "o.xlsx"}, {"convert", "o.txt"}};
    for (const auto& c : commands) {
        const fs::path out = dir / c.out;
        std::ofstream(out, std::ios::binary) << "old";
        const std::string tail = " " + quoted(out);
        for (const char* wrong : {"wrong.txt", "empty.txt"}) {
            const auto r = runTool(cli + " " + c.command + " " + quoted(dir / wrong) + tail);
            EXPECT_EQ(r.status, 1) << c.command << " " << wrong;
            EXPECT_EQ(r.err, "Data Format is wrong!\n");
        }
        auto r = runTool(cli + " " + c.command + " " + quoted(dir / "missing.txt") + tail);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("missing.txt: "), std::string::npos) << r.err; // with the reason
        r = runTool(cli + " " + c.command + " " + quoted(dir / "none.txt") + tail);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("holds no readings"), std::string::npos) << r.err;
        EXPECT_EQ(slurp(out), "old") << c.command;
    }
    for (const char* wrong : {"wrong.txt", "empty.txt"}) {
        const auto r = runTool(cli + " list " + quoted(dir / wrong));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "Data Format is wrong!\n");
    }
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().extension() == ".part", false) << e.path();
}

TEST(CliFiles, FailedWriteLeavesTheOldFile) {
    const auto dir = scratch("bad-output");
    std::ofstream(dir / "in.txt", std::ios::binary) << dataFile;
    const auto r = runTool(cli + " export " + quoted(dir / "in.txt") + " " +
                           quoted(dir / "no such folder" / "o.xls"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no such folder"), std::string::npos) << r.err;
    // A folder in the output's place cannot be replaced.
    fs::create_directories(dir / "taken.txt");
    const auto c =
        runTool(cli + " convert " + quoted(dir / "in.txt") + " " + quoted(dir / "taken.txt"));
    EXPECT_EQ(c.status, 1);
    EXPECT_TRUE(fs::is_directory(dir / "taken.txt"));
}

TEST(CliFiles, StatsPrintsNameValueUnitLines) {
    const auto dir = scratch("stats");
    std::ofstream(dir / "in.txt", std::ios::binary)
        << "Kovra Sound Level Meter SamplingRate:1.0;\r\n"
           "07-03-2015,9:05:01, 60.00, dBA\r\n"
           "07-03-2015,9:05:02, 80.00, dBA\r\n";
    auto r = runTool(cli + " stats " + quoted(dir / "in.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    // Leq of 60 and 80 dB is 77.03 dB; SEL adds 10 lg 2 s. Nearest rank from the top.
    EXPECT_EQ(r.out, "count\t2\treadings\n"
                     "Leq\t77.03\tdBA\n"
                     "Lmax\t80.00\tdBA\n"
                     "Lmin\t60.00\tdBA\n"
                     "L5\t80.00\tdBA\n"
                     "L10\t80.00\tdBA\n"
                     "L50\t80.00\tdBA\n"
                     "L90\t60.00\tdBA\n"
                     "L95\t60.00\tdBA\n"
                     "SEL\t80.04\tdBA\n");

    // A limit adds the exceedance; the interval is the file's rate.
    std::ofstream(dir / "mixed.txt", std::ios::binary)
        << "Kovra Sound Level Meter SamplingRate:0.5;\r\n"
           "01-01-2020,1:00:00, 70.00, dBA\r\n"
           "01-01-2020,1:00:00, 90.00, dBC\r\n"
           "01-01-2020,1:00:01, 91.00, dBC\r\n"
           "01-01-2020,1:00:01, 85.00, dBA\r\n"
           "01-01-2020,1:00:02, 95.00, dBA\r\n";
    r = runTool(cli + " stats --limit 85 " + quoted(dir / "mixed.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("count\t5\treadings\nLeq\t"), std::string::npos);
    EXPECT_NE(r.out.find("\nLmax\t95.00\tmixed\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nlimit\t85.00\tmixed\n"
                         "above\t3\treadings\n"
                         "aboveTime\t1.50\ts\n"
                         "longestRun\t2\treadings\n"
                         "longestRunTime\t1.00\ts\n"),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(r.out.ends_with("longestRunTime\t1.00\ts\n"));
}

TEST(CliFiles, UsageAndHelp) {
    const auto dir = scratch("usage");
    std::ofstream(dir / "in.txt", std::ios::binary) << dataFile;
    const std::string in = quoted(dir / "in.txt");
    for (const std::string& bad :
         {std::string("list"), "list " + in + " extra", "export " + in, "convert " + in,
          "convert " + in + " a b", std::string("stats"), "stats " + in + " --limit",
          "stats " + in + " --limit x", "stats " + in + " --limit 80dB", "list --verbose " + in}) {
        const auto r = runTool(cli + " " + bad);
        EXPECT_TRUE(isUsageError(r, bad.substr(0, bad.find(' ')))) << bad << ": " << r.err;
        EXPECT_EQ(r.out, "") << bad;
    }
    for (const char* command : {"list", "export", "convert", "stats"}) {
        const auto r = runTool(cli + " " + command + " --help");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind(std::string("usage: vrel-cli ") + command + " FILE.txt", 0), 0u)
            << r.out;
    }
    const auto top = runTool(cli + " --help");
    for (const char* command : {"decode logger", "list", "export", "convert", "print", "stats"})
        EXPECT_NE(top.out.find(std::string("  ") + command + " "), std::string::npos) << command;
}

} // namespace
