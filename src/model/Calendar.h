#pragma once

#include <cstdint>

// The proleptic Gregorian calendar counted in days from 1970-01-01, both ways
// (Howard Hinnant's civil calendar algorithms). The clock, the meter's
// set-clock command and the survey's file times all count on it.
struct CivilDate {
    std::int64_t year = 1970;
    int month = 1; // 1-12
    int day = 1;
};

// Days since 1970-01-01 of a date; month 1-12, day 1-31 (a day past the
// month's end runs on into the next).
std::int64_t daysFromCivil(std::int64_t year, int month, int day);
CivilDate civilFromDays(std::int64_t days);
