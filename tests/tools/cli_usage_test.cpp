// A wrong command line answered in two lines: the fault, then where the options are, so the
// fault is not lost above sixty lines of help.
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string cli = VREL_CLI;

TEST(CliUsage, TheBrokerCommandsNameTheFaultAndTheirHelp) {
    const std::string out =
        " --out-dir '" + emptyFolder(std::string(VREL_TEST_TMP) + "/usage-collect").string() + "'";
    const struct {
        std::string command;
        std::string args;
        std::string says;
    } wrong[] = {
        {"collect", "--mqtt http://broker" + out, "--mqtt wants mqtt://host"},
        {"collect", "--mqtt mqtt://broker --site 'North Yard'" + out, "--site wants"},
        {"collect", "--mqtt mqtt://broker --mqtt-password x" + out, "never from the command line"},
        {"collect", "--mqtt mqtt://broker" + out + " extra", "unexpected argument 'extra'"},
        {"collect", "--mqtt mqtt://broker --qos 2" + out, "unknown option '--qos'"},
        {"survey", "--interval 1 --qos 2" + out, "unknown option '--qos'"},
        {"survey", "--interval 0.3" + out, "0.1, 0.2, 0.5"},
    };
    for (const auto& w : wrong) {
        const ToolResult r = runTool(cli + " " + w.command + " " + w.args);
        EXPECT_TRUE(isUsageError(r, w.command)) << w.args << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, w.says)) << w.args << "\n" << r.err;
    }
}

TEST(CliUsage, AnUnknownCommandPointsToTheCommandsList) {
    const ToolResult r = runTool(cli + " surveys --interval 1");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "vrel-cli: unknown command 'surveys'\nvrel-cli --help shows the commands\n");
    const ToolResult help = runTool(cli + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("usage: vrel-cli COMMAND")) << help.out;
}

} // namespace
