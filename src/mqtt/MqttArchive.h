#pragma once

// The collector's archive: each meter's survey folder DIR/<site>/<meter>/
// written byte for byte from the pieces of its files the survey publishes
// (its data files, summary.csv, events.csv, …), each byte once, so the
// archive's folder is the survey's file for file and every reader of a
// survey folder opens a remote meter's as a local one. What it holds, synced
// to the disk, goes back to the surveys (sync) so they send again whatever
// it missed.

#include "MqttProtocol.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

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

    // What a meter's folder holds on the disk.
    struct Holding {
        std::string site;
        std::string meter;
        ArchivedFiles files;
    };
    // Puts what was written on the disk and says what each meter whose files
    // grew, or that missed pieces, holds now (the files written since the
    // last call). everyFolder: every meter folder of the archive asks for
    // what follows its newest files, as after a restart, when pieces that
    // were on their way may be lost.
    std::vector<Holding> sync(bool everyFolder);
    void close();

    struct Counts {
        std::size_t meters = 0;
        std::size_t pieces = 0;     // pieces that brought bytes not held yet
        std::size_t duplicates = 0; // pieces held already
        std::size_t missed = 0;     // pieces beyond a file's end: earlier ones were lost
        std::int64_t bytes = 0;
        std::size_t malformed = 0;
    };
    const Counts& counts() const { return counts_; }

  private:
    struct Meter;
    Meter* meter(const std::string& site, const std::string& name);
    void malformed(const std::string& topic, const std::string& why);
    void write(Meter& m, const std::string& key, const FilePiece& piece);

    std::string dir_;
    std::map<std::string, std::unique_ptr<Meter>> meters_; // by "site/meter"
    std::set<std::string> complained_;
    Counts counts_;
};
