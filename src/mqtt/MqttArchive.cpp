#include "MqttArchive.h"

#include "survey/FolderOutbox.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The newest data files a restarted collector names when it asks again: the
// survey takes what it does not name as held up to what it confirmed last.
constexpr std::size_t namedDataFiles = 3;

std::int64_t sizeOnDisk(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? 0 : static_cast<std::int64_t>(size);
}

// The sizes of a meter folder's tables and its newest data files.
std::map<std::string, std::int64_t> newestFiles(const std::string& dir) {
    std::vector<std::string> data;
    std::map<std::string, std::int64_t> sizes;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!isSurveyFolderFileName(name))
            continue;
        if (isSurveyDataFileName(name))
            data.push_back(name);
        else
            sizes[name] = sizeOnDisk(dir + "/" + name);
    }
    data = surveyDataFiles(data);
    for (std::size_t i = data.size() > namedDataFiles ? data.size() - namedDataFiles : 0;
         i < data.size(); ++i)
        sizes[data[i]] = sizeOnDisk(dir + "/" + data[i]);
    return sizes;
}

} // namespace

struct MqttArchive::Meter {
    std::string site;
    std::string name;
    std::string dir;
    struct File {
        std::int64_t size = 0;
        std::unique_ptr<SurveyFile> open;
        bool failing = false;
    };
    std::map<std::string, File> files;
    std::set<std::string> grown; // since the last sync
    bool missed = false;
};

std::string archiveMeterFolder(const std::string& site, const std::string& meter) {
    return site + "/" + meter;
}

MqttArchive::MqttArchive(std::string dir) : dir_(std::move(dir)) {}

MqttArchive::~MqttArchive() {
    close();
}

MqttArchive::Meter* MqttArchive::meter(const std::string& site, const std::string& name) {
    const std::string key = archiveMeterFolder(site, name);
    auto& m = meters_[key];
    if (m)
        return m.get();
    const std::string dir = dir_ + "/" + key;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        if (report)
            report("cannot create the folder " + dir + ": " + ec.message());
        meters_.erase(key);
        return nullptr;
    }
    m = std::make_unique<Meter>();
    m->site = site;
    m->name = name;
    m->dir = dir;
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
    const auto meterOf = filePieceTopicMeter(topic);
    if (!meterOf) {
        malformed(topic, "not a topic the collector archives");
        return;
    }
    const auto& [site, name] = *meterOf;
    const auto piece = decodeFilePiece(payload);
    if (!piece) {
        malformed(topic, "not a piece of a survey's file");
        return;
    }
    if (Meter* m = meter(site, name))
        write(*m, archiveMeterFolder(site, name), *piece);
}

void MqttArchive::write(Meter& m, const std::string& key, const FilePiece& piece) {
    const std::string path = m.dir + "/" + piece.file;
    auto [it, added] = m.files.try_emplace(piece.file);
    Meter::File& f = it->second;
    if (added)
        f.size = sizeOnDisk(path);
    const auto end = piece.offset + static_cast<std::int64_t>(piece.bytes.size());
    if (end <= f.size) {
        ++counts_.duplicates;
        return;
    }
    if (piece.offset > f.size) {
        // What came before it was lost on the way (a restart, a broker that
        // forgot): the survey sends it again when told.
        ++counts_.missed;
        m.missed = true;
        return;
    }
    std::string error;
    if (!f.open)
        f.open = diskFileSystem().openAppend(path, error);
    const std::string_view rest =
        std::string_view(piece.bytes).substr(static_cast<std::size_t>(f.size - piece.offset));
    const std::size_t written = f.open ? f.open->write(rest, error) : 0;
    f.size += static_cast<std::int64_t>(written);
    counts_.bytes += static_cast<std::int64_t>(written);
    ++counts_.pieces;
    m.grown.insert(piece.file);
    if (written < rest.size()) {
        f.open.reset(); // opened again for the next piece
        m.missed = true;
        if (!f.failing && report)
            report(key + ": cannot write " + piece.file + ": " + error +
                   "; the survey sends it again");
        f.failing = true;
    } else if (f.failing) {
        f.failing = false;
        if (report)
            report(key + ": writing " + piece.file + " works again");
    }
}

std::vector<MqttArchive::Holding> MqttArchive::sync(bool everyFolder) {
    std::vector<Holding> out;
    std::set<std::string> told;
    for (auto& [key, m] : meters_) {
        for (auto& [name, f] : m->files)
            if (f.open) {
                std::string error;
                if (!f.open->syncAndClose(error)) {
                    // Not known to be on the disk: the size goes back to what is.
                    f.size = sizeOnDisk(m->dir + "/" + name);
                    m->missed = true;
                }
                f.open.reset();
            }
        if (m->grown.empty() && !m->missed && !everyFolder)
            continue;
        Holding h{m->site, m->name, {m->missed || everyFolder, {}}};
        if (everyFolder)
            h.files.sizes = newestFiles(m->dir);
        for (const std::string& name : m->grown)
            h.files.sizes[name] = m->files[name].size;
        m->grown.clear();
        m->missed = false;
        told.insert(key);
        out.push_back(std::move(h));
    }
    if (!everyFolder)
        return out;
    std::error_code ec;
    for (const fs::directory_entry& site : fs::directory_iterator(dir_, ec))
        for (const fs::directory_entry& meter : fs::directory_iterator(site.path(), ec)) {
            const std::string s = site.path().filename().string();
            const std::string n = meter.path().filename().string();
            if (!isValidMqttId(s) || !isValidMqttId(n) || told.count(archiveMeterFolder(s, n)) ||
                !meter.is_directory(ec))
                continue;
            out.push_back({s, n, {true, newestFiles(meter.path().string())}});
        }
    return out;
}

void MqttArchive::close() {
    sync(false);
}
