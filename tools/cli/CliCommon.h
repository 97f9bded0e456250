#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Exit statuses of every command.
enum ExitStatus { exitOk = 0, exitFailure = 1, exitUsage = 2 };

// A JSON string literal of s.
std::string jsonString(std::string_view s);
// The shortest decimal text that reads back to the same double.
std::string jsonNumber(double v);

// Parses one line of a hex capture: byte pairs, blanks allowed between bytes.
// Returns nullopt and sets error on a malformed line.
std::optional<std::vector<std::uint8_t>> parseHexLine(std::string_view line, std::string& error);
