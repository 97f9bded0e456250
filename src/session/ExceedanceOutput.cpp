#include "session/ExceedanceOutput.h"

#include "formats/TextDataFile.h"

#include <cmath>
#include <fstream>

namespace {

// The rows a folder's exceedances.csv holds already: a resumed survey goes
// on counting from them.
int rowsIn(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    int lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines > 0 ? lines - 1 : 0;
}

} // namespace

ExceedanceOutput::ExceedanceOutput(const std::string& dir, const EventRules& rules, double interval,
                                   const Clock& clock)
    : clock_(clock), path_(dir + "/" + exceedancesFileName),
      intervalMs_(static_cast<std::int32_t>(std::lround(interval * 1000))),
      queue_(diskFileSystem(), false), finder_(rules, [this](const SeriesEvent& e) { found(e); }),
      follower_([this](SeriesMs t, std::int64_t wall, Centibel level, std::int32_t intervalMs) {
          finder_.reading(t, wall, level, intervalMs);
      }) {
    if (diskFileSystem().exists(path_))
        rows_ = rowsIn(path_);
    else
        queue_.push(path_, std::string(exceedancesHeader) + "\r\n");
    write();
}

void ExceedanceOutput::sample(SurveyMs, const CObjData& sample) {
    // The line as the data file holds it: the event is what reading the
    // file gives.
    follower_.addLine(TextDataLine(sample), intervalMs_);
    const std::optional<SeriesEvent> open = finder_.open();
    if (open && open->seconds > longExceedanceSeconds && told_ != open->start) {
        told_ = open->start;
        if (onLong)
            onLong(*open);
    }
}

void ExceedanceOutput::ended() {
    finder_.finish();
    write();
}

void ExceedanceOutput::found(const SeriesEvent& e) {
    queue_.push(path_, csvRow(eventFields(clock_, ++rows_, e)));
    write();
    if (onEvent)
        onEvent(rows_, e);
}

void ExceedanceOutput::write() {
    std::string error;
    const bool ok = queue_.drain(error);
    if (ok == !failing_)
        return;
    failing_ = !ok;
    if (onWriting)
        onWriting(ok ? std::string() : path_ + ": " + error);
}
