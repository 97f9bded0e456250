#include "MqttArchive.h"

#include "recording/Recording.h"

#include <filesystem>
#include <fstream>

namespace {

// A meter's local time as its messages state it: the survey's files take the
// meter's clock, whatever the zone of the computer that collects them.
class MeterClock final : public Clock {
  public:
    std::time_t now() const override { return utc_.now(); }
    LocalTime local(std::time_t t) const override { return utc_.local(t + offset_); }
    void setOffset(int seconds) { offset_ = seconds; }

  private:
    ManualClock utc_; // its local time is UTC
    int offset_ = 0;
};

// A day of levels at one a second waits for a failing disk.
constexpr std::size_t maxPendingLevels = 86400;

// The first field of each row of a survey CSV file: the rows' starts.
std::set<std::string> startsIn(const std::string& path) {
    std::set<std::string> starts;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line))
        starts.insert(line.substr(0, line.find(',')));
    return starts;
}

} // namespace

struct MqttArchive::Meter {
    MeterClock clock;
    std::unique_ptr<SurveyStore> store;
    std::set<std::string> summaryStarts;
    std::set<std::string> eventStarts;
};

std::string archiveMeterFolder(const std::string& site, const std::string& meter) {
    return site + "/" + meter;
}

MqttArchive::MqttArchive(std::string dir) : dir_(std::move(dir)) {}

MqttArchive::~MqttArchive() {
    close();
}

MqttArchive::Meter* MqttArchive::meter(const MqttTopicName& name) {
    const std::string key = archiveMeterFolder(name.site, name.meter);
    auto& m = meters_[key];
    if (m)
        return m.get();
    const std::string dir = dir_ + "/" + key;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        if (report)
            report("cannot create the folder " + dir + ": " + ec.message());
        meters_.erase(key);
        return nullptr;
    }
    m = std::make_unique<Meter>();
    m->summaryStarts = startsIn(dir + "/" + summaryFileName);
    m->eventStarts = startsIn(dir + "/" + eventsFileName);
    m->store = std::make_unique<SurveyStore>(diskFileSystem(), m->clock, dir, SurveySplit::Hour,
                                             1.0, maxPendingLevels);
    m->store->continueEarlierFiles(); // a restart of the collector goes on in the hour's file
    m->store->report = [this, key](const std::string& text) {
        if (report)
            report(key + ": " + text);
    };
    ++counts_.meters;
    if (report)
        report("archiving " + key + " in " + dir);
    return m.get();
}

void MqttArchive::malformed(const std::string& topic, const std::string& why) {
    ++counts_.malformed;
    if (complained_.insert(topic).second && report)
        report("a malformed message on " + topic + " (" + why +
               ") is left out; later ones there are left out without a word");
}

void MqttArchive::receive(const std::string& topic, std::string_view payload) {
    const auto name = parseMqttTopic(topic);
    if (!name) {
        malformed(topic, "not a topic of this program");
        return;
    }
    switch (name->kind) {
    case MqttTopic::Summary:
    case MqttTopic::Event: {
        const bool summary = name->kind == MqttTopic::Summary;
        const auto row = summary ? decodeSummary(payload) : decodeEvent(payload);
        if (!row) {
            malformed(topic, summary ? "not a summary row" : "not an event row");
            return;
        }
        Meter* m = meter(*name);
        if (!m)
            return;
        if (!(summary ? m->summaryStarts : m->eventStarts).insert(row->start).second) {
            ++counts_.duplicates;
            return;
        }
        if (summary)
            m->store->addSummaryRow(row->csvRow);
        else
            m->store->addEvent(row->csvRow);
        ++counts_.rows;
        return;
    }
    case MqttTopic::Level: {
        const auto level = decodeLevel(payload);
        if (!level) {
            malformed(topic, "not a level");
            return;
        }
        if (!level->db || level->weighting == "mixed")
            return; // nothing a data file can hold
        Meter* m = meter(*name);
        if (!m)
            return;
        const IsoTime t = *parseIsoTime(level->time);
        m->clock.setOffset(t.offsetSeconds);
        m->store->addSample(
            CObjData(*level->db, recordTimeStamp(t.local), level->weighting, 0, 1.0), t.ms);
        ++counts_.levels;
        return;
    }
    case MqttTopic::Status:
    case MqttTopic::Info:
    case MqttTopic::SummaryLatest:
        return; // the state of the moment; the rows above are the record
    }
}

void MqttArchive::flush(SurveyMs now) {
    for (auto& [key, m] : meters_)
        m->store->flush(now);
}

void MqttArchive::close() {
    for (auto& [key, m] : meters_)
        m->store->close();
}
