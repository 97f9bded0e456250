#include "survey/SurveyOutbox.h"

#include "formats/FileWrite.h"
#include "survey/SeriesEvents.h"
#include "survey/Survey.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Rows read ahead of the confirmed ones, and bytes read at a time.
constexpr std::size_t readAhead = 1000;
constexpr std::size_t readChunk = 256 * 1024;

std::int64_t fileSize(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

} // namespace

SurveyOutbox::SurveyOutbox(std::string dir, std::string destination)
    : dir_(std::move(dir)), destination_(std::move(destination)),
      files_{{Box::Summary, summaryFileName, 0, 0, 0, {}},
             {Box::Events, eventsFileName, 0, 0, 0, {}},
             {Box::Exceedances, exceedancesFileName, 0, 0, 0, {}}} {}

std::optional<std::string> SurveyOutbox::load() {
    std::string text;
    if (!ReadWholeFile(dir_ + "/" + outboxCursorFileName, text))
        return std::nullopt;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    if (line != "to " + destination_)
        return "the outbox was sent to another broker or under another name; sending it all to " +
               destination_;
    std::string name;
    long long rows = 0;
    std::int64_t offset = 0;
    // A cursor written before a file was sent has no line for it: all of it goes.
    while (in >> name >> rows >> offset)
        for (File& f : files_)
            if (f.name == name && rows >= 0 && offset >= 0 &&
                fileSize(dir_ + "/" + name) >= offset) {
                f.confirmedRows = rows;
                f.confirmedOffset = f.readOffset = offset;
            }
    return std::nullopt;
}

bool SurveyOutbox::writeCursor(std::string& error) {
    std::string text = "to " + destination_ + "\n";
    for (const File& f : files_)
        text += f.name + " " + std::to_string(f.confirmedRows) + " " +
                std::to_string(f.confirmedOffset) + "\n";
    if (!WriteWholeFile(dir_ + "/" + outboxCursorFileName, text, &error))
        return false;
    cursorChanged_ = false;
    return true;
}

void SurveyOutbox::read() {
    for (File& f : files_)
        read(f);
}

void SurveyOutbox::read(File& f) {
    if (f.rows.size() >= readAhead)
        return;
    std::ifstream in(dir_ + "/" + f.name, std::ios::binary);
    if (!in || !in.seekg(f.readOffset))
        return;
    std::string bytes(readChunk, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    std::size_t at = 0;
    while (f.rows.size() < readAhead) {
        const std::size_t eol = bytes.find("\r\n", at);
        if (eol == std::string::npos)
            break; // a row still being written
        const std::int64_t end = f.readOffset + static_cast<std::int64_t>(eol + 2 - at);
        std::string line = bytes.substr(at, eol - at);
        at = eol + 2;
        if (f.readOffset == 0) { // the header
            f.readOffset = f.confirmedOffset = end;
            continue;
        }
        f.readOffset = end;
        const long long seq = f.confirmedRows + static_cast<long long>(f.rows.size()) + 1;
        f.rows.push_back({seq, end, std::move(line)});
    }
}

std::vector<SurveyOutbox::Row> SurveyOutbox::take(std::size_t limit) {
    std::vector<Row> out;
    for (File& f : files_)
        for (Waiting& w : f.rows) {
            if (out.size() >= limit)
                return out;
            if (w.handedOut || w.confirmed)
                continue;
            w.handedOut = true;
            out.push_back({f.box, w.seq, w.csv});
        }
    return out;
}

void SurveyOutbox::confirmed(Box box, long long seq) {
    File& f = file(box);
    const long long index = seq - f.confirmedRows - 1;
    if (index < 0 || index >= static_cast<long long>(f.rows.size()))
        return; // confirmed before, or handed out before an outage and again since
    f.rows[static_cast<std::size_t>(index)].confirmed = true;
    while (!f.rows.empty() && f.rows.front().confirmed) {
        f.confirmedRows = f.rows.front().seq;
        f.confirmedOffset = f.rows.front().end;
        f.rows.pop_front();
        cursorChanged_ = true;
    }
}

void SurveyOutbox::refused(Box box, long long seq) {
    File& f = file(box);
    const long long index = seq - f.confirmedRows - 1;
    if (index >= 0 && index < static_cast<long long>(f.rows.size()))
        f.rows[static_cast<std::size_t>(index)].handedOut = false;
}

void SurveyOutbox::handBackAll() {
    for (File& f : files_)
        for (Waiting& w : f.rows)
            w.handedOut = false;
}

long long SurveyOutbox::unconfirmed() const {
    long long n = 0;
    for (const File& f : files_)
        for (const Waiting& w : f.rows)
            n += !w.confirmed;
    return n;
}
