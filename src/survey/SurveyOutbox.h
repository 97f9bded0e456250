#pragma once

// A survey's summary.csv, events.csv and exceedances.csv as an outbox: the
// rows of each go to a receiver in order, and a cursor file beside them remembers how far the
// receiver has confirmed them, so that after an outage of any length or a
// restart of either side the rest follows. A row may reach the receiver
// twice, never not at all. The transport (MQTT today) only carries what this
// hands it and says which rows were confirmed or refused.
//
// Not locked: its owner keeps it on one thread or under one lock.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* outboxCursorFileName = "mqtt-outbox.txt";

class SurveyOutbox {
  public:
    enum class Box { Summary, Events, Exceedances };
    struct Row {
        Box box;
        long long seq = 0; // the row's number in its file, from 1
        std::string csv;   // without its CR LF
    };

    // destination names the receiver: a cursor written for another one is
    // not taken, and everything goes out again.
    SurveyOutbox(std::string dir, std::string destination);

    // Reads the cursor file; a note for the user when it was for another receiver.
    std::optional<std::string> load();
    // Takes the whole rows written since the last read (a row still being
    // written waits), up to a thousand waiting at a time.
    void read();

    // Rows not handed out yet, oldest first, at most limit; each is handed
    // out once until it comes back (refused, or the link went away).
    std::vector<Row> take(std::size_t limit);
    // The receiver has the row: the cursor moves over every row before the
    // first one still unconfirmed.
    void confirmed(Box box, long long seq);
    // The receiver did not take the row: it is handed out again.
    void refused(Box box, long long seq);
    // The link went away: every row handed out and unconfirmed goes again.
    void handBackAll();

    // Rows read and not confirmed yet.
    long long unconfirmed() const;
    // The cursor has moved since it was last written.
    bool cursorChanged() const { return cursorChanged_; }
    // Writes the cursor (to a sibling, then renamed over it: a power cut
    // leaves the old cursor or the new, and an old one only repeats rows).
    bool writeCursor(std::string& error);

  private:
    struct Waiting {
        long long seq;
        std::int64_t end; // the offset after its line
        std::string csv;
        bool handedOut = false;
        bool confirmed = false;
    };
    struct File {
        Box box;
        std::string name;
        long long confirmedRows = 0;
        std::int64_t confirmedOffset = 0;
        std::int64_t readOffset = 0;
        std::deque<Waiting> rows; // from confirmedRows + 1
    };
    File& file(Box box) { return files_[static_cast<int>(box)]; }
    void read(File& f);

    std::string dir_;
    std::string destination_;
    File files_[3];
    bool cursorChanged_ = false;
};
