#pragma once

// Noise events found while a survey runs, by the rules vrel-cli events
// applies to the finished folder: each one goes to the folder's
// exceedances.csv when it ends, so the file holds the rows the folder's
// events give.

#include "survey/SeriesEvents.h"
#include "survey/SeriesReader.h"
#include "survey/SurveyOutput.h"

#include <functional>
#include <optional>
#include <string>

// How long an event goes on before it is told while it lasts.
inline constexpr double longExceedanceSeconds = 60.0;

class ExceedanceOutput final : public SurveyOutput {
  public:
    // dir: the survey's folder; interval: its sampling interval in seconds.
    ExceedanceOutput(const std::string& dir, const EventRules& rules, double interval,
                     const Clock& clock);

    void sample(SurveyMs t, const CObjData& sample) override;
    void ended() override;

    // An event has lasted longer than longExceedanceSeconds (as far as it has
    // come); told once an event.
    std::function<void(const SeriesEvent&)> onLong;
    // An event has ended and gone to the file as row n.
    std::function<void(int n, const SeriesEvent&)> onEvent;
    // Writing the file failed (text) or works again (empty).
    std::function<void(const std::string& text)> onWriting;

  private:
    void found(const SeriesEvent& e);
    void write();

    const Clock& clock_;
    std::string path_;
    std::int32_t intervalMs_;
    AppendQueue queue_;
    EventFinder finder_;
    SeriesFollower follower_;
    int rows_ = 0;
    std::optional<SeriesMs> told_; // the start of the long event told last
    bool failing_ = false;
};
