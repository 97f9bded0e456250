#pragma once

// A weather station's readings turned into marks: the spans of wind above a
// limit at the microphone, or of rain, are left out of a survey's figures.

#include "model/Clock.h"
#include "survey/SurveyMarks.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct WeatherOptions {
    // Wind in m/s above which a row is left out; nothing: wind is not looked at.
    std::optional<double> windAbove = 5.0;
    // A row with rain (more than 0 mm) is left out.
    bool rain = false;
    // The header's names of the columns, matched without regard to case.
    std::string timeColumn = "time";
    std::string windColumn = "wind";
    std::string rainColumn = "rain";
};

// The exclude marks of a weather station's CSV file: a header naming the
// columns, then a row per reading, times as local ISO 8601 ("2026-11-02
// 22:30", with seconds and a UTC offset or Z when it has them; local times
// on clock). Each row covers the time to the next row, at most twice the
// file's usual step (the last row one step). Rows over the limit become
// marks labelled "wind" or "rain", joined where they touch.
struct WeatherMarks {
    std::vector<SurveyMark> marks;
    // Why the file cannot be read, naming the line that failed ("weather.csv
    // line 7: ..."); empty when it was read.
    std::string error;
};
WeatherMarks weatherMarks(std::string_view text, const std::string& name,
                          const WeatherOptions& options, const Clock& clock);
WeatherMarks readWeatherMarks(const std::string& path, const WeatherOptions& options,
                              const Clock& clock);

// Adds the marks that are not there already (the same span, kind and label):
// importing a file again adds nothing. Returns how many were added.
std::size_t addNewMarks(SurveyMarks& marks, const std::vector<SurveyMark>& add);
