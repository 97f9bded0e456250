#include "protocol/MeterKeys.h"

#include <gtest/gtest.h>

TEST(MeterKeys, BytesAndPeriodsOfTheSixKeys) {
    const std::uint8_t bytes[] = {0x33, 0x55, 0x11, 0x77, 0x88, 0x99};
    for (int code = 0; code < meterKeyCount; ++code) {
        const auto key = meterKey(code);
        ASSERT_TRUE(key);
        EXPECT_EQ(key->byte, bytes[code]);
        EXPECT_EQ(key->periodMs, code == 4 ? 500 : 600);
    }
    EXPECT_FALSE(meterKey(-1));
    EXPECT_FALSE(meterKey(6));
}

TEST(MeterKeys, EachKeyWatchesTheFieldItChanges) {
    LiveState s;
    EXPECT_EQ(watchedField(0, s), WatchedField::Hold);
    EXPECT_EQ(watchedField(1, s), WatchedField::MeterRec);
    EXPECT_EQ(watchedField(3, s), WatchedField::Fast);
    EXPECT_EQ(watchedField(4, s), WatchedField::Range);
    EXPECT_EQ(watchedField(5, s), WatchedField::WeightingA);
    EXPECT_EQ(watchedField(2, s), WatchedField::MaxMode);
    s.maxMode = true;
    EXPECT_EQ(watchedField(2, s), WatchedField::MaxMode);
    s.maxMode = false;
    s.minMode = true;
    EXPECT_EQ(watchedField(2, s), WatchedField::MinMode);
}

TEST(MeterKeys, FieldValuesSeeEveryChange) {
    LiveState s;
    s.range = 1;
    const int before = fieldValue(WatchedField::Range, s);
    s.range = 2;
    EXPECT_NE(fieldValue(WatchedField::Range, s), before);
    EXPECT_EQ(fieldValue(WatchedField::Hold, s), 0);
    s.hold = true;
    EXPECT_EQ(fieldValue(WatchedField::Hold, s), 1);
    s.fast = true;
    EXPECT_EQ(fieldValue(WatchedField::Fast, s), 1);
}
