#include "model/Calendar.h"

#include <gtest/gtest.h>

TEST(Calendar, CountsDaysFromTheEpoch) {
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(daysFromCivil(1969, 12, 31), -1);
    EXPECT_EQ(daysFromCivil(2000, 3, 1), 11017);
    EXPECT_EQ(daysFromCivil(2024, 2, 29) + 1, daysFromCivil(2024, 3, 1));
    EXPECT_EQ(daysFromCivil(2023, 2, 28) + 1, daysFromCivil(2023, 3, 1));
    EXPECT_EQ(daysFromCivil(1900, 2, 28) + 1, daysFromCivil(1900, 3, 1)) << "1900 is no leap year";
}

TEST(Calendar, ADayPastTheMonthRunsOn) {
    EXPECT_EQ(daysFromCivil(2023, 2, 29), daysFromCivil(2023, 3, 1));
}

TEST(Calendar, DaysBackToTheDate) {
    for (std::int64_t days : {-719468LL, -1LL, 0LL, 11016LL, 11017LL, 19782LL, 2932896LL}) {
        const CivilDate d = civilFromDays(days);
        EXPECT_EQ(daysFromCivil(d.year, d.month, d.day), days) << days;
    }
    const CivilDate leap = civilFromDays(daysFromCivil(2024, 2, 29));
    EXPECT_EQ(leap.year, 2024);
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);
    const CivilDate before = civilFromDays(-1);
    EXPECT_EQ(before.year, 1969);
    EXPECT_EQ(before.month, 12);
    EXPECT_EQ(before.day, 31);
}
