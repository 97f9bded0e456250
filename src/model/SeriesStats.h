#pragma once

#include <array>
#include <string>

// The summary of one series, as the recording, the DATALOGGER window, the
// export and the printouts share it.
struct SeriesStats {
    double maxValue = 0.0;
    double minValue = 150.0;
    double average = 0.0;
    std::string maxTime;
    std::string maxUnit;
    std::string minUnit;
    std::string minTime;
    std::string startTime;
    double sum = 0.0;
    double samplingRate = 0.0;
};

// The ten sampling intervals in seconds, indexed 0..9 as in the interval boxes.
inline constexpr std::array<double, 10> sampleIntervals = {0.1, 0.2, 0.5, 1.0, 1.5,
                                                           2.0, 2.5, 3.0, 5.0, 10.0};
