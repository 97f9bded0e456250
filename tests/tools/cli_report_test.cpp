// vrel-cli stats with the workplace and environmental figures, and vrel-cli report.
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const std::string cli = VREL_CLI;

fs::path scratch(const std::string& name) {
    return emptyFolder(fs::path(VREL_TEST_TMP) / ("report-" + name));
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

// Four hours at 90 dB(A) from 06:00, a reading every 10 s, with an outage
// from 07:00 to 07:30 (the readings resume, later, with the hours missed).
fs::path shiftFile(const fs::path& dir) {
    const fs::path path = dir / "shift.txt";
    std::ofstream f(path, std::ios::binary);
    f << "Kovra Sound Level Meter SamplingRate:10.0;\r\n";
    for (int i = 0; i < 4 * 360; ++i) {
        const int t = 6 * 3600 + i * 10 + (i >= 360 ? 1800 : 0);
        char line[64];
        std::snprintf(line, sizeof line, "08-12-2026,%.2d:%.2d:%.2d, 90.0, dBA\r\n", t / 3600,
                      t / 60 % 60, t % 60);
        f << line;
    }
    return path;
}

std::string valueOf(const std::string& out, const std::string& name) {
    const auto at = out.find("\n" + name + "\t");
    if (at == std::string::npos)
        return {};
    const auto from = at + name.size() + 2;
    return out.substr(from, out.find('\t', from) - from);
}

} // namespace

TEST(CliNoiseFigures, StatsAddsExposureAndEnvironmentOnRequest) {
    const auto dir = scratch("stats");
    const fs::path in = shiftFile(dir);
    const auto plain = runTool(cli + " stats " + quoted(in));
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out.find("LEX,8h"), std::string::npos) << "only when asked";

    const auto r = runTool(cli + " stats " + quoted(in) + " --shift measured --intervals 1h");
    ASSERT_EQ(r.status, 0) << r.err;
    // 4 h at 90 dB(A): LEX,8h 86.99, OSHA 50 %; the outage is no exposure.
    EXPECT_EQ(valueOf(r.out, "measured"), "14400.00");
    EXPECT_EQ(valueOf(r.out, "LEX,8h"), "86.99");
    EXPECT_EQ(valueOf(r.out, "EU"), "limit value");
    EXPECT_EQ(valueOf(r.out, "OSHAdose"), "50.00");
    EXPECT_EQ(valueOf(r.out, "gap"), "1800.00");
    EXPECT_EQ(valueOf(r.out, "Lnight"), "90.00") << "06:00 to 07:00";
    EXPECT_EQ(valueOf(r.out, "LnightCoverage"), "12.50");
    EXPECT_EQ(valueOf(r.out, "LdenComplete"), "no");
    EXPECT_NE(r.out.find("interval\t08-12-2026 07:00\t90.00\t90.00\t90.00\t90.00\t90.00\t50.00\n"),
              std::string::npos)
        << r.out;

    const auto shift = runTool(cli + " stats " + quoted(in) + " --shift 8");
    EXPECT_EQ(valueOf(shift.out, "LEX,8h"), "90.00") << "the four hours stand for the shift";
    EXPECT_EQ(valueOf(shift.out, "OSHAdose"), "100.00");

    for (const char* bad :
         {" --shift 0", " --shift x", " --intervals 2m", " --periods 7,23,19", " --periods 7,19"}) {
        const auto b = runTool(cli + " stats " + quoted(in) + bad);
        EXPECT_TRUE(isUsageError(b, "stats")) << bad << ": " << b.err;
    }
}

TEST(CliNoiseFigures, ReportWritesThePdfOrNothing) {
    const auto dir = scratch("pdf");
    const fs::path in = shiftFile(dir);
    const fs::path out = dir / "report.pdf";
    const auto r = runTool(cli + " report " + quoted(in) + " " + quoted(out) +
                           " --site 'Pres hattı' --operator 'Ali Veli' --meter SL-4001 --limit 85"
                           " --intervals 15m --lang tr");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::exists(out));
    if (runTool("pdftotext -v").status != 0)
        GTEST_SKIP() << "poppler-utils are not installed";
    const std::string text = runTool("pdftotext -layout " + quoted(out) + " -").out;
    for (const char* expected : {"Pres hattı", "Ali Veli", "SL-4001", "87.0 dB(A)", "50.0 %",
                                 "Sınır 85.0 dB", "08-12-2026 07:45", "Sayfa 1 / "})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    const std::string info = runTool("pdfinfo " + quoted(out)).out;
    EXPECT_NE(info.find("A4"), std::string::npos) << info;

    const fs::path none = dir / "none.pdf";
    EXPECT_EQ(runTool(cli + " report " + quoted(dir / "missing.txt") + " " + quoted(none)).status,
              1);
    EXPECT_TRUE(isUsageError(
        runTool(cli + " report " + quoted(in) + " " + quoted(none) + " --limit x"), "report"));
    EXPECT_TRUE(isUsageError(runTool(cli + " report " + quoted(in)), "report"));
    EXPECT_FALSE(fs::exists(none));
}

TEST(CliNoiseFigures, TheReportSpeaksTheLanguageAskedOrTheWindowsOne) {
    if (runTool("pdftotext -v").status != 0)
        GTEST_SKIP() << "poppler-utils are not installed";
    const auto dir = scratch("language");
    const fs::path in = shiftFile(dir);
    // a configuration of its own and a system language, never the user's
    auto report = [&](const std::string& env, const std::string& options) {
        const fs::path out = dir / "report.pdf";
        fs::remove(out);
        const auto r =
            runTool("env VREL_CONFIG_DIR=" + quoted(dir / "config") + " " + env + " " + cli +
                    " report " + quoted(in) + " " + quoted(out) + " --limit 85 " + options);
        EXPECT_EQ(r.status, 0) << r.err;
        return runTool("pdftotext " + quoted(out) + " -").out;
    };
    const std::string english = "Noise Measurement Report";
    const std::string turkish = "Gürültü Ölçüm Raporu";
    auto speaks = [&](const std::string& text, bool inEnglish) {
        EXPECT_NE(text.find(inEnglish ? english : turkish), std::string::npos) << text;
        EXPECT_EQ(text.find(inEnglish ? turkish : english), std::string::npos);
        EXPECT_EQ(text.find(inEnglish ? "Sayfa 1 / " : "Page 1 of "), std::string::npos);
    };
    const std::string c = "LANGUAGE= LC_ALL=C LC_MESSAGES=C LANG=C";
    const std::string en = "LANGUAGE=en_GB LC_ALL=en_GB.UTF-8 LANG=en_GB.UTF-8";
    speaks(report(c, "--lang en"), true);
    speaks(report(en, "--lang tr"), false);
    speaks(report(c, ""), false); // Turkish when nothing says otherwise
    speaks(report(en, ""), true); // the system's language
    // the language chosen in the window wins over the system's
    fs::create_directories(dir / "config" / "Vrel");
    std::ofstream(dir / "config" / "Vrel" / "Vrel.ini") << "[Interface]\r\nLanguage=tr\r\n";
    speaks(report(en, ""), false);
    std::ofstream(dir / "config" / "Vrel" / "Vrel.ini") << "[Interface]\r\nLanguage=en\r\n";
    speaks(report(c, ""), true);

    const auto wrong =
        runTool(cli + " report " + quoted(in) + " " + quoted(dir / "x.pdf") + " --lang de");
    EXPECT_TRUE(isUsageError(wrong, "report")) << wrong.err;
    EXPECT_NE(wrong.err.find("--lang takes tr or en"), std::string::npos) << wrong.err;
}

TEST(CliNoiseFigures, VersionAsTheWindowsProgram) {
    const auto r = runTool(cli + " --version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "vrel-cli 1.0\n");
}
