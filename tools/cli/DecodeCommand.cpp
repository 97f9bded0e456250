// vrel-cli decode live: replays a capture of the meter's byte stream through the
// program's own receive path and prints the live state after every chunk.
#include "CliCommon.h"
#include "Commands.h"

#include "link/MeterDecoder.h"
#include "model/Clock.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>

namespace {

// The PC clock with its date replaced, so a capture decodes the same any day.
class FixedDateClock final : public Clock {
  public:
    FixedDateClock(int day, int month, int year) : day_(day), month_(month), year_(year) {}
    std::time_t now() const override { return system_.now(); }
    LocalTime local(std::time_t t) const override {
        LocalTime lt = system_.local(t);
        lt.day = day_;
        lt.month = month_;
        lt.year = year_;
        return lt;
    }

  private:
    SystemClock system_;
    int day_, month_, year_;
};

std::optional<FixedDateClock> parseDate(const std::string& text) {
    int d = 0, m = 0, y = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2d-%2d-%4d%c", &d, &m, &y, &tail) != 3 || text.size() != 10)
        return std::nullopt;
    if (d < 1 || d > 31 || m < 1 || m > 12 || y < 1)
        return std::nullopt;
    return FixedDateClock(d, m, y);
}

const char* const usageText =
    "usage: vrel-cli decode live [--date DD-MM-YYYY] [CAPTURE]\n"
    "\n"
    "Feeds a capture of the meter's byte stream through the live receive path,\n"
    "one read per line, and prints the live state after each read as a JSON line.\n"
    "CAPTURE (default: standard input) holds one chunk per line as hex digits,\n"
    "two per byte, blanks allowed between bytes; empty lines and lines starting\n"
    "with # are skipped.\n"
    "\n"
    "  --date DD-MM-YYYY  the PC date that meterTime takes (default: today)\n";

void printState(const MeterDecoder& d, bool redraw) {
    const LiveState& s = d.state;
    auto b = [](bool v) { return v ? "true" : "false"; };
    std::cout << "{\"level\":" << jsonNumber(s.level)
              << ",\"meterTime\":" << jsonString(s.meterTime) << ",\"range\":" << s.range
              << ",\"fast\":" << b(s.fast) << ",\"meterRec\":" << b(s.meterRec)
              << ",\"weightingA\":" << b(s.weightingA) << ",\"maxMode\":" << b(s.maxMode)
              << ",\"minMode\":" << b(s.minMode) << ",\"hold\":" << b(s.hold)
              << ",\"under\":" << b(s.under) << ",\"over\":" << b(s.over)
              << ",\"stopKeyFlag\":" << b(s.stopKeyFlag) << ",\"barFrozen\":" << b(s.barFrozen)
              << ",\"digitsFrozen\":" << b(s.digitsFrozen)
              << ",\"recvText\":" << jsonString(d.recvText) << ",\"redraw\":" << b(redraw) << "}\n";
}

int decodeLive(std::istream& in, const Clock& clock) {
    MeterDecoder decoder(clock);
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::string error;
        const auto bytes = parseHexLine(line, error);
        if (!bytes) {
            std::cout.flush();
            std::cerr << "vrel-cli: line " << lineNumber << ": " << error << "\n";
            return exitUsage;
        }
        const ReceiveEvents ev = decoder.OnMeterData(bytes->data(), bytes->size());
        printState(decoder, ev.redraw);
    }
    return exitOk;
}

} // namespace

int runDecode(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::cout << usageText;
        return args.empty() ? exitUsage : exitOk;
    }
    if (args[0] != "live") {
        std::cerr << "vrel-cli decode: unknown stream '" << args[0] << "'\n" << usageText;
        return exitUsage;
    }
    std::optional<FixedDateClock> dated;
    std::optional<std::string> capture;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << usageText;
            return exitOk;
        }
        if (args[i] == "--date") {
            if (i + 1 >= args.size() || !(dated = parseDate(args[i + 1]))) {
                std::cerr << "vrel-cli decode live: --date takes DD-MM-YYYY\n";
                return exitUsage;
            }
            ++i;
        } else if (!capture && (args[i] == "-" || args[i].rfind("--", 0) != 0)) {
            capture = args[i];
        } else {
            std::cerr << "vrel-cli decode live: unexpected argument '" << args[i] << "'\n"
                      << usageText;
            return exitUsage;
        }
    }
    SystemClock systemClock;
    const Clock& clock = dated ? static_cast<const Clock&>(*dated) : systemClock;
    if (!capture || *capture == "-")
        return decodeLive(std::cin, clock);
    std::ifstream file(*capture, std::ios::binary);
    if (!file) {
        std::cerr << "vrel-cli decode live: cannot read '" << *capture << "'\n";
        return exitFailure;
    }
    return decodeLive(file, clock);
}
