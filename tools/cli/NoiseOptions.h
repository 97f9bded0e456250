#pragma once

#include "CliCommon.h"

#include "model/NoiseRules.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The options of the workplace and environmental figures, shared by
// vrel-cli stats and vrel-cli report.
inline const std::vector<std::string_view> noiseOptionNames = {"--shift", "--intervals",
                                                               "--periods"};

// The usage lines of the options.
extern const char* const noiseOptionsUsage;

struct NoiseOptions {
    NoiseSettings settings;
    bool exposure = false;    // --shift given
    bool environment = false; // --intervals given
};

// Reads --shift HOURS|measured, --intervals 1m|5m|15m|1h, --periods D,E,N.
// On a wrong value sets error and returns nothing.
std::optional<NoiseOptions> readNoiseOptions(const CommandLine& line, std::string& error);

// Prints the exposure (when asked) and environmental (when asked) figures as
// NAME<TAB>VALUE<TAB>UNIT lines, then one line per interval.
void printNoiseFigures(const NoiseFigures& figures, const NoiseOptions& options);
