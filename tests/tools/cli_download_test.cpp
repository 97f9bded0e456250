#include "ToolRunner.h"

#include "link/MeterSimulator.h"
#include "protocol/LoggerEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string cli = VREL_CLI;

fs::path scratch(const std::string& name) {
    const fs::path dir = fs::path(VREL_TEST_TMP) / ("download-" + name);
    fs::remove_all(dir);
    return dir;
}

// The companion against the simulated meter on a pseudo-terminal, played by
// this test program while the companion runs.
class CliDownload : public ::testing::Test {
  protected:
    void SetUp() override {
        QString error;
        if (!sim.start(&error))
            GTEST_SKIP() << "no pseudo-terminal: " << error.toStdString();
    }
    ToolResult download(const fs::path& dir) {
        return runTool(cli + " download --port '" + sim.devicePath().toStdString() +
                       "' --out-dir '" + dir.string() + "'");
    }
    MeterSimulator sim;
};

} // namespace

TEST_F(CliDownload, PrintsTheSetsAndWritesOneFileEach) {
    const fs::path dir = scratch("demo");
    const ToolResult r = download(dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\t07-12-2026,9:00:00\tdBA\t1.00\t60\n"
                     "2\t07-12-2026,12:30:00\tdBC\t2.00\t40\n"
                     "3\t07-12-2026,23:58:30\tdBA\t10.00\t20\n");
    EXPECT_EQ(r.err, "");
    const std::string second = slurp(dir / "set-2.txt");
    EXPECT_EQ(second.rfind("Kovra Sound Level Meter SamplingRate:2.0;\r\n"
                           "07-12-2026,12:30:00, 64.00, dBC\r\n"
                           "07-12-2026,12:30:02, 65.90, dBC\r\n",
                           0),
              0u)
        << second;
    EXPECT_EQ(std::count(second.begin(), second.end(), '\n'), 41);
    EXPECT_TRUE(fs::exists(dir / "set-1.txt"));
    EXPECT_TRUE(fs::exists(dir / "set-3.txt"));
    EXPECT_FALSE(fs::exists(dir / "set-4.txt"));
}

TEST_F(CliDownload, AnEmptyMemoryWritesNothing) {
    sim.setMemory({});
    const fs::path dir = scratch("empty");
    const ToolResult r = download(dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(CliDownload, ASilentMeterOrAMissingPortFails) {
    sim.silence(600);
    const fs::path dir = scratch("silent");
    ToolResult r = download(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "vrel-cli download: the meter did not answer\n");

    r = runTool(cli + " download --port /dev/no-such-meter --out-dir '" + dir.string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot open /dev/no-such-meter"), std::string::npos) << r.err;

    EXPECT_TRUE(isUsageError(runTool(cli + " download --port /dev/null"), "download"));
}
