// vrel-cli ports, monitor and record: the meter's live side without a window,
// for surveys run beside the meter and for scripts.
#include "CliCommon.h"
#include "Commands.h"
#include "LiveSession.h"

#include "formats/SpreadsheetExport.h"
#include "formats/TextDataFile.h"
#include "model/TextFormat.h"
#include "recording/Recording.h"
#include "session/RecordingRun.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {

const char* const portsUsage =
    "usage: vrel-cli ports\n"
    "\n"
    "Lists the serial ports, one a line, tab-separated: the device path (or COM\n"
    "name), the friendly name, the USB vendor:product ids in hex (- when the\n"
    "system knows none), and \"meter\" on the port that automatic detection\n"
    "would choose (the last one of a Silicon Labs CP210x USB to UART bridge).\n"
    "\n"
    "Exit status 0; 2 for a wrong command line.\n";

const char* const monitorUsage =
    "usage: vrel-cli monitor [--port PATH] [--json] [--seconds N]\n"
    "\n"
    "Opens the meter and prints one line per decoded frame: the PC's date and\n"
    "time, the level with one decimal, the weighting, FAST or SLOW, the range\n"
    "(30-80, 50-100, 80-130 or AUTO) and the annunciators that are on (MAX,\n"
    "MIN, REC, HOLD, OVER, UNDER). While the meter is on HOLD it sends no\n"
    "frames; a line with HOLD marks the start. Frames that come faster than\n"
    "lines can be written are merged into the latest.\n"
    "\n"
    "  --port PATH  the meter's port: a device path, a COM name or a number\n"
    "               (default: automatic detection, as the desktop program does)\n"
    "  --json       one JSON object a line instead, with the keys time, level,\n"
    "               weighting, response, range, annunciators (an array) and\n"
    "               meterTime (the meter's clock on the PC's date)\n"
    "  --seconds N  end after N seconds (default: run until Ctrl+C)\n"
    "\n"
    "Two seconds without data from the meter are reported on standard error.\n"
    "\n"
    "A device that goes away (a pulled cable) is waited for and its port opened\n"
    "again when it is back.\n"
    "\n"
    "Exit status 0; 1 when the port is missing, busy or cannot be opened, or no\n"
    "frame came at all; 2 for a wrong command line.\n";

const char* const recordUsage =
    "usage: vrel-cli record [--port PATH] --interval S --count N --out FILE.txt\n"
    "                       [--xls FILE.xls]\n"
    "\n"
    "Records the meter's level in real time as the desktop program's recording\n"
    "does: every S seconds a tick takes one sample, except while the meter is\n"
    "on HOLD or not connected (such a tick takes none). Each sample is appended\n"
    "to FILE.txt, in the text data file format, and handed to the system at\n"
    "once, so a killed process or a pulled cable loses at most the sample being\n"
    "taken. Progress, with the running Leq, goes to standard error.\n"
    "\n"
    "  --port PATH     the meter's port (default: automatic detection)\n"
    "  --interval S    seconds between ticks: 0.1, 0.2, 0.5, 1, 1.5, 2, 2.5, 3,\n"
    "                  5 or 10\n"
    "  --count N       samples to take, 1 to 40000\n"
    "  --out FILE.txt  the text data file, created or replaced once the port\n"
    "                  is open\n"
    "  --xls FILE.xls  at the end, also export the recording as the main\n"
    "                  view's \"Excel'e aktar\" does (tab-separated text)\n"
    "\n"
    "The recording ends after N samples, on Ctrl+C or SIGTERM (the file is\n"
    "complete), or when the meter, its port open, sends nothing for two seconds\n"
    "(the file keeps every sample taken). When its device goes away (a pulled\n"
    "cable) the recording waits for it and goes on once it is back; no tick\n"
    "takes a level the meter sent more than a second before.\n"
    "\n"
    "Exit status 0 after N samples or Ctrl+C; 1 when the port is missing, busy\n"
    "or cannot be opened, the meter falls silent, or a file cannot be written;\n"
    "2 for a wrong command line.\n";

// Parses the command line; flags are taken out first. Returns -1 to go on or
// the exit status to end with.
int checkLine(const std::string& command, const char* usage, std::vector<std::string> args,
              const std::vector<std::string_view>& valued, const std::vector<std::string>& flags,
              CommandLine& line, std::vector<std::string>& flagsSet) {
    for (const std::string& flag : flags) {
        const auto it = std::remove(args.begin(), args.end(), flag);
        if (it != args.end())
            flagsSet.push_back(flag);
        args.erase(it, args.end());
    }
    if (const int status = readCommandLine(command, usage, args, valued, line); status >= 0)
        return status;
    if (!line.positional.empty())
        return usageError(command, "unexpected argument '" + line.positional[0] + "'");
    return -1;
}

bool has(const std::vector<std::string>& flags, std::string_view flag) {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::optional<std::string> optionalValue(const CommandLine& line, std::string_view name) {
    if (const std::string* v = line.option(name))
        return *v;
    return std::nullopt;
}

const char* rangeText(int range) {
    switch (range) {
    case 1:
        return "30-80";
    case 2:
        return "50-100";
    case 3:
        return "80-130";
    case 4:
        return "AUTO";
    default:
        return "-";
    }
}

std::vector<const char*> annunciators(const LiveState& s) {
    std::vector<const char*> on;
    if (s.maxMode)
        on.push_back("MAX");
    if (s.minMode)
        on.push_back("MIN");
    if (s.meterRec)
        on.push_back("REC");
    if (s.hold)
        on.push_back("HOLD");
    if (s.over)
        on.push_back("OVER");
    if (s.under)
        on.push_back("UNDER");
    return on;
}

std::string levelText(double level) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", level);
    return buf;
}

void printReading(const LiveState& s, bool json) {
    const std::string time = recordTimeStamp(appClock().localNow());
    const std::string weighting = s.weightingA ? "dBA" : "dBC";
    const char* response = s.fast ? "FAST" : "SLOW";
    if (json) {
        std::cout << "{\"time\":" << jsonString(time) << ",\"level\":" << levelText(s.level)
                  << ",\"weighting\":" << jsonString(weighting)
                  << ",\"response\":" << jsonString(response)
                  << ",\"range\":" << jsonString(rangeText(s.range)) << ",\"annunciators\":[";
        const auto on = annunciators(s);
        for (std::size_t i = 0; i < on.size(); ++i)
            std::cout << (i ? "," : "") << jsonString(on[i]);
        std::cout << "],\"meterTime\":" << jsonString(s.meterTime) << "}\n";
    } else {
        std::cout << time << ' ' << levelText(s.level) << ' ' << weighting << ' ' << response << ' '
                  << rangeText(s.range);
        for (const char* word : annunciators(s))
            std::cout << ' ' << word;
        std::cout << '\n';
    }
    std::cout.flush();
}

} // namespace

int runPorts(const std::vector<std::string>& args) {
    CommandLine line;
    std::vector<std::string> flags;
    if (const int status = checkLine("ports", portsUsage, args, {}, {}, line, flags); status >= 0)
        return status;
    const std::vector<SSerInfo> ports = companionSerialPorts();
    const auto meter = findMeterPort(ports);
    // The last matching entry is the meter's, as automatic detection takes it.
    std::size_t meterIndex = ports.size();
    if (meter)
        for (std::size_t i = 0; i < ports.size(); ++i)
            if (ports[i].devicePath == meter->devicePath)
                meterIndex = i;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const SSerInfo& p = ports[i];
        std::cout << (p.devicePath.empty() ? p.portName : p.devicePath) << '\t' << p.friendlyName
                  << '\t';
        if (p.vendorId >= 0 && p.productId >= 0) {
            char ids[32];
            std::snprintf(ids, sizeof ids, "%04x:%04x", p.vendorId, p.productId);
            std::cout << ids;
        } else {
            std::cout << '-';
        }
        if (i == meterIndex)
            std::cout << "\tmeter";
        std::cout << '\n';
    }
    return exitOk;
}

int runMonitor(const std::vector<std::string>& args) {
    CommandLine line;
    std::vector<std::string> flags;
    if (const int status = checkLine("monitor", monitorUsage, args, {"--port", "--seconds"},
                                     {"--json"}, line, flags);
        status >= 0)
        return status;
    const bool json = has(flags, "--json");
    std::optional<double> seconds;
    if (const std::string* s = line.option("--seconds")) {
        seconds = parseNumber(*s);
        if (!seconds || *seconds <= 0 || *seconds > 1e6)
            return usageError("monitor", "--seconds wants a positive number, not '" + *s + "'");
    }

    LiveSession session("monitor");
    if (!session.open(optionalValue(line, "--port")))
        return exitFailure;
    long frames = 0;
    bool holdShown = false;
    auto finish = [&session, &frames] {
        if (frames == 0) {
            std::cerr << session.prefix() << "no frame came from the meter on "
                      << session.portPath().toStdString() << "\n";
            session.end(exitFailure);
        } else {
            session.end(exitOk);
        }
    };
    QObject::connect(&session.link(), &MeterLink::redrawNeeded, &session.link(), [&] {
        const MeterLink::Snapshot snap = session.link().snapshot();
        if (!hasReading(snap.state))
            return;
        ++frames;
        holdShown = snap.state.hold;
        printReading(snap.state, json);
    });
    session.onWatch = [&](const MeterLink::Snapshot& snap) {
        // HOLD replaces the frames, so its start shows in no frame of its own.
        if (snap.state.hold && !holdShown && hasReading(snap.state)) {
            holdShown = true;
            printReading(snap.state, json);
        }
    };
    session.onSilence = [&session] {
        std::cerr << session.prefix() << "no data from the meter for 2 seconds\n";
    };
    session.onResumed = [&session] { std::cerr << session.prefix() << "the meter sends again\n"; };
    session.onInterrupt = finish;
    session.onPortLost = [&session](const QString& reason) {
        std::cerr << session.prefix() << reason.toStdString() << "; waiting for "
                  << session.portPath().toStdString() << " to come back\n";
    };
    session.onReopened = [&session] {
        std::cerr << session.prefix() << "opened " << session.portPath().toStdString()
                  << " again\n";
    };
    if (seconds)
        QTimer::singleShot(static_cast<int>(std::lround(*seconds * 1000)), finish);
    return session.run();
}

namespace {

// The real-time recording of the desktop program, writing every sample
// through at once.
class Recorder {
  public:
    Recorder(LiveSession& session, double interval, int count, std::string out,
             std::optional<std::string> xls)
        : session_(session), run_(series_, [&session] { return liveSample(session.meter()); }),
          interval_(interval), out_(std::move(out)), xls_(std::move(xls)),
          progressInPlace_(isatty(2) != 0) {
        run_.setSampleLimit(count);
        QObject::connect(&run_, &RecordingRun::sampled, &run_,
                         [this](const CObjData& sample) { write(sample); });
        QObject::connect(&run_, &RecordingRun::holdBegan, &run_,
                         [this] { message("the meter is on HOLD: no samples until it ends"); });
        QObject::connect(&run_, &RecordingRun::holdEnded, &run_, [this](long skipped) {
            message("HOLD ended, " + countOf(skipped, "tick", "ticks") + " skipped");
        });
        QObject::connect(&run_, &RecordingRun::ended, &run_,
                         [this](RecordingRun::End why) { ended(why); });
        session_.onSilence = [this] { run_.endByMeter(GapCause::Silence); };
        // A pulled cable is waited for: the recording goes on once the port is
        // back, and no tick takes a level from before the pull.
        session_.onPortLost = [this](const QString& reason) {
            message(reason.toStdString() + "; waiting for " + session_.portPath().toStdString() +
                    " to come back");
        };
        session_.onReopened = [this] {
            message("opened " + session_.portPath().toStdString() + " again");
        };
        session_.onInterrupt = [this] { finish(exitOk, "interrupted"); };
    }

    bool start() {
        std::string error;
        if (!file_.open(out_, interval_, &error)) {
            std::cerr << session_.prefix() << "cannot write " << out_ << ": " << error << "\n";
            return false;
        }
        run_.start(interval_);
        return true;
    }

  private:
    void write(const CObjData& sample) {
        std::string error;
        if (!file_.append(sample, &error)) {
            finish(exitFailure, "cannot write " + out_ + ": " + error);
            return;
        }
        progress(sample);
    }

    // What the run ended by itself; a stop is this recorder's own, already worded.
    void ended(RecordingRun::End why) {
        if (why == RecordingRun::End::LimitReached)
            finish(exitOk, {});
        else if (why == RecordingRun::End::ByMeter)
            finish(exitFailure, "the meter on " + session_.portPath().toStdString() +
                                    " sent nothing for 2 seconds");
    }

    void progress(const CObjData& sample) {
        char buf[160];
        const std::string_view time = sample.dateTime();
        const std::string_view unit = sample.unit();
        std::snprintf(buf, sizeof buf, "sample %d/%d %.*s %.2f %.*s Leq %.2f dB",
                      run_.series().count(), run_.sampleLimit(), static_cast<int>(time.size()),
                      time.data(), sample.value(), static_cast<int>(unit.size()), unit.data(),
                      run_.acoustics().summary().leq);
        if (progressInPlace_) {
            std::cerr << '\r' << buf << "\x1b[K" << std::flush;
            lineOpen_ = true;
        } else {
            std::cerr << buf << '\n' << std::flush;
        }
    }

    void message(const std::string& text) {
        if (lineOpen_)
            std::cerr << '\n';
        lineOpen_ = false;
        std::cerr << session_.prefix() << text << '\n' << std::flush;
    }

    void finish(int status, const std::string& why) {
        if (finished_)
            return;
        finished_ = true;
        run_.stop();
        if (!why.empty())
            message(why);
        std::string error;
        if (!file_.close(&error)) {
            message("cannot write " + out_ + ": " + error);
            status = exitFailure;
        }
        const int n = run_.series().count();
        if (xls_) {
            if (n == 0) {
                message("no samples, " + *xls_ + " not written");
            } else if (!WriteSpreadsheetText(*xls_, run_.series(), run_.stats(),
                                             ExportSource::MainView, &error)) {
                message("cannot write " + *xls_ + ": " + error);
                status = exitFailure;
            }
        }
        std::ostringstream done;
        done << countOf(n, "sample", "samples") << " in " << out_;
        if (n > 0) {
            const SeriesStats& stats = run_.stats();
            char buf[96];
            std::snprintf(buf, sizeof buf, ", Leq %.2f dB, max %.1f, min %.1f, average %.1f",
                          run_.acoustics().summary().leq, stats.maxValue, stats.minValue,
                          stats.average);
            done << buf;
        }
        message(done.str());
        session_.end(status);
    }

    LiveSession& session_;
    RecordList series_;
    RecordingRun run_;
    double interval_;
    TextDataAppender file_;
    std::string out_;
    std::optional<std::string> xls_;
    bool progressInPlace_;
    bool lineOpen_ = false;
    bool finished_ = false;
};

} // namespace

int runRecord(const std::vector<std::string>& args) {
    CommandLine line;
    std::vector<std::string> flags;
    if (const int status =
            checkLine("record", recordUsage, args,
                      {"--port", "--interval", "--count", "--out", "--xls"}, {}, line, flags);
        status >= 0)
        return status;
    const auto usageError = [](const std::string& fault) { return ::usageError("record", fault); };
    const std::string* intervalText = line.option("--interval");
    const std::string* countText = line.option("--count");
    const std::string* out = line.option("--out");
    if (!intervalText || !countText || !out)
        return usageError("--interval, --count and --out are needed");

    const std::optional<double> interval = readSamplingInterval("record", *intervalText);
    if (!interval)
        return exitUsage;
    const auto count = parseNumber(*countText);
    if (!count || *count != std::floor(*count) || *count < 1 || *count > maxSampleLimit)
        return usageError("the count must be a whole number from 1 to " +
                          std::to_string(maxSampleLimit) + ", not '" + *countText + "'");

    LiveSession session("record");
    if (!session.open(optionalValue(line, "--port")))
        return exitFailure;
    Recorder recorder(session, *interval, static_cast<int>(*count), *out,
                      optionalValue(line, "--xls"));
    if (!recorder.start())
        return exitFailure;
    return session.run();
}
