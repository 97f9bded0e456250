#include "config/ColorConfig.h"
#include "config/ProfileFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class ColorFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vrel-color-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        setAppDataFolderOverride(dir);
    }
    void TearDown() override {
        setAppDataFolderOverride(std::nullopt);
        fs::remove_all(dir);
    }
    void write(const std::string& text) { std::ofstream(colorConfigPath()) << text; }
    std::string read() {
        std::ifstream in(colorConfigPath(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir;
};

TEST_F(ColorFileTest, WithoutAFileTheDefaultColoursApply) {
    EXPECT_EQ(colorConfigPath(), dir / "ColorConfig.ini");
    const GraphColors c = readColorConfig(colorConfigPath());
    EXPECT_EQ(c.backColor, rgb(0, 100, 100));
    EXPECT_EQ(c.gridColor, rgb(255, 0, 255));
    EXPECT_EQ(c.lineColor, rgb(0, 0, 255));
    EXPECT_EQ(c.backColor, 0x646400u) << "red in the low byte";
}

TEST_F(ColorFileTest, OnlyTheLowEightBitsOfEachNumberCountAndMissingKeysDefault) {
    write("[Vrel_BKCOLOR]\nRVALUE=300\nGVALUE=-1\nBVALUE=256\n"
          "[vrel_gridcolor]\r\nrvalue = 12\r\n"
          "[Vrel_LINECOLOR]\nRVALUE=abc\nGVALUE=7x\nBVALUE=99999999999999999999\n");
    const GraphColors c = readColorConfig(colorConfigPath());
    EXPECT_EQ(c.backColor, rgb(44, 255, 0));
    EXPECT_EQ(c.gridColor, rgb(12, 0, 255));
    EXPECT_EQ(redOf(c.lineColor), 0);
    EXPECT_EQ(greenOf(c.lineColor), 7);
    EXPECT_LE(blueOf(c.lineColor), 255);
}

TEST_F(ColorFileTest, WritingStoresAllNineKeysInOrderAndReadsBack) {
    fs::remove_all(dir);
    const GraphColors colors{rgb(1, 2, 3), rgb(4, 5, 6), rgb(7, 8, 9)};
    ASSERT_TRUE(writeColorConfig(colorConfigPath(), colors)) << "creates the folder";
    EXPECT_EQ(read(), "[Vrel_BKCOLOR]\r\nRVALUE=1\r\nGVALUE=2\r\nBVALUE=3\r\n"
                      "[Vrel_GRIDCOLOR]\r\nRVALUE=4\r\nGVALUE=5\r\nBVALUE=6\r\n"
                      "[Vrel_LINECOLOR]\r\nRVALUE=7\r\nGVALUE=8\r\nBVALUE=9\r\n");
    EXPECT_EQ(readColorConfig(colorConfigPath()), colors);
}

TEST_F(ColorFileTest, WritingKeepsTheRestOfTheFile) {
    write("; kept\n[Other]\nA=1\n\n[Vrel_BKCOLOR]\nGVALUE=300\nExtra=yes\n");
    ASSERT_TRUE(writeColorConfig(colorConfigPath(), GraphColors{}));
    const ProfileFile p = ProfileFile::load(colorConfigPath());
    EXPECT_EQ(p.value("Other", "A"), "1");
    EXPECT_EQ(p.value("Vrel_BKCOLOR", "Extra"), "yes");
    EXPECT_EQ(p.intValue("Vrel_BKCOLOR", "GVALUE", -5), 100);
    EXPECT_EQ(p.intValue("Vrel_LINECOLOR", "BVALUE", -5), 255);
    EXPECT_EQ(read().rfind("; kept\r\n", 0), 0u);
}

TEST_F(ColorFileTest, TheLevelLimitIsOffByDefaultAndRoundTripsBesideTheColours) {
    EXPECT_FALSE(readLevelLimit(colorConfigPath())) << "no file";
    const GraphColors colors{rgb(1, 2, 3), rgb(4, 5, 6), rgb(7, 8, 9)};
    ASSERT_TRUE(writeColorConfig(colorConfigPath(), colors));
    EXPECT_FALSE(readLevelLimit(colorConfigPath())) << "no section";

    ASSERT_TRUE(writeLevelLimit(colorConfigPath(), 85.5));
    EXPECT_EQ(readLevelLimit(colorConfigPath()), 85.5);
    EXPECT_EQ(readColorConfig(colorConfigPath()), colors) << "the colours stay";
    const ProfileFile p = ProfileFile::load(colorConfigPath());
    EXPECT_EQ(p.value("Vrel_LIMIT", "ENABLED"), "1");
    EXPECT_EQ(p.value("Vrel_LIMIT", "VALUE"), "85.5");

    ASSERT_TRUE(writeLevelLimit(colorConfigPath(), std::nullopt));
    EXPECT_FALSE(readLevelLimit(colorConfigPath()));
    EXPECT_EQ(ProfileFile::load(colorConfigPath()).value("Vrel_LIMIT", "VALUE"), "85.5")
        << "switching off keeps the last value";
    EXPECT_EQ(readColorConfig(colorConfigPath()), colors);
}

TEST_F(ColorFileTest, ALevelLimitThatIsNoLevelReadsAsOff) {
    for (const char* value : {"abc", "", "-1", "1000", "nan", "inf"}) {
        write(std::string("[Vrel_LIMIT]\nENABLED=1\nVALUE=") + value + "\n");
        EXPECT_FALSE(readLevelLimit(colorConfigPath())) << value;
    }
    write("[vrel_limit]\nenabled=1\nvalue= 70\n");
    EXPECT_EQ(readLevelLimit(colorConfigPath()), 70.0);
    write("[Vrel_LIMIT]\nENABLED=0\nVALUE=70\n");
    EXPECT_FALSE(readLevelLimit(colorConfigPath()));
}

TEST(ColorFolder, TheOverrideThenTheEnvironmentChooseTheFolder) {
    const char* oldVrel = std::getenv("VREL_CONFIG_DIR");
    const std::string saved = oldVrel ? oldVrel : "";
    setAppDataFolderOverride(std::nullopt);
    ::setenv("VREL_CONFIG_DIR", "/tmp/vrel-env-dir", 1);
    EXPECT_EQ(colorConfigPath(), fs::path("/tmp/vrel-env-dir/ColorConfig.ini"));
    setAppDataFolderOverride(fs::path("/tmp/other"));
    EXPECT_EQ(appDataFolder(), fs::path("/tmp/other"));
    setAppDataFolderOverride(std::nullopt);
    ::unsetenv("VREL_CONFIG_DIR");
#if !defined(_WIN32) && !defined(__APPLE__)
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(appDataFolder(), fs::path("/tmp/xdg"));
    ::unsetenv("XDG_CONFIG_HOME");
    if (const char* home = std::getenv("HOME")) {
        EXPECT_EQ(appDataFolder(), fs::path(home) / ".config");
    }
    if (oldXdg)
        ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
#endif
    if (oldVrel)
        ::setenv("VREL_CONFIG_DIR", saved.c_str(), 1);
}

} // namespace
