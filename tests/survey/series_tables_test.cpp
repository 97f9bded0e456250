// The tables of the survey's figures as every output reads them: each column
// takes the figure its key names, says it in both languages, and reads as a
// person expects.
#include "survey/SeriesTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <map>
#include <set>
#include <string>

namespace {

template <class Row> void expectWordedInBothLanguages(const FigureTable<Row>& table) {
    std::set<std::string> keys{table.key};
    EXPECT_GT(table.printWidth, 0.0);
    for (const TableColumn<Row>& c : table.columns) {
        EXPECT_TRUE(keys.insert(c.key).second) << "twice: " << c.key;
        EXPECT_NE(std::string(c.heading.turkish), "") << c.key;
        EXPECT_NE(std::string(c.heading.english), "") << c.key;
        EXPECT_GT(c.printWidth, 0.0) << c.key;
    }
}

// The value of each column by its key.
template <class Row>
std::map<std::string, std::optional<double>> valuesOf(const FigureTable<Row>& table,
                                                      const Row& row) {
    std::map<std::string, std::optional<double>> out;
    for (const TableColumn<Row>& c : table.columns)
        out[c.key] = c.value(row);
    return out;
}

TEST(SeriesTables, EveryColumnIsWordedInBothLanguagesAndFitsThePage) {
    expectWordedInBothLanguages(dailyFiguresTable());
    expectWordedInBothLanguages(hourlyFiguresTable());
    double width = dailyFiguresTable().printWidth;
    for (const auto& c : dailyFiguresTable().columns)
        width += c.printWidth;
    EXPECT_LE(width, 170.0) << "the report's daily table within the page's margins";
}

TEST(SeriesTables, EachColumnTakesTheFigureItsKeyNames) {
    DayFigures d;
    d.year = 2026;
    d.month = 3;
    d.day = 9;
    d.lday.level = 61;
    d.levening.level = 62;
    d.lnight.level = 63;
    d.lden = 64;
    d.laeq24 = 65;
    d.lmax = 66;
    d.coverage = 0.5;
    d.excluded = 0.25;
    d.residual = 0.125;
    EXPECT_EQ(dailyFiguresTable().name(d), "09-03-2026");
    const std::map<std::string, std::optional<double>> day = {
        {"Lday", 61}, {"Levening", 62}, {"Lnight", 63},   {"Lden", 64},      {"LAeq,24h", 65},
        {"Lmax", 66}, {"coverage", 50}, {"excluded", 25}, {"residual", 12.5}};
    EXPECT_EQ(valuesOf(dailyFiguresTable(), d), day);

    HourFigures h;
    h.year = 2026;
    h.month = 10;
    h.day = 25;
    h.hour = 2;
    // 60 dB for a second and 70 dB for another
    h.sum.count = 2;
    h.sum.energySeconds = 1e6 + 1e7;
    h.sum.seconds = 2;
    h.sum.min = static_cast<Centibel>(60 * centibelsPerDb);
    h.sum.max = static_cast<Centibel>(70 * centibelsPerDb);
    h.coverage = 0.25;
    h.excluded = 0.5;
    EXPECT_EQ(hourlyFiguresTable().name(h), "25-10-2026 02:00");
    const auto hour = valuesOf(hourlyFiguresTable(), h);
    EXPECT_EQ(hour.at("Lmax"), 70.0);
    EXPECT_EQ(hour.at("Lmin"), 60.0);
    EXPECT_NEAR(*hour.at("Leq"), 67.4, 0.05);
    EXPECT_EQ(hour.at("coverage"), 25.0);
    EXPECT_EQ(hour.at("excluded"), 50.0);
    EXPECT_EQ(hour.at("residual"), 0.0);
}

TEST(SeriesTables, ACellReadsWithItsDecimalsAndAShareWithItsSign) {
    DayFigures d;
    d.lday.level = 61.25;
    d.coverage = 0.99949;
    const auto& columns = dailyFiguresTable().columns;
    auto text = [&](const char* key) {
        for (const auto& c : columns)
            if (std::string(c.key) == key)
                return figureText(c, d, "–");
        return std::string("no such column");
    };
    EXPECT_EQ(text("Lday"), "61.2");
    EXPECT_EQ(text("Lnight"), "–") << "without readings";
    EXPECT_EQ(text("coverage"), "99.9 %") << "a day short of whole does not read as 100";

    // Without readings a span has no percentile levels, whatever they hold.
    SpanFigures empty;
    empty.l5 = empty.l10 = 55;
    for (const auto& row : spanFigureList())
        EXPECT_EQ(figureText(row, empty, "-"), "-") << row.key;
}

// Each span figure takes the figure its key names, in the weighting it is
// of, from a mixed span with residual readings; vrel-cli on one data file
// prints the same figures as on a folder.
TEST(SeriesTables, EachSpanFigureTakesTheFigureItsKeyNamesInItsWeighting) {
    SpanFigures f;
    f.sum.count = 10;
    f.sum.seconds = 100;
    f.sum.energySeconds = 100 * 1e6; // Leq 60
    f.sum.max = 7000;
    f.sum.min = 4000;
    f.countA = 6;
    f.countC = 4;
    f.l5 = 65;
    f.l10 = 64;
    f.l50 = 55;
    f.l90 = 45;
    f.l95 = 44;
    f.lex8h = 51;
    f.lden = 62;
    f.residual.count = 2;
    f.residual.seconds = 20;
    f.residual.energySeconds = 20 * 1e5; // Lres 50
    f.residualWeighting = "dBC";
    AcousticSummary file;
    file.leq = 60;
    file.lmax = 70;
    file.lmin = 40;
    file.ln = {65, 64, 55, 45, 44};
    file.sel = 80;

    struct Case {
        const char* key;
        double value;
        const char* weighting;
        std::optional<double> ofFile;
    };
    const double lspecific = 10 * std::log10(1e6 - 1e5);
    const Case cases[] = {
        {"Leq", 60, "mixed", 60},
        {"LEX,8h", 51, "dBA", {}},
        {"Lmax", 70, "mixed", 70},
        {"Lmin", 40, "mixed", 40},
        {"L5", 65, "mixed", 65},
        {"L10", 64, "mixed", 64},
        {"L50", 55, "mixed", 55},
        {"L90", 45, "mixed", 45},
        {"L95", 44, "mixed", 44},
        {"SEL", 80, "mixed", 80},
        {"Lden", 62, "mixed", {}},
        {"Lres", 50, "dBC", {}},
        {"Lspecific", lspecific, "mixed", {}},
    };
    ASSERT_EQ(spanFigureList().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const SpanFigure& figure = spanFigureList()[i];
        const Case& c = cases[i];
        ASSERT_EQ(std::string(figure.key), c.key) << "in the order every output shows them";
        EXPECT_NEAR(figure.value(f).value_or(0), c.value, 1e-9) << c.key;
        EXPECT_EQ(weightingOf(figure, f), c.weighting) << c.key;
        EXPECT_EQ(figure.ofFile ? std::optional(figure.ofFile(file)) : std::nullopt, c.ofFile)
            << c.key;
        EXPECT_NE(figure.outputs, 0u) << c.key << " shows nowhere";
        if ((figure.outputs & InCli) && figure.over != FigureSpan::ResidualSound) {
            EXPECT_TRUE(figure.ofFile) << c.key << " is printed for a folder, not for one file";
        }
    }
}

} // namespace
