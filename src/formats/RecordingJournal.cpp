#include "formats/RecordingJournal.h"

#include "formats/FileWrite.h"

#include <cstdio>
#include <system_error>

RecordingJournal::RecordingJournal(std::filesystem::path path) : path_(std::move(path)) {}

std::filesystem::path RecordingJournal::defaultPath(const std::filesystem::path& appDataFolder) {
    return appDataFolder / "Vrel" / "recording-journal.txt";
}

void RecordingJournal::fail(const std::string& why) {
    if (!error_)
        error_ = why;
    appender_.close();
}

bool RecordingJournal::start(double samplingRate) {
    appender_.close();
    error_.reset();
    std::error_code ec;
    std::filesystem::create_directories(path_.parent_path(), ec);
    std::string why;
    if (!appender_.open(path_.string(), samplingRate, &why)) {
        fail(why);
        return false;
    }
    return true;
}

bool RecordingJournal::append(const CObjData& record) {
    if (!appender_.isOpen())
        return false;
    std::string why;
    if (!appender_.append(record, &why)) {
        fail(why);
        return false;
    }
    return true;
}

void RecordingJournal::stop() {
    if (!appender_.isOpen())
        return;
    std::string why;
    if (!appender_.sync(&why) || !appender_.close(&why))
        fail(why);
}

void RecordingJournal::discard() {
    appender_.close();
    std::error_code ec;
    std::filesystem::remove(path_, ec);
}

std::optional<RecordList> RecordingJournal::recover(const std::filesystem::path& path) {
    std::string text;
    std::string why;
    if (!ReadWholeFile(path.string(), text, &why))
        return std::nullopt;
    // The crash may have cut the last line short: only whole lines count.
    const auto lastEnd = text.rfind('\n');
    text.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    TextDataRead read = ParseTextData(text);
    if (read.status != TextDataRead::Status::Ok)
        return std::nullopt;
    return std::move(read.records);
}

std::optional<std::filesystem::path> RecordingJournal::keepAside(const std::filesystem::path& path,
                                                                 const Clock& clock) {
    const LocalTime t = clock.localNow();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "recording-%04d-%02d-%02d-%02d%02d%02d", t.year, t.month,
                  t.day, t.hour, t.minute, t.second);
    std::filesystem::path target = path.parent_path() / (std::string(stamp) + ".txt");
    for (int n = 2; std::filesystem::exists(target); ++n)
        target = path.parent_path() / (std::string(stamp) + "-" + std::to_string(n) + ".txt");
    std::error_code ec;
    std::filesystem::rename(path, target, ec);
    if (ec)
        return std::nullopt;
    return target;
}
