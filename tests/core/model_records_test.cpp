#include "model/RecordList.h"

#include <gtest/gtest.h>

// The packed levels a redraw walks must always be those of the records.
TEST(RecordList, PackedLevelsStayInStepWithTheRecords) {
    RecordList a;
    a.append(CObjData(55.2, "07-12-2026,09:00:00", "dBA", 0, 0.5));
    a.append(CObjData(5.5, "07-12-2026,09:00:01", "dBA", 0, 0.5));
    RecordList b;
    b.append(CObjData(101.3, "07-12-2026,09:00:02", "dBC", 0, 0.5));
    b.append(a);
    ASSERT_EQ(b.values().size(), b.size());
    for (std::size_t i = 0; i < b.size(); ++i)
        EXPECT_EQ(b.values()[i], b[i].value());
    b.clear();
    EXPECT_TRUE(b.values().empty());
    b.append(CObjData(70, "07-12-2026,09:00:03", "dBA", 0, 0.5));
    EXPECT_EQ(b.values(), std::vector<double>{70});
}
