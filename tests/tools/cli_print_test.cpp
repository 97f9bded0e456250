#include "ToolRunner.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const std::string cli = VREL_CLI;

fs::path scratch(const std::string& name) {
    return emptyFolder(fs::path(VREL_TEST_TMP) / ("print-" + name));
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

// A data file of n readings a second apart from 10:00:00, a slow wave of levels.
fs::path dataFile(const fs::path& dir, int n) {
    const fs::path path = dir / "in.txt";
    std::ofstream f(path, std::ios::binary);
    f << "Kovra Sound Level Meter SamplingRate:1.0;\r\n";
    for (int i = 0; i < n; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "08-12-2026,%.2d:%.2d:%.2d, %5.2f, dBA\r\n", 10 + i / 3600,
                      i / 60 % 60, i % 60, 60.0 + 15.0 * std::sin(i / 7.0));
        f << line;
    }
    return path;
}

bool havePoppler() {
    return runTool("pdftoppm -v").status == 0 && runTool("pdftotext -v").status == 0;
}

// The PDF's pages as PNG files at 40 dots per inch, in page order; they stay
// next to the PDF for looking at.
std::vector<fs::path> pngPages(const fs::path& pdf) {
    const fs::path prefix = pdf.parent_path() / pdf.stem();
    const auto r = runTool("pdftoppm -r 40 -png " + quoted(pdf) + " " + quoted(prefix));
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<fs::path> pages;
    for (const auto& e : fs::directory_iterator(pdf.parent_path()))
        if (e.path().extension() == ".png" &&
            e.path().stem().string().starts_with(pdf.stem().string() + "-"))
            pages.push_back(e.path());
    std::sort(pages.begin(), pages.end()); // zero-padded page numbers sort as numbers
    return pages;
}

std::string pageText(const fs::path& pdf, int page) {
    const std::string p = std::to_string(page);
    return runTool("pdftotext -f " + p + " -l " + p + " " + quoted(pdf) + " -").out;
}

struct Ink {
    double dark = 0; // share of pixels darker than mid-grey
    int blue = 0;    // pixels tinted by the curve's blue
};

Ink inkOf(const fs::path& png) {
    const QImage image(QString::fromStdString(png.string()));
    Ink ink;
    if (image.isNull())
        return ink;
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            dark += qGray(c) < 128;
            ink.blue += qBlue(c) - std::max(qRed(c), qGreen(c)) > 40; // thin lines come out light
        }
    ink.dark = static_cast<double>(dark) / (image.width() * image.height());
    return ink;
}

// A4 portrait at 40 dots per inch.
void expectA4(const fs::path& png) {
    const QImage image(QString::fromStdString(png.string()));
    EXPECT_NEAR(image.width(), 210 / 25.4 * 40, 1.5) << png;
    EXPECT_NEAR(image.height(), 297 / 25.4 * 40, 1.5) << png;
}

TEST(CliPrint, DataPrintoutPagesAreNumberedAndHoldEveryReading) {
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils are not installed";
    const auto dir = scratch("data");
    const auto in = dataFile(dir, 200);
    const auto r = runTool(cli + " print data " + quoted(in) + " " + quoted(dir / "data.pdf"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const auto pages = pngPages(dir / "data.pdf");
    ASSERT_GE(pages.size(), 3u); // some 60 rows a page at this font
    for (std::size_t i = 0; i < pages.size(); ++i) {
        expectA4(pages[i]);
        EXPECT_GT(inkOf(pages[i]).dark, 0.002) << pages[i] << " is blank";
        const std::string text = pageText(dir / "data.pdf", static_cast<int>(i + 1));
        EXPECT_NE(text.find("Page -" + std::to_string(i + 1) + "-"), std::string::npos) << text;
        EXPECT_NE(text.find("Tablo"), std::string::npos);
    }
    EXPECT_NE(pageText(dir / "data.pdf", 1).find("Başlatma saati"), std::string::npos);
    const std::string last = pageText(dir / "data.pdf", static_cast<int>(pages.size()));
    EXPECT_NE(last.find("08-12-2026,10:03:19"), std::string::npos) << last; // reading 200
}

TEST(CliPrint, DiagramIsOnePageWithTheCurve) {
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils are not installed";
    const auto dir = scratch("diagram");
    const auto in = dataFile(dir, 150);
    const auto r =
        runTool(cli + " print diagram " + quoted(in) + " " + quoted(dir / "diagram.pdf"));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto pages = pngPages(dir / "diagram.pdf");
    ASSERT_EQ(pages.size(), 1u);
    expectA4(pages[0]);
    const Ink ink = inkOf(pages[0]);
    EXPECT_GT(ink.dark, 0.002);
    EXPECT_GT(ink.blue, 50) << "no curve";
    const std::string text = pageText(dir / "diagram.pdf", 1);
    // The unzoomed span of 150 readings is 20 x (16/15)^32 = 158 positions: the
    // fifth tick lies beyond the data and continues the step of the two before.
    for (const char* expected : {"Gerçek zaman eğrisi", "Başlatma saati", "130.0", "10:00:00",
                                 "10:00:32", "10:02:06", "10:02:37"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " missing in\n" << text;

    // Another resolution changes the dots, not the page.
    const auto low = runTool(cli + " print diagram " + quoted(in) + " " +
                             quoted(dir / "diagram150.pdf") + " --dpi 150");
    ASSERT_EQ(low.status, 0) << low.err;
    const auto lowPages = pngPages(dir / "diagram150.pdf");
    ASSERT_EQ(lowPages.size(), 1u);
    expectA4(lowPages[0]);
}

TEST(CliPrint, UnreadableTimeStopsTheLabelsButPrints) {
    const auto dir = scratch("time");
    std::ofstream(dir / "in.txt", std::ios::binary)
        << "Kovra Sound Level Meter SamplingRate:1.0;\r\nsoon, 50.00, dBA\r\nsoon, 51.00, dBA\r\n";
    const auto r =
        runTool(cli + " print diagram " + quoted(dir / "in.txt") + " " + quoted(dir / "d.pdf"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Time Format is wrong!"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(dir / "d.pdf"));
}

TEST(CliPrint, FailuresWriteNothing) {
    const auto dir = scratch("errors");
    const auto in = dataFile(dir, 10);
    std::ofstream(dir / "wrong.txt", std::ios::binary) << "Kovra\r\n";
    std::ofstream(dir / "none.txt", std::ios::binary)
        << "Kovra Sound Level Meter SamplingRate:1.0;\r\n";
    std::ofstream(dir / "old.pdf", std::ios::binary) << "old";

    auto r =
        runTool(cli + " print data " + quoted(dir / "wrong.txt") + " " + quoted(dir / "old.pdf"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Data Format is wrong!\n");
    r = runTool(cli + " print diagram " + quoted(dir / "none.txt") + " " + quoted(dir / "old.pdf"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("holds no readings"), std::string::npos);
    r = runTool(cli + " print diagram " + quoted(in) + " " + quoted(dir / "nowhere" / "x.pdf"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("x.pdf"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "nowhere"));

    std::ifstream old(dir / "old.pdf");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "old");
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().find("old.pdf."), std::string::npos) << e.path();
}

TEST(CliPrint, Usage) {
    const auto dir = scratch("usage");
    const std::string in = quoted(dataFile(dir, 3));
    const std::string out = quoted(dir / "o.pdf");
    for (const std::string& bad :
         {std::string("print"), "print table " + in + " " + out, "print data " + in,
          "print data " + in + " " + out + " --dpi", "print data " + in + " " + out + " --dpi 71",
          "print data " + in + " " + out + " --dpi 300x",
          "print data " + in + " " + out + " --zoom 2"}) {
        const auto r = runTool(cli + " " + bad);
        EXPECT_TRUE(isUsageError(r, "print")) << bad << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "o.pdf"));
    const auto help = runTool(cli + " print --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: vrel-cli print diagram|data FILE.txt OUT.pdf [--dpi N]\n", 0),
              0u);
}

} // namespace
