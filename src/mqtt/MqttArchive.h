#pragma once

// The collector's archive: what the meters publish, written as each meter's
// own survey folder DIR/<site>/<meter>/ (summary.csv and events.csv in the
// survey's format, each row once; the levels as hourly data files), so every
// reader of a survey folder opens a remote meter's as a local one.

#include "MqttProtocol.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

// A meter's folder in the archive, below DIR: "<site>/<meter>".
std::string archiveMeterFolder(const std::string& site, const std::string& meter);

class MqttArchive {
  public:
    explicit MqttArchive(std::string dir);
    ~MqttArchive();
    MqttArchive(const MqttArchive&) = delete;
    MqttArchive& operator=(const MqttArchive&) = delete;

    // Told about a malformed message (once per topic), a new meter, and
    // writes that fail and work again.
    std::function<void(const std::string&)> report;

    void receive(const std::string& topic, std::string_view payload);
    // Writes what waits; a failing disk is tried again at most once a second.
    void flush(SurveyMs now);
    void close();

    struct Counts {
        std::size_t meters = 0;
        std::size_t rows = 0;       // summary and event rows written
        std::size_t duplicates = 0; // rows that were there already
        std::size_t levels = 0;
        std::size_t malformed = 0;
    };
    const Counts& counts() const { return counts_; }

  private:
    struct Meter;
    Meter* meter(const MqttTopicName& name);
    void malformed(const std::string& topic, const std::string& why);

    std::string dir_;
    std::map<std::string, std::unique_ptr<Meter>> meters_; // by "site/meter"
    std::set<std::string> complained_;
    Counts counts_;
};
