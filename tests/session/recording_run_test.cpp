// The recording run both programs start, driven tick by tick with a scripted
// meter and the test's clock: what it tells, in order, is all a front end
// shows.
#include "model/Clock.h"
#include "session/RecordingRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::time_t testTime = 1796634000; // 2026-12-07 09:00:00 UTC

// One second of the script: a tick with what the meter shows then, or an end.
struct Step {
    enum class Kind { Tick, Stop, MeterEnds } kind = Kind::Tick;
    LiveSample meter{};
    GapCause cause = GapCause::None;
};

Step level(double v, bool weightingA = true) {
    return {Step::Kind::Tick, {v, weightingA, false, true}};
}
const Step hold{Step::Kind::Tick, {90, true, true, true}};
const Step away{Step::Kind::Tick, {90, true, false, false}};
const Step stop{Step::Kind::Stop};
Step meterEnds(GapCause cause) {
    return {Step::Kind::MeterEnds, {}, cause};
}

const char* endName(RecordingRun::End why) {
    switch (why) {
    case RecordingRun::End::LimitReached:
        return "limit";
    case RecordingRun::End::Stopped:
        return "stopped";
    case RecordingRun::End::ByMeter:
        return "meter";
    }
    return "?";
}

struct Case {
    const char* name;
    int limit;
    std::vector<Step> script;
    std::vector<std::string> told;
    // The front end stops the run while it handles this sample (as the
    // companion does when its file cannot be written); 0: never.
    int stopAtSample = 0;
};

TEST(RecordingRun, TellsEachSampleHoldAndTheEndWithItsReason) {
    const std::vector<Case> cases = {
        {"ticks take samples until the limit, which ends the run on its last sample",
         3,
         {level(60), level(61.5, false), level(62), level(63)},
         {"sample 60.0 dBA 07-12-2026,09:00:00", "sample 61.5 dBC 07-12-2026,09:00:01",
          "sample 62.0 dBA 07-12-2026,09:00:02", "ended limit"}},
        {"HOLD skips ticks and says how many when it ends",
         10,
         {level(60), hold, hold, hold, level(70), stop, level(80)},
         {"sample 60.0 dBA 07-12-2026,09:00:00", "hold", "hold ended 3",
          "sample 70.0 dBA 07-12-2026,09:00:04", "ended stopped"}},
        {"a meter away skips ticks that are no HOLD's",
         10,
         {level(50), away, away, hold, away, level(55), stop},
         {"sample 50.0 dBA 07-12-2026,09:00:00", "hold", "hold ended 1",
          "sample 55.0 dBA 07-12-2026,09:00:05", "ended stopped"}},
        {"a silent meter ends the run with its cause, told once",
         10,
         {level(48.1), level(48.1), meterEnds(GapCause::Silence), meterEnds(GapCause::Silence),
          level(48.1), stop},
         {"sample 48.1 dBA 07-12-2026,09:00:00", "sample 48.1 dBA 07-12-2026,09:00:01",
          "ended meter silence"}},
        {"a port gone ends the run with its own cause",
         10,
         {level(48.1), meterEnds(GapCause::Disconnected)},
         {"sample 48.1 dBA 07-12-2026,09:00:00", "ended meter disconnected"}},
        {"a stop while the limit's last sample is handled is the only end told",
         2,
         {level(40), level(41), level(42)},
         {"sample 40.0 dBA 07-12-2026,09:00:00", "sample 41.0 dBA 07-12-2026,09:00:01",
          "ended stopped"},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManualClock clock{testTime};
        RecordList series;
        const Step* now = nullptr;
        RecordingRun run(
            series, [&now] { return now ? now->meter : LiveSample{}; }, clock);
        std::vector<std::string> told;
        QObject::connect(&run, &RecordingRun::sampled, [&](const CObjData& s, StatsUpdate) {
            char line[96];
            std::snprintf(line, sizeof line, "sample %.1f %s %s", s.value(),
                          std::string(s.unit()).c_str(), std::string(s.dateTime()).c_str());
            told.emplace_back(line);
            if (series.count() == c.stopAtSample)
                run.stop();
        });
        QObject::connect(&run, &RecordingRun::holdBegan, [&] { told.emplace_back("hold"); });
        QObject::connect(&run, &RecordingRun::holdEnded, [&](long skipped) {
            told.push_back("hold ended " + std::to_string(skipped));
        });
        QObject::connect(&run, &RecordingRun::ended, [&](RecordingRun::End why, GapCause cause) {
            std::string line = std::string("ended ") + endName(why);
            if (why == RecordingRun::End::ByMeter)
                line += std::string(" ") + gapCauseName(cause);
            told.push_back(line);
        });

        run.setSampleLimit(c.limit);
        run.start(0.5);
        EXPECT_TRUE(run.timer().isActive());
        EXPECT_EQ(run.timer().interval(), 500);
        for (const Step& step : c.script) {
            now = &step;
            switch (step.kind) {
            case Step::Kind::Tick:
                run.tick();
                break;
            case Step::Kind::Stop:
                run.stop();
                break;
            case Step::Kind::MeterEnds:
                run.endByMeter(step.cause);
                break;
            }
            clock.advance(1);
        }
        EXPECT_EQ(told, c.told);
        EXPECT_FALSE(run.recording());
        EXPECT_FALSE(run.timer().isActive());
        // the figures were kept per sample, as a count over the series gives them
        const AcousticSummary whole =
            summarize(series, 0, static_cast<std::size_t>(series.count()), 0.5, {});
        EXPECT_EQ(run.acoustics().count(), static_cast<std::size_t>(series.count()));
        EXPECT_NEAR(run.acoustics().summary().leq, whole.leq, 1e-9);
        EXPECT_EQ(run.sampleLimit(), c.limit) << "kept for the next run";
    }
}

} // namespace
