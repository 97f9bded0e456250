#include "config/ColorConfig.h"
#include "config/Language.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {
constexpr auto tr = Language::Turkish;
constexpr auto en = Language::English;
} // namespace

TEST(Language, CodesWithRegionAndEncoding) {
    EXPECT_EQ(parseLanguage("tr"), tr);
    EXPECT_EQ(parseLanguage("tr-TR"), tr);
    EXPECT_EQ(parseLanguage("en"), en);
    EXPECT_EQ(parseLanguage("en_GB.UTF-8"), en);
    for (const char* other : {"", "de", "C", "english", "entr", "t"})
        EXPECT_EQ(parseLanguage(other), std::nullopt) << other;
    EXPECT_STREQ(languageCode(en), "en");
    EXPECT_STREQ(languageCode(tr), "tr");
}

TEST(Language, CommandLineThenRememberedThenSystemThenTurkish) {
    EXPECT_EQ(chooseLanguage(en, tr, {"tr-TR"}), en);
    EXPECT_EQ(chooseLanguage(tr, en, {"en-US"}), tr);
    EXPECT_EQ(chooseLanguage(std::nullopt, en, {"tr-TR"}), en);
    // the first of the system's languages the program has
    EXPECT_EQ(chooseLanguage(std::nullopt, std::nullopt, {"de-DE", "en-US", "tr-TR"}), en);
    EXPECT_EQ(chooseLanguage(std::nullopt, std::nullopt, {"de-DE", "tr-TR", "en-US"}), tr);
    EXPECT_EQ(chooseLanguage(std::nullopt, std::nullopt, {"de-DE", "fr"}), tr);
    EXPECT_EQ(chooseLanguage(std::nullopt, std::nullopt, {}), tr);
}

TEST(Language, RememberedInTheProgramsSettingsNotInTheColourFile) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "vrel-language-test";
    fs::remove_all(dir);
    setAppDataFolderOverride(dir);
    const fs::path file = programSettingsPath();
    EXPECT_EQ(readLanguage(file), std::nullopt);

    GraphColors colours;
    colours.gridColor = rgb(1, 2, 3);
    ASSERT_TRUE(writeColorConfig(colorConfigPath(), colours));
    ASSERT_TRUE(writeLanguage(file, en));
    EXPECT_EQ(readLanguage(file), en);
    ASSERT_TRUE(writeLanguage(file, tr));
    EXPECT_EQ(readLanguage(file), tr);
    EXPECT_EQ(readColorConfig(colorConfigPath()), colours);
    EXPECT_EQ(readLanguage(colorConfigPath()), std::nullopt);

    // a language the program does not have counts as none chosen
    std::ofstream(file) << "[Interface]\r\nLanguage=de\r\n";
    EXPECT_EQ(readLanguage(file), std::nullopt);
    setAppDataFolderOverride(std::nullopt);
    fs::remove_all(dir);
}
