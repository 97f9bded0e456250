// vrel-cli survey: an unattended noise survey that runs for weeks, rides out a
// pulled cable or a full disk, and leaves a folder of data files, an interval
// summary and a list of the gaps.
#include "CliCommon.h"
#include "Commands.h"
#include "LiveSession.h"
#include "MqttOptions.h"

#include "SeriesInput.h"
#include "model/NoiseRules.h"
#include "model/SeriesStats.h"
#include "model/TextFormat.h"
#include "mqtt/MqttPublisher.h"
#include "recording/Recording.h"
#include "session/ExceedanceOutput.h"
#include "session/SurveySession.h"
#include "survey/Survey.h"
#include "survey/SurveyRunner.h"

#include <QSysInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <utility>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace {

const std::string surveyUsage =
    std::string(
        "usage: vrel-cli survey [--port PATH] --interval S --out-dir DIR\n"
        "                       [--split hour|day] [--summary 1m|5m|15m|1h]\n"
        "                       [--until DATETIME | --for DURATION] [--json]\n"
        "                       [--mqtt URL [--site ID] [--meter ID] [--no-discovery]\n"
        "                        [--archived-by ID[,ID...]]\n"
        "                        [--mqtt-user NAME] [--mqtt-password-file FILE]\n"
        "                        [--mqtt-ca FILE] [--mqtt-cert FILE --mqtt-key FILE]]\n"
        "                       [--event-above DB [--event-hysteresis DB]\n"
        "                        [--event-min S]]\n"
        "\n"
        "Samples the meter's level as record does (a tick every S seconds; a tick\n"
        "while the meter is on HOLD or not connected takes nothing), with no limit,\n"
        "until Ctrl+C, SIGTERM, --until or --for. The samples go into text data\n"
        "files in DIR, one per clock hour or day, named by their start\n"
        "(survey-2026-12-08T14.txt), each sample appended and handed to the system\n"
        "at once. When the meter falls silent or its device goes away the survey\n"
        "goes on, opens the port again as soon as its device is back and samples\n"
        "again once frames come; every gap goes to DIR/events.csv. DIR/summary.csv gets a row\n"
        "for each interval on the clock. A write that fails (full disk) is retried,\n"
        "the samples held in memory meanwhile (up to a day of them). Started again\n"
        "on the same DIR, the survey goes on there, and first writes the summary\n"
        "rows of the readings a killed run left without one.\n"
        "\n"
        "  --port PATH        the meter's port (default: automatic detection, also\n"
        "                     when it comes back under another name)\n"
        "  --interval S       seconds between ticks: 0.1, 0.2, 0.5, 1, 1.5, 2, 2.5,\n"
        "                     3, 5 or 10\n"
        "  --out-dir DIR      the survey's folder, made when missing\n"
        "  --split hour|day   a data file per clock hour (default) or day\n"
        "  --summary 1m|5m|15m|1h\n"
        "                     the summary interval (default 15m)\n"
        "  --until DATETIME   end at a local time, 2026-12-09T08:00[:SS], or with\n"
        "                     its UTC offset (Z, +01:00)\n"
        "  --for DURATION     end after a while: seconds, or 90m, 12h, 7d, 1d12h\n"
        "  --json             status lines as JSON objects\n"
        "\n"
        "With --event-above the survey finds noise events as it goes, by the rules\n"
        "of vrel-cli events --above DB --hysteresis DB --min S (0 dB and 0 s unless\n"
        "given): each one is added to DIR/exceedances.csv when it ends (a header,\n"
        "then n,start,end,seconds,Lmax,timeOfLmax,Leq,SEL as the event line) and\n"
        "told on standard error; one that lasts longer than a minute is also told\n"
        "while it goes on.\n"
        "\n"
        "With --mqtt the survey also publishes to an MQTT broker: the level once a\n"
        "second, every row of summary.csv and events.csv (those the broker has not\n"
        "acknowledged yet go out when it is back, also after a restart), its\n"
        "status and Home Assistant's discovery, and for the collectors the folder's\n"
        "files as they grow (a message a second), so their archives become the\n"
        "folder file for file. Sampling never waits for it.\n"
        "  --meter ID         the meter's name in the topics (default: the host's)\n"
        "  --archived-by ID[,ID...]\n"
        "                     the folder counts as sent once these collectors\n"
        "                     (vrel-cli collect --name) have it on their disks,\n"
        "                     and each gets again whatever it lacks, however long\n"
        "                     it was away; without, once the broker has it\n"
        "  --no-discovery     no Home Assistant discovery messages\n") +
    mqttOptionsHelp + "\n" +
    std::string("Standard error shows a status line (in place on a terminal, a line a\n"
                "minute otherwise) and what happens to the link, with the time.\n"
                "\n"
                "Exit status 0 when the survey ends as asked; 1 when the port cannot be\n"
                "opened at the start or samples held could not be written at the end; 2 for\n"
                "a wrong command line or a folder that cannot be made or written.\n");

constexpr SurveyMs statusLinePeriodMs = 60000;
constexpr SurveyMs terminalStatusPeriodMs = 250;

// The companion's clock set to start at another time, then running on with
// the PC's; for tests that must cross an hour without waiting for one.
class ShiftedClock final : public Clock {
  public:
    explicit ShiftedClock(std::int64_t shiftMs) : shiftMs_(shiftMs) {}
    std::time_t now() const override {
        return static_cast<std::time_t>(std::floor(static_cast<double>(nowMs()) / 1000));
    }
    std::int64_t nowMs() const override { return system_.nowMs() + shiftMs_; }

  private:
    SystemClock system_;
    std::int64_t shiftMs_;
};

std::string elapsedText(SurveyMs ms) {
    const long long s = ms / 1000;
    char buf[48];
    if (s >= 86400)
        std::snprintf(buf, sizeof buf, "%lldd %02lld:%02lld:%02lld", s / 86400, s / 3600 % 24,
                      s / 60 % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

std::string fixed(double v, int decimals) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

struct SurveyOptions {
    std::optional<std::string> port;
    double interval = 1;
    std::string dir;
    SurveySplit split = SurveySplit::Hour;
    int summarySeconds = 900;
    std::optional<SurveyMs> endMs;
    bool json = false;
    std::optional<MqttCommandLine> mqtt;
    std::string meter;
    bool discovery = true;
    std::optional<EventRules> events;
    std::vector<std::string> archivedBy;
};

class Survey {
  public:
    Survey(LiveSession& session, const SurveyOptions& options, const Clock& clock,
           SurveySettings settings, MqttPublisher* publisher)
        : session_(session), options_(options), clock_(clock), publisher_(publisher),
          survey_(session.meter(), clock, std::move(settings)),
          inPlace_(isatty(2) != 0 && !options.json) {
        survey_.setEnd(options.endMs);
        if (publisher_) {
            publisherOutput_.emplace(*publisher_);
            survey_.addOutput(*publisherOutput_);
        }
        QObject::connect(&survey_, &SurveySession::exceedanceGoesOn, [this](const SeriesEvent& e) {
            message("an exceedance since " + eventTimeText(clock_, e.startWall) +
                    " goes on for over " + fixed(longExceedanceSeconds, 0) + " s, Lmax " +
                    fixed(e.lmaxDb(), 1) + " dB so far");
        });
        QObject::connect(&survey_, &SurveySession::exceedanceEnded,
                         [this](int n, const SeriesEvent& e) {
                             message("exceedance " + std::to_string(n) + " from " +
                                     eventTimeText(clock_, e.startWall) + ": " +
                                     fixed(e.seconds, 1) + " s, Lmax " + fixed(e.lmaxDb(), 1) +
                                     " dB, SEL " + fixed(e.sel(), 1) + " dB");
                         });
        QObject::connect(&survey_, &SurveySession::exceedancesWriting,
                         [this](bool failing, const QString& text) {
                             message(failing ? "exceedances.csv cannot be written: " +
                                                   text.toStdString()
                                             : "exceedances.csv is written again");
                         });
        QObject::connect(&survey_, &SurveySession::writing,
                         [this](bool, const QString& text) { message(text.toStdString()); });
        QObject::connect(&survey_, &SurveySession::holdChanged, [this](bool onHold) {
            message(onHold ? "the meter is on HOLD: no samples until it ends" : "HOLD ended");
        });
        QObject::connect(&survey_, &SurveySession::ticked,
                         [this](const SurveyRunner::TickOutcome& outcome) { ticked(outcome); });
        QObject::connect(&survey_, &SurveySession::endReached,
                         [this] { finish("the survey's end has come"); });

        session_.onSilence = [this] {
            message("the meter on " + session_.portPath().toStdString() +
                    " sends nothing; the survey goes on and waits for it");
        };
        session_.onResumed = [this] { message("the meter sends again"); };
        session_.onPortLost = [this](const QString& reason) {
            message(reason.toStdString() + "; waiting for " + session_.portPath().toStdString() +
                    " to come back");
        };
        session_.onReopened = [this] {
            message("opened " + session_.portPath().toStdString() + " again");
        };
        session_.onInterrupt = [this] { finish("interrupted"); };
    }

    void start() {
        if (survey_.runner().resumed())
            message("going on with the survey in " + options_.dir);
        survey_.start();
    }

  private:
    void ticked(const SurveyRunner::TickOutcome& outcome) {
        if (outcome.gapEnded)
            message(
                "sampling again after a gap of " +
                fixed(static_cast<double>(outcome.gapEnded->end - outcome.gapEnded->start) / 1000,
                      1) +
                " s (" + outcome.gapEnded->cause + ")");
        tellPublishing();
        status(clock_.nowMs(), false);
    }

    void tellPublishing() {
        if (!publisher_)
            return;
        for (const std::string& text : publisher_->takeMessages())
            message(text);
    }

    void status(SurveyMs t, bool final) {
        const bool due = inPlace_ ? t - lastStatus_ >= terminalStatusPeriodMs
                                  : t - lastStatus_ >= statusLinePeriodMs;
        if (!due && !final)
            return;
        lastStatus_ = t;
        const SurveyRunner& runner = survey_.runner();
        const AcousticSummary s = runner.intervalSoFar();
        const long long samples = runner.samples();
        const std::size_t gapCount = runner.gapCount();
        const bool waiting = runner.inGap() || session_.meter().waiting();
        const MqttPublisher::State mqtt = publisher_ ? publisher_->state() : MqttPublisher::State();
        std::string line;
        if (options_.json) {
            line = "{\"time\":" + jsonString(isoLocalTime(clock_, t)) +
                   ",\"elapsed\":" + jsonNumber(static_cast<double>(t - runner.startMs()) / 1000) +
                   ",\"samples\":" + std::to_string(samples) +
                   ",\"level\":" + (samples ? fixed(runner.lastLevel(), 1) : "null") +
                   ",\"weighting\":" + (samples ? jsonString(runner.lastUnit()) : "null") +
                   ",\"intervalLeq\":" + (s.count ? fixed(s.leq, 2) : "null") +
                   ",\"gaps\":" + std::to_string(gapCount) +
                   ",\"sampling\":" + (waiting ? "false" : "true") +
                   ",\"held\":" + std::to_string(runner.pendingSamples());
            if (publisher_)
                line += std::string(",\"broker\":") + (mqtt.connected ? "true" : "false") +
                        ",\"unsent\":" + std::to_string(mqtt.unsent) +
                        ",\"unarchived\":" + std::to_string(mqtt.unarchived) +
                        ",\"refused\":" + (mqtt.refused ? "true" : "false");
            if (final)
                line += ",\"ended\":true";
            line += "}";
        } else {
            line = "elapsed " + elapsedText(t - runner.startMs()) + ", " + std::to_string(samples) +
                   (samples == 1 ? " sample" : " samples");
            if (samples)
                line += ", " + fixed(runner.lastLevel(), 1) + " " + runner.lastUnit();
            line += s.count ? ", Leq " + fixed(s.leq, 2) + " dB this interval" : ", no Leq yet";
            line += ", " + std::to_string(gapCount) + (gapCount == 1 ? " gap" : " gaps");
            if (waiting)
                line += ", waiting for the meter";
            if (runner.pendingSamples())
                line += ", " + std::to_string(runner.pendingSamples()) + " held";
            // The publisher has left the broker by the last line: that is no outage.
            if (publisher_ && !mqtt.connected && !final)
                line += ", broker away";
            if (mqtt.refused)
                line += ", the broker refuses the rows";
            if (mqtt.unsent)
                line += ", " + std::to_string(mqtt.unsent) +
                        (mqtt.unsent == 1 ? " row to publish" : " rows to publish");
            if (final)
                line += ", survey ended";
        }
        if (inPlace_ && !final) {
            std::cerr << '\r' << line << "\x1b[K" << std::flush;
            lineOpen_ = true;
        } else {
            closeLine();
            std::cerr << line << '\n' << std::flush;
        }
    }

    void closeLine() {
        if (lineOpen_)
            std::cerr << '\n';
        lineOpen_ = false;
    }

    void message(const std::string& text) {
        closeLine();
        std::cerr << session_.prefix() << isoLocalTime(clock_, clock_.nowMs()) << " " << text
                  << '\n'
                  << std::flush;
    }

    void finish(const std::string& why) {
        if (finished_)
            return;
        finished_ = true;
        const SurveyMs t = clock_.nowMs();
        message(why);
        int exitStatus = exitOk;
        const SurveyRunner& runner = survey_.runner();
        if (!survey_.stop()) {
            message(std::to_string(runner.pendingSamples()) + " samples could not be written");
            exitStatus = exitFailure;
        }
        if (publisher_) {
            publisher_->finish(surveyPublishGrace);
            tellPublishing();
            if (const long long unsent = publisher_->state().unsent)
                message(std::to_string(unsent) +
                        (unsent == 1 ? " row waits for the broker; it goes"
                                     : " rows wait for the broker; they go") +
                        " out when the survey runs again");
            if (const long long bytes = publisher_->state().unarchived)
                message(countOf(bytes, "byte", "bytes") + " of the folder's files " +
                        (options_.archivedBy.empty() ? "wait for the broker"
                                                     : "wait for the archives") +
                        "; they go out when the survey runs again");
        }
        status(t, true);
        std::string files;
        for (const std::string& f : runner.files())
            files += " " + f.substr(f.find_last_of('/') + 1);
        const long long samples = runner.samples();
        message(std::to_string(samples) + (samples == 1 ? " sample" : " samples") + " in " +
                options_.dir + (files.empty() ? "" : ":" + files));
        session_.end(exitStatus);
    }

    LiveSession& session_;
    SurveyOptions options_;
    const Clock& clock_;
    MqttPublisher* publisher_;
    std::optional<PublisherOutput> publisherOutput_;
    SurveySession survey_;
    bool inPlace_;
    bool lineOpen_ = false;
    bool finished_ = false;
    SurveyMs lastStatus_ = 0;
};

} // namespace

int runSurvey(const std::vector<std::string>& args) {
    std::vector<std::string> rest = args;
    const auto jsonIt = std::remove(rest.begin(), rest.end(), std::string("--json"));
    const bool json = jsonIt != rest.end();
    rest.erase(jsonIt, rest.end());
    const auto discoveryIt = std::remove(rest.begin(), rest.end(), std::string("--no-discovery"));
    const bool discovery = discoveryIt == rest.end();
    rest.erase(discoveryIt, rest.end());
    CommandLine line;
    const auto usageError = [](const std::string& text) { return ::usageError("survey", text); };
    if (hasPasswordArgument(rest))
        return usageError("the password is read from --mqtt-password-file or "
                          "VREL_MQTT_PASSWORD, never from the command line");
    std::vector<std::string_view> valued = {"--port",  "--interval", "--out-dir",
                                            "--split", "--summary",  "--until",
                                            "--for",   "--meter",    "--archived-by"};
    valued.insert(valued.end(), mqttOptionNames.begin(), mqttOptionNames.end());
    valued.insert(valued.end(), {"--event-above", "--event-hysteresis", "--event-min"});
    if (const int status = readCommandLine("survey", surveyUsage, rest, valued, line); status >= 0)
        return status;
    std::string error;
    if (!line.positional.empty())
        return usageError("unexpected argument '" + line.positional[0] + "'");
    const std::string* intervalText = line.option("--interval");
    const std::string* dir = line.option("--out-dir");
    if (!intervalText || !dir)
        return usageError("--interval and --out-dir are needed");

    // The test hook: the clock starts at this many seconds since the epoch.
    std::optional<ShiftedClock> shifted;
    if (const char* start = std::getenv("VREL_CLI_CLOCK_START")) {
        const auto s = parseNumber(start);
        if (!s) {
            std::cerr << "vrel-cli survey: VREL_CLI_CLOCK_START wants seconds since 1970\n";
            return exitUsage;
        }
        shifted.emplace(static_cast<std::int64_t>(*s * 1000) - SystemClock().nowMs());
        setAppClock(&*shifted);
    }
    struct RestoreClock {
        ~RestoreClock() { setAppClock(nullptr); }
    } restoreClock;
    const Clock& clock = appClock();

    SurveyOptions options;
    options.json = json;
    options.dir = *dir;
    options.port = line.option("--port") ? std::optional(*line.option("--port")) : std::nullopt;
    const std::optional<double> interval = readSamplingInterval("survey", *intervalText);
    if (!interval)
        return exitUsage;
    options.interval = *interval;
    if (const std::string* split = line.option("--split")) {
        if (*split == "day")
            options.split = SurveySplit::Day;
        else if (*split != "hour")
            return usageError("--split is hour or day, not '" + *split + "'");
    }
    if (const std::string* summary = line.option("--summary")) {
        const std::optional<int> seconds = parseIntervalName(*summary);
        if (!seconds)
            return usageError("--summary is 1m, 5m, 15m or 1h, not '" + *summary + "'");
        options.summarySeconds = *seconds;
    }
    const std::string* until = line.option("--until");
    const std::string* forText = line.option("--for");
    if (until && forText)
        return usageError("--until and --for exclude each other");
    if (until) {
        const auto t = parseSurveyDateTime(*until, clock);
        if (!t)
            return usageError("--until wants a local date and time such as 2026-12-09T08:00, "
                              "not '" +
                              *until + "'");
        if (SurveyMs(*t) * 1000 <= clock.nowMs())
            return usageError("--until " + *until + " has passed already");
        options.endMs = SurveyMs(*t) * 1000;
    }
    if (forText) {
        const auto seconds = parseSurveyDuration(*forText);
        if (!seconds || *seconds > 1e9)
            return usageError("--for wants a duration such as 3600, 90m, 12h or 7d, not '" +
                              *forText + "'");
        options.endMs = clock.nowMs() + static_cast<SurveyMs>(std::llround(*seconds * 1000));
    }
    options.events = readEventRules(line, "--event-", error);
    if (!error.empty())
        return usageError(error);
    options.discovery = discovery;
    if (line.option("--mqtt")) {
        options.mqtt = mqttCommandLine(line, error);
        if (!options.mqtt)
            return usageError(error);
        const std::string* meter = line.option("--meter");
        options.meter =
            meter ? *meter : meterIdFromHostName(QSysInfo::machineHostName().toStdString());
        if (!isValidMqttId(options.meter))
            return usageError("--meter wants 1 to 32 of a-z, 0-9, _ and -, not '" + options.meter +
                              "'");
        if (const std::string* names = line.option("--archived-by")) {
            const auto parsed = parseCollectorNames(*names);
            if (!parsed)
                return usageError("--archived-by wants names of 1 to 32 of a-z, 0-9, _ and -, "
                                  "joined by commas, not '" +
                                  *names + "'");
            options.archivedBy = *parsed;
        }
    } else {
        for (const char* name : {"--site", "--meter", "--archived-by", "--mqtt-user",
                                 "--mqtt-password-file", "--mqtt-ca", "--mqtt-cert", "--mqtt-key"})
            if (line.option(name))
                return usageError(std::string(name) + " goes with --mqtt");
        if (!discovery)
            return usageError("--no-discovery goes with --mqtt");
    }
    if (const auto fault = prepareSurveyFolder(options.dir)) {
        std::cerr << "vrel-cli survey: " << *fault << "\n";
        return exitUsage;
    }
    SurveySettings settings;
    settings.dir = options.dir;
    settings.interval = options.interval;
    settings.split = options.split;
    settings.summarySeconds = options.summarySeconds;
    settings.events = options.events;
    resumeSurvey(settings, clock);

    LiveSession session("survey");
    if (!session.open(options.port))
        return exitFailure;
    std::unique_ptr<MqttPublisher> publisher;
    if (options.mqtt) {
        publisher = std::make_unique<MqttPublisher>(
            options.mqtt->settings,
            PublisherSettings{options.mqtt->site, options.meter, options.dir, options.interval,
                              options.summarySeconds, options.discovery, VREL_VERSION,
                              options.archivedBy},
            clock);
        if (!publisher->start(error)) {
            std::cerr << "vrel-cli survey: " << error << "\n";
            return exitUsage;
        }
    }
    Survey survey(session, options, clock, std::move(settings), publisher.get());
    survey.start();
    return session.run();
}
