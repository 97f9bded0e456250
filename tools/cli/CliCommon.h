#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Exit statuses of every command.
enum ExitStatus { exitOk = 0, exitFailure = 1, exitUsage = 2 };

// A JSON string literal of s.
std::string jsonString(std::string_view s);
// The shortest decimal text that reads back to the same double.
std::string jsonNumber(double v);

// A finite number written out in full, with a point for decimals whatever the
// user's locale; nothing for any other text.
std::optional<double> parseNumber(const std::string& text);

// The --interval of a command that samples the meter: one of the program's
// sampling intervals. Nothing for any other text, once standard error has
// been told why.
std::optional<double> readSamplingInterval(std::string_view command, const std::string& text);

// Parses one line of a hex capture: byte pairs, blanks allowed between bytes.
// Returns nullopt and sets error on a malformed line.
std::optional<std::vector<std::uint8_t>> parseHexLine(std::string_view line, std::string& error);

// Reads a capture: one chunk per line as hex digits, empty lines and lines
// starting with # skipped. Calls chunk for each line in order. A malformed line
// stops the run: its number and the fault go to standard error and the result
// is exitUsage; otherwise exitOk.
int forEachCaptureChunk(std::istream& in,
                        const std::function<void(const std::vector<std::uint8_t>&)>& chunk);

// The arguments of a command that takes only positional arguments, the
// options listed in valued (each followed by its value) and those in flags
// (alone). Returns false with a message on a malformed line; help is set for
// --help or -h.
struct CommandLine {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> flags;
    bool help = false;

    const std::string* option(std::string_view name) const;
    bool flag(std::string_view name) const;
};
bool parseCommandLine(const std::vector<std::string>& args,
                      const std::vector<std::string_view>& valued, CommandLine& line,
                      std::string& error, const std::vector<std::string_view>& flags = {});
// A wrong command line of the command named command (such as "decode live"):
// the fault and where the options are explained, two lines on standard error
// rather than the whole usage burying the fault. Returns exitUsage.
int usageError(std::string_view command, std::string_view fault);

// The same for the command named command, as every command begins: a
// malformed line is a usageError, --help prints the usage. Returns -1 to go
// on, or the exit status to end with.
int readCommandLine(std::string_view command, std::string_view usage,
                    const std::vector<std::string>& args,
                    const std::vector<std::string_view>& valued, CommandLine& line,
                    const std::vector<std::string_view>& flags = {});
