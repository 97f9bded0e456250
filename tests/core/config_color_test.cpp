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
    void write(const std::string& text) {
        fs::create_directories(colorConfigPath().parent_path());
        std::ofstream(colorConfigPath()) << text;
    }
    std::string read() {
        std::ifstream in(colorConfigPath(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir;
};

TEST_F(ColorFileTest, WithoutAFileTheDefaultColoursApply) {
    EXPECT_EQ(colorConfigPath(), dir / "Vrel" / "ColorConfig.ini") << "in the program's folder";
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

TEST_F(ColorFileTest, AnEarlierVersionsFilesMoveIntoTheProgramsFolderOnce) {
    auto put = [](const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    };
    auto slurp = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    };
    const std::string colours = "[Vrel_GRIDCOLOR]\r\nRVALUE=9\r\n[Vrel_LIMIT]\r\nENABLED=1\r\n"
                                "VALUE=72.5\r\n[Vrel_LANGUAGE]\r\nLANGUAGE=en\r\n";
    put(dir / "ColorConfig.ini", colours);
    put(dir / "Report.ini", "[Title]\nSite=Yard\n[Figures]\nIntervalSeconds=300\n");
    moveEarlierSettings();

    EXPECT_FALSE(fs::exists(dir / "ColorConfig.ini"));
    EXPECT_FALSE(fs::exists(dir / "Report.ini"));
    EXPECT_EQ(readColorConfig(colorConfigPath()).gridColor, rgb(9, 0, 255));
    EXPECT_EQ(readLevelLimit(colorConfigPath()), 72.5);
    EXPECT_EQ(ProfileFile::load(dir / "Vrel" / "Report.ini").value("Title", "Site"), "Yard");
    // the language leaves the colour file for the program's own settings
    EXPECT_EQ(readLanguage(programSettingsPath()), Language::English);
    EXPECT_FALSE(ProfileFile::load(colorConfigPath()).hasSection("Vrel_LANGUAGE"));
    EXPECT_EQ(programSettingsPath(), dir / "Vrel" / "Vrel.ini");

    // once: a file left later in the old place never replaces the program's
    const std::string moved = slurp(colorConfigPath());
    put(dir / "ColorConfig.ini", "[Vrel_BKCOLOR]\r\nRVALUE=1\r\n");
    moveEarlierSettings();
    EXPECT_EQ(slurp(colorConfigPath()), moved);
    EXPECT_TRUE(fs::exists(dir / "ColorConfig.ini"));
}

TEST_F(ColorFileTest, AnotherProgramsFilesOfTheSameNameStayWhereTheyAre) {
    std::ofstream(dir / "ColorConfig.ini") << "[Palette]\nRVALUE=1\n";
    std::ofstream(dir / "Report.ini") << "[Title]\nName=x\n";
    moveEarlierSettings();
    EXPECT_TRUE(fs::exists(dir / "ColorConfig.ini"));
    EXPECT_TRUE(fs::exists(dir / "Report.ini"));
    EXPECT_FALSE(fs::exists(dir / "Vrel"));
}

TEST(ColorFolder, TheOverrideThenTheEnvironmentChooseTheFolder) {
    const char* oldVrel = std::getenv("VREL_CONFIG_DIR");
    const std::string saved = oldVrel ? oldVrel : "";
    setAppDataFolderOverride(std::nullopt);
    ::setenv("VREL_CONFIG_DIR", "/tmp/vrel-env-dir", 1);
    EXPECT_EQ(colorConfigPath(), fs::path("/tmp/vrel-env-dir/Vrel/ColorConfig.ini"));
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
