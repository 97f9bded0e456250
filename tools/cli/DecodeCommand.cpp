// vrel-cli decode live|logger: replays a capture of the meter's byte stream
// through the program's own receive path and prints what it decoded.
#include "CliCommon.h"
#include "Commands.h"

#include "model/Clock.h"
#include "protocol/MeterDecoder.h"

#include <cstdio>
#include <fstream>
#include <functional>
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

const char* const liveUsageText =
    "usage: vrel-cli decode live [--date DD-MM-YYYY] [CAPTURE]\n"
    "\n"
    "Feeds a capture of the meter's byte stream through the live receive path,\n"
    "one read per line, and prints the live state after each read as a JSON line.\n"
    "CAPTURE (default: standard input) holds one chunk per line as hex digits,\n"
    "two per byte, blanks allowed between bytes; empty lines and lines starting\n"
    "with # are skipped.\n"
    "\n"
    "  --date DD-MM-YYYY  the PC date that meterTime takes (default: today)\n";

const char* const loggerUsageText =
    "usage: vrel-cli decode logger [CAPTURE]\n"
    "\n"
    "Feeds a capture of the meter's answer to the memory request through the\n"
    "receive path, starting as the DataLogger command leaves it (download running,\n"
    "no answer seen, no set counted, nothing received, no readings), and prints\n"
    "the downloaded readings in order, one JSON line each with the keys value,\n"
    "dateTime, unit, setNumber and samplingRate; then a last line with the keys\n"
    "expectedLength (the progress maximum the answer announced) and ended (true\n"
    "when the download ended by itself: its end marker or an empty memory).\n"
    "A download that did not end has no readings.\n"
    "CAPTURE (default: standard input): as for decode live.\n"
    "\n"
    "Times are the meter's own clock as the dump holds it, counted on from each\n"
    "set's start on the calendar without time zone or daylight saving, so TZ\n"
    "does not change them.\n";

const char* const usageText = "usage: vrel-cli decode live [--date DD-MM-YYYY] [CAPTURE]\n"
                              "       vrel-cli decode logger [CAPTURE]\n"
                              "\n"
                              "vrel-cli decode live --help, vrel-cli decode logger --help\n"
                              "tell more.\n";

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
    return forEachCaptureChunk(in, [&decoder](const std::vector<std::uint8_t>& bytes) {
        const ReceiveEvents ev = decoder.OnMeterData(bytes.data(), bytes.size());
        printState(decoder, ev.redraw);
    });
}

int decodeLogger(std::istream& in) {
    SystemClock clock;
    MeterDecoder decoder(clock);
    decoder.beginLoggerDownload();
    bool ended = false;
    const int status =
        forEachCaptureChunk(in, [&decoder, &ended](const std::vector<std::uint8_t>& bytes) {
            ended = decoder.OnMeterData(bytes.data(), bytes.size()).loggerEnded || ended;
        });
    if (status != exitOk)
        return status;
    for (const CObjData& r : decoder.takeLoggerRecords())
        std::cout << "{\"value\":" << jsonNumber(r.value())
                  << ",\"dateTime\":" << jsonString(r.dateTime())
                  << ",\"unit\":" << jsonString(r.unit()) << ",\"setNumber\":" << r.setNumber()
                  << ",\"samplingRate\":" << jsonNumber(r.samplingRate()) << "}\n";
    std::cout << "{\"expectedLength\":" << decoder.expectedLength
              << ",\"ended\":" << (ended ? "true" : "false") << "}\n";
    return exitOk;
}

// Runs decode on the capture named (standard input for none or "-").
int withCapture(const std::optional<std::string>& capture, const char* command,
                const std::function<int(std::istream&)>& decode) {
    if (!capture || *capture == "-")
        return decode(std::cin);
    std::ifstream file(*capture, std::ios::binary);
    if (!file) {
        std::cerr << "vrel-cli " << command << ": cannot read '" << *capture << "'\n";
        return exitFailure;
    }
    return decode(file);
}

int runDecodeLogger(const std::vector<std::string>& args) {
    std::optional<std::string> capture;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << loggerUsageText;
            return exitOk;
        }
        if (!capture && (args[i] == "-" || args[i].rfind("--", 0) != 0)) {
            capture = args[i];
        } else {
            return usageError("decode logger", "unexpected argument '" + args[i] + "'");
        }
    }
    return withCapture(capture, "decode logger", decodeLogger);
}

} // namespace

int runDecode(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::cout << usageText;
        return args.empty() ? exitUsage : exitOk;
    }
    if (args[0] == "logger")
        return runDecodeLogger(args);
    if (args[0] != "live")
        return usageError("decode", "unknown stream '" + args[0] + "'");
    std::optional<FixedDateClock> dated;
    std::optional<std::string> capture;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << liveUsageText;
            return exitOk;
        }
        if (args[i] == "--date") {
            if (i + 1 >= args.size() || !(dated = parseDate(args[i + 1])))
                return usageError("decode live", "--date takes DD-MM-YYYY");
            ++i;
        } else if (!capture && (args[i] == "-" || args[i].rfind("--", 0) != 0)) {
            capture = args[i];
        } else {
            return usageError("decode live", "unexpected argument '" + args[i] + "'");
        }
    }
    SystemClock systemClock;
    const Clock& clock = dated ? static_cast<const Clock&>(*dated) : systemClock;
    return withCapture(capture, "decode live",
                       [&clock](std::istream& in) { return decodeLive(in, clock); });
}
