#pragma once

// A survey's folder as an outbox of bytes: every data file and table goes to
// an archive in pieces of whole lines, so the archive's folder becomes the
// survey's file for file. The files themselves are what waits; a cursor file
// beside them says how far the archive is known to hold each one, so an
// outage of any length costs nothing but that cursor, and after a restart of
// either side the rest follows. A piece may reach the archive twice (it
// writes by offset and leaves out what it has), never not at all.
//
// How far a file is confirmed is the transport's business: the broker's
// acknowledgement of each piece (delivered), or what the archives say they
// hold on their disks (held).
//
// Not locked: its owner keeps it on one thread or under one lock.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* folderCursorFileName = "mqtt-archive.txt";

// The files of a survey folder that an archive carries: its data files and
// its tables (summary.csv, events.csv, and whatever other .csv it holds).
bool isSurveyFolderFileName(std::string_view name);

class FolderOutbox {
  public:
    enum class Confirm {
        Delivered, // the broker's acknowledgement
        Held       // held(): what the archives have on their disks
    };
    // destination names the receiver: a cursor written for another one is
    // not taken, and everything goes out again.
    FolderOutbox(std::string dir, std::string destination, Confirm confirm);

    // Reads the cursor file; a note for the user when it was for another receiver.
    std::optional<std::string> load();
    // Looks at the folder again: files made since and how far each has grown.
    void scan();

    struct Piece {
        std::string file;
        std::int64_t offset = 0;
        std::string bytes;
    };
    // The next whole lines not handed out yet, at most maxBytes, from the
    // first file that has any; with fullOnly only from a file that has
    // maxBytes or more waiting (the rest goes in the next round).
    std::optional<Piece> take(std::size_t maxBytes, bool fullOnly);
    // The broker has the piece that began at offset.
    void delivered(const std::string& file, std::int64_t offset);
    // Every archive that counts holds the file up to size.
    void held(const std::string& file, std::int64_t size);
    // An archive lacks what follows offset: it goes out again.
    void sendAgainFrom(const std::string& file, std::int64_t offset);
    // The link went away: what the broker did not acknowledge goes again.
    void handBackAll();

    // How far the file is confirmed (0 for a file not known).
    std::int64_t confirmedSize(const std::string& file) const;
    const std::map<std::string, std::int64_t>& sizes() const { return sizes_; }
    // Bytes in the folder not confirmed yet.
    std::int64_t unconfirmed() const;
    bool cursorChanged() const { return cursorChanged_; }
    // Writes the cursor (to a sibling, then renamed over it).
    bool writeCursor(std::string& error);

  private:
    struct File {
        std::int64_t size = 0;
        std::int64_t sent = 0;
        std::int64_t delivered = 0;
        std::int64_t confirmed = 0;
        std::multimap<std::int64_t, std::int64_t> inFlight; // offset: end
    };
    void confirm(File& f, std::int64_t size);

    std::string dir_;
    std::string destination_;
    Confirm confirm_;
    std::map<std::string, File> files_;
    std::map<std::string, std::int64_t> sizes_; // as the last scan saw them
    bool cursorChanged_ = false;
};
