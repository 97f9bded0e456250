// The folder as an outbox of bytes on folders the test writes: whole lines
// in pieces, the cursor moved by the broker's acknowledgements without a
// hole or by what the archives hold, pieces again from where an archive
// lacks them, and a cursor taken up again after a restart.
#include "survey/FolderOutbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

struct Folder {
    explicit Folder(const std::string& name) : dir(fs::path(VREL_TEST_TMP) / name) {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void append(const char* file, const std::string& bytes) const {
        std::ofstream(dir / file, std::ios::binary | std::ios::app) << bytes;
    }
    fs::path dir;
};

constexpr const char* data = "survey-2026-12-09T02.txt";

std::string text(const std::optional<FolderOutbox::Piece>& p) {
    return p ? p->file + "@" + std::to_string(p->offset) + ":" + p->bytes : "none";
}

TEST(FolderOutbox, NamesAnArchiveCarriesAreTheDataFilesAndTables) {
    for (const char* name : {"summary.csv", "events.csv", "markers.csv", data})
        EXPECT_TRUE(isSurveyFolderFileName(name)) << name;
    for (const char* name : {"mqtt-outbox.txt", "mqtt-archive.txt", "../x.csv", ".csv", "a b.csv",
                             ".hidden.csv", "notes.txt"})
        EXPECT_FALSE(isSurveyFolderFileName(name)) << name;
}

TEST(FolderOutbox, WholeLinesGoAndTheBrokersAcknowledgementsMoveTheCursorWithoutAHole) {
    const Folder folder("folder-outbox-delivered");
    folder.append(data, "h\r\n1\r\n2\r\nhal");
    folder.append("summary.csv", "s\r\n");
    folder.append("mqtt-outbox.txt", "not carried\n");
    FolderOutbox outbox(folder.dir.string(), "b", FolderOutbox::Confirm::Delivered);
    EXPECT_FALSE(outbox.load());
    outbox.scan();
    EXPECT_EQ(text(outbox.take(4, false)), "summary.csv@0:s\r\n");
    EXPECT_EQ(text(outbox.take(4, false)), std::string(data) + "@0:h\r\n") << "at most 4 bytes";
    EXPECT_EQ(text(outbox.take(6, true)), std::string(data) + "@3:1\r\n2\r\n")
        << "a full piece waits no round";
    EXPECT_EQ(text(outbox.take(6, false)), "none") << "a line still being written waits";
    EXPECT_EQ(outbox.unconfirmed(), 3 + 12);

    outbox.delivered(data, 3); // out of order: a hole before it
    EXPECT_EQ(outbox.confirmedSize(data), 0);
    outbox.delivered(data, 0);
    EXPECT_EQ(outbox.confirmedSize(data), 9);
    EXPECT_TRUE(outbox.cursorChanged());
    // The link went before the summary's piece was acknowledged: it goes again.
    outbox.handBackAll();
    EXPECT_EQ(text(outbox.take(64, false)), "summary.csv@0:s\r\n");
    // An archive lacks the data file from its header on.
    outbox.sendAgainFrom(data, 3);
    EXPECT_EQ(text(outbox.take(64, false)), std::string(data) + "@3:1\r\n2\r\n");
    outbox.delivered("summary.csv", 0);
    std::string error;
    ASSERT_TRUE(outbox.writeCursor(error)) << error;

    folder.append(data, "f\r\n");
    FolderOutbox again(folder.dir.string(), "b", FolderOutbox::Confirm::Delivered);
    EXPECT_FALSE(again.load());
    again.scan();
    EXPECT_EQ(text(again.take(64, false)), std::string(data) + "@9:half\r\n")
        << "only what the cursor does not hold";
    EXPECT_EQ(text(again.take(64, false)), "none");

    FolderOutbox elsewhere(folder.dir.string(), "c", FolderOutbox::Confirm::Delivered);
    EXPECT_TRUE(elsewhere.load()) << "another receiver: said, and all of it again";
    elsewhere.scan();
    EXPECT_EQ(text(elsewhere.take(64, false)), "summary.csv@0:s\r\n");
}

TEST(FolderOutbox, HeldByTheArchivesTheBrokersAcknowledgementMovesNothing) {
    const Folder folder("folder-outbox-held");
    folder.append(data, "h\r\n1\r\n");
    FolderOutbox outbox(folder.dir.string(), "b archived by x", FolderOutbox::Confirm::Held);
    outbox.scan();
    EXPECT_EQ(text(outbox.take(64, false)), std::string(data) + "@0:h\r\n1\r\n");
    outbox.delivered(data, 0);
    EXPECT_EQ(outbox.confirmedSize(data), 0);
    outbox.held(data, 3);
    EXPECT_EQ(outbox.confirmedSize(data), 3);
    outbox.held(data, 2);
    EXPECT_EQ(outbox.confirmedSize(data), 3) << "never back";
    outbox.held(data, 99);
    EXPECT_EQ(outbox.confirmedSize(data), 6) << "never beyond the file";
    EXPECT_EQ(outbox.unconfirmed(), 0);
}

} // namespace
