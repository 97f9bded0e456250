#include "survey/FolderOutbox.h"

#include "formats/FileWrite.h"
#include "survey/Survey.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

bool isSurveyFolderFileName(std::string_view name) {
    if (isSurveyDataFileName(name))
        return true;
    if (!name.ends_with(".csv") || name.size() <= 4 || name.size() > 64 || name.front() == '.')
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_' || c == '.';
    });
}

FolderOutbox::FolderOutbox(std::string dir, std::string destination, Confirm confirm)
    : dir_(std::move(dir)), destination_(std::move(destination)), confirm_(confirm) {}

std::optional<std::string> FolderOutbox::load() {
    std::string text;
    if (!ReadWholeFile(dir_ + "/" + folderCursorFileName, text))
        return std::nullopt;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    if (line != "to " + destination_)
        return "the folder was archived through another broker or under another name; sending it "
               "all to " +
               destination_;
    std::string name;
    std::int64_t size = 0;
    while (in >> name >> size)
        if (isSurveyFolderFileName(name) && size >= 0) {
            File& f = files_[name];
            f.sent = f.delivered = f.confirmed = size;
        }
    return std::nullopt;
}

bool FolderOutbox::writeCursor(std::string& error) {
    std::string text = "to " + destination_ + "\n";
    for (const auto& [name, f] : files_)
        text += name + " " + std::to_string(f.confirmed) + "\n";
    if (!WriteWholeFile(dir_ + "/" + folderCursorFileName, text, &error))
        return false;
    cursorChanged_ = false;
    return true;
}

void FolderOutbox::scan() {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir_, ec)) {
        const std::string name = entry.path().filename().string();
        if (!isSurveyFolderFileName(name) || !entry.is_regular_file(ec))
            continue;
        const auto size = entry.file_size(ec);
        if (ec)
            continue;
        File& f = files_[name];
        // A cursor ahead of its file (the folder put back from a copy) sends it whole.
        if (f.confirmed > static_cast<std::int64_t>(size))
            f = File{};
        f.size = static_cast<std::int64_t>(size);
        sizes_[name] = f.size;
    }
}

std::optional<FolderOutbox::Piece> FolderOutbox::take(std::size_t maxBytes, bool fullOnly) {
    for (auto& [name, f] : files_) {
        const std::int64_t waiting = f.size - f.sent;
        if (waiting <= 0 || (fullOnly && waiting < static_cast<std::int64_t>(maxBytes)))
            continue;
        std::ifstream in(dir_ + "/" + name, std::ios::binary);
        if (!in || !in.seekg(f.sent))
            continue;
        std::string bytes(static_cast<std::size_t>(std::min<std::int64_t>(waiting, maxBytes)),
                          '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        const std::size_t eol = bytes.rfind('\n');
        if (eol == std::string::npos)
            continue; // a line still being written
        bytes.resize(eol + 1);
        Piece piece{name, f.sent, std::move(bytes)};
        f.sent += static_cast<std::int64_t>(piece.bytes.size());
        f.inFlight.emplace(piece.offset, f.sent);
        return piece;
    }
    return std::nullopt;
}

void FolderOutbox::confirm(File& f, std::int64_t size) {
    if (size > f.confirmed) {
        f.confirmed = size;
        cursorChanged_ = true;
    }
}

void FolderOutbox::delivered(const std::string& file, std::int64_t offset) {
    const auto it = files_.find(file);
    if (it == files_.end())
        return;
    File& f = it->second;
    const auto piece = f.inFlight.find(offset);
    if (piece == f.inFlight.end())
        return; // handed back since, and out again
    f.inFlight.erase(piece);
    // Everything before the first piece still on its way is with the broker.
    f.delivered = std::max(
        f.delivered, f.inFlight.empty() ? f.sent : std::min(f.sent, f.inFlight.begin()->first));
    if (confirm_ == Confirm::Delivered)
        confirm(f, f.delivered);
}

void FolderOutbox::held(const std::string& file, std::int64_t size) {
    const auto it = files_.find(file);
    if (it != files_.end() && confirm_ == Confirm::Held)
        confirm(it->second, std::min(size, it->second.size));
}

void FolderOutbox::sendAgainFrom(const std::string& file, std::int64_t offset) {
    const auto it = files_.find(file);
    if (it == files_.end())
        return;
    File& f = it->second;
    f.sent = std::min(f.sent, offset);
}

void FolderOutbox::handBackAll() {
    for (auto& [name, f] : files_) {
        f.inFlight.clear();
        f.sent = std::min(f.sent, f.delivered);
    }
}

std::int64_t FolderOutbox::confirmedSize(const std::string& file) const {
    const auto it = files_.find(file);
    return it == files_.end() ? 0 : it->second.confirmed;
}

std::int64_t FolderOutbox::unconfirmed() const {
    std::int64_t n = 0;
    for (const auto& [name, f] : files_)
        n += std::max<std::int64_t>(0, f.size - f.confirmed);
    return n;
}
