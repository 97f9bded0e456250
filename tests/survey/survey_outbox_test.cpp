// The survey's outbox on folders the test writes: rows in order, a row still
// being written waits, the cursor moves only over rows confirmed without a
// hole, and a cursor taken up again after a restart sends only the rest.
#include "survey/SeriesEvents.h"
#include "survey/Survey.h"
#include "survey/SurveyOutbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using Box = SurveyOutbox::Box;

struct OutboxFolder {
    explicit OutboxFolder(const std::string& name) : dir(fs::path(VREL_TEST_TMP) / name) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        append(summaryFileName, std::string(summaryHeader) + "\r\n");
        append(eventsFileName, std::string(eventsHeader) + "\r\n");
    }
    void append(const char* file, const std::string& bytes) const {
        std::ofstream(dir / file, std::ios::binary | std::ios::app) << bytes;
    }
    fs::path dir;
};

std::vector<std::string> texts(const std::vector<SurveyOutbox::Row>& rows) {
    std::vector<std::string> out;
    for (const SurveyOutbox::Row& r : rows)
        out.push_back((r.box == Box::Summary  ? "s"
                       : r.box == Box::Events ? "e"
                                              : "x") +
                      std::to_string(r.seq) + ":" + r.csv);
    return out;
}

TEST(SurveyOutbox, RowsGoInOrderAndTheCursorMovesOnlyOverConfirmedOnes) {
    const OutboxFolder folder("outbox-order");
    folder.append(summaryFileName, "a\r\nb\r\nc\r\nhalf");
    folder.append(eventsFileName, "x\r\n");
    SurveyOutbox outbox(folder.dir.string(), "mqtt://b:1883 vrel/v1/s/m");
    EXPECT_FALSE(outbox.load()) << "no cursor yet";
    outbox.read();
    EXPECT_EQ(texts(outbox.take(2)), (std::vector<std::string>{"s1:a", "s2:b"}));
    EXPECT_EQ(texts(outbox.take(10)), (std::vector<std::string>{"s3:c", "e1:x"}))
        << "a row still being written waits";
    EXPECT_EQ(outbox.unconfirmed(), 4);

    // Confirmed out of order: the cursor stops at the first hole.
    outbox.confirmed(Box::Summary, 2);
    EXPECT_FALSE(outbox.cursorChanged());
    outbox.confirmed(Box::Summary, 1);
    EXPECT_TRUE(outbox.cursorChanged());
    outbox.confirmed(Box::Summary, 1); // twice: nothing
    // Refused, and the link went: offered again, in order.
    outbox.refused(Box::Summary, 3);
    EXPECT_EQ(texts(outbox.take(10)), (std::vector<std::string>{"s3:c"}));
    outbox.handBackAll();
    EXPECT_EQ(texts(outbox.take(10)), (std::vector<std::string>{"s3:c", "e1:x"}));
    std::string error;
    ASSERT_TRUE(outbox.writeCursor(error)) << error;
    EXPECT_FALSE(outbox.cursorChanged());

    // The half row is finished; a restart takes the cursor and sends the rest only.
    folder.append(summaryFileName, "-row\r\n");
    SurveyOutbox again(folder.dir.string(), "mqtt://b:1883 vrel/v1/s/m");
    EXPECT_FALSE(again.load());
    again.read();
    EXPECT_EQ(texts(again.take(10)), (std::vector<std::string>{"s3:c", "s4:half-row", "e1:x"}));
}

TEST(SurveyOutbox, ACursorForAnotherReceiverOrALongerFileIsNotTaken) {
    const OutboxFolder folder("outbox-cursor");
    folder.append(summaryFileName, "a\r\nb\r\n");
    {
        SurveyOutbox outbox(folder.dir.string(), "mqtt://b:1883 vrel/v1/s/m");
        outbox.read();
        outbox.take(10);
        outbox.confirmed(Box::Summary, 1);
        outbox.confirmed(Box::Summary, 2);
        std::string error;
        ASSERT_TRUE(outbox.writeCursor(error)) << error;
    }
    SurveyOutbox other(folder.dir.string(), "mqtt://c:1883 vrel/v1/s/m");
    const auto note = other.load();
    ASSERT_TRUE(note);
    EXPECT_NE(note->find("another broker"), std::string::npos);
    other.read();
    EXPECT_EQ(other.unconfirmed(), 2) << "everything to the new receiver";

    // summary.csv replaced by a shorter one: the cursor points past its end.
    fs::remove(folder.dir / summaryFileName);
    folder.append(summaryFileName, std::string(summaryHeader) + "\r\nz\r\n");
    SurveyOutbox replaced(folder.dir.string(), "mqtt://b:1883 vrel/v1/s/m");
    EXPECT_FALSE(replaced.load());
    replaced.read();
    EXPECT_EQ(texts(replaced.take(10)), (std::vector<std::string>{"s1:z"}));
}

// A cursor written before exceedances.csv went out holds no line for it: the
// other files go on from where they were, exceedances.csv from its start.
TEST(SurveyOutbox, ExceedancesAreAThirdFileAndAnOlderCursorStillCounts) {
    const OutboxFolder folder("outbox-exceedances");
    folder.append(summaryFileName, "a\r\nb\r\n");
    folder.append(exceedancesFileName, std::string(exceedancesHeader) + "\r\n1,p\r\n2,q\r\n");
    const std::string header = std::string(summaryHeader) + "\r\n";
    std::ofstream(folder.dir / outboxCursorFileName, std::ios::binary)
        << "to mqtt://b:1883 vrel/v1/s/m\nsummary.csv 1 " << header.size() + 3 << "\nevents.csv 0 "
        << std::string(eventsHeader).size() + 2 << "\n";
    SurveyOutbox outbox(folder.dir.string(), "mqtt://b:1883 vrel/v1/s/m");
    EXPECT_FALSE(outbox.load());
    outbox.read();
    EXPECT_EQ(texts(outbox.take(10)), (std::vector<std::string>{"s2:b", "x1:1,p", "x2:2,q"}));
    outbox.confirmed(Box::Exceedances, 1);
    std::string error;
    ASSERT_TRUE(outbox.writeCursor(error)) << error;

    SurveyOutbox again(folder.dir.string(), "mqtt://b:1883 vrel/v1/s/m");
    EXPECT_FALSE(again.load());
    again.read();
    EXPECT_EQ(texts(again.take(10)), (std::vector<std::string>{"s2:b", "x2:2,q"}));
}

} // namespace
