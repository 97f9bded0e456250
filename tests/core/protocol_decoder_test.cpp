#include "model/Clock.h"
#include "protocol/LiveEncoder.h"
#include "protocol/MeterDecoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> fromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// 2026-12-07 09:00:00 UTC
constexpr std::time_t testTime = 1796634000;

class DecoderTest : public ::testing::Test {
  protected:
    ManualClock clock{testTime};
    MeterDecoder decoder{clock};

    ReceiveEvents feed(const std::string& hex) {
        const auto bytes = fromHex(hex);
        return decoder.OnMeterData(bytes.data(), bytes.size());
    }
    ReceiveEvents feedBytes(const std::vector<std::uint8_t>& bytes) {
        return decoder.OnMeterData(bytes.data(), bytes.size());
    }
};

// A frame with the given body; the body is padded with zero bytes to 20 bytes.
std::string frame(const std::string& body) {
    std::string f = "a50d" + body;
    f.resize(40, '0');
    return f;
}

TEST_F(DecoderTest, ChunksShorterThanAFrameOnlyFeedTheLink) {
    auto ev = feed("a50d0456");
    EXPECT_FALSE(ev.redraw);
    EXPECT_EQ(decoder.recvText, "a50d0456");
    EXPECT_TRUE(decoder.connected);
    EXPECT_EQ(decoder.lastReceiveTime, testTime);
    EXPECT_EQ(decoder.rxByteCount, 4);
    EXPECT_EQ(decoder.state, LiveState{});
}

TEST_F(DecoderTest, FrameIsDecodedOnlyWhenDataFollowsIt) {
    const std::string f = frame("0456");
    // Exactly one frame in the buffer: replaced by the chunk text, not decoded.
    auto ev = feed(f);
    EXPECT_TRUE(ev.redraw);
    EXPECT_EQ(decoder.state.level, 50.0);
    EXPECT_EQ(decoder.recvText, f);
    // The next chunk pushes the buffer past 40 characters: now the frame decodes.
    ev = feed("a5");
    EXPECT_TRUE(ev.redraw);
    EXPECT_DOUBLE_EQ(decoder.state.level, 45.6);
    EXPECT_EQ(decoder.recvText, "a5");
    EXPECT_EQ(decoder.rxByteCount, 0);
}

TEST_F(DecoderTest, GarbageBeforeTheMarkerIsDroppedAndTheFrameWaits) {
    const std::string f = frame("1234");
    auto ev = feed("0102" + f);
    EXPECT_TRUE(ev.redraw);
    EXPECT_EQ(decoder.recvText, f);
    EXPECT_EQ(decoder.state.level, 50.0);
    feed("00");
    EXPECT_DOUBLE_EQ(decoder.state.level, 123.4);
}

TEST_F(DecoderTest, NoMarkerLetsTextGrowWithoutRedrawButBounded) {
    for (int i = 0; i < 200; ++i) {
        auto ev = feed("0102030405060708090a0b0c0d0e0f1011121314");
        EXPECT_FALSE(ev.redraw);
    }
    EXPECT_LE(decoder.recvText.size(), MeterDecoder::maxLiveText);
    // A frame arriving after the garbage is still found.
    feed(frame("0777") + "00");
    feed("00");
    EXPECT_DOUBLE_EQ(decoder.state.level, 77.7);
}

TEST_F(DecoderTest, ReadingConversion) {
    const std::pair<std::string, double> cases[] = {
        {"0456", 45.6}, {"1234", 123.4}, {"0056", 5.6}, {"0000", 0.0}, {"0999", 99.9}};
    for (const auto& [digits, level] : cases) {
        feed(frame(digits) + "00");
        EXPECT_DOUBLE_EQ(decoder.state.level, level) << digits;
        decoder.recvText.clear();
    }
}

TEST_F(DecoderTest, HoldMarkerAnywhereDropsTheChunk) {
    decoder.recording = true;
    // 0x0F 0xF1 gives the text 0ff1: "ff" across a byte boundary counts.
    auto ev = feed("0ff1");
    EXPECT_TRUE(decoder.state.hold);
    EXPECT_TRUE(ev.stopRecording);
    EXPECT_FALSE(ev.redraw);
    EXPECT_TRUE(decoder.recvText.empty());
    // Not recording: hold, but no stop asked.
    decoder.recording = false;
    ev = feed("ff");
    EXPECT_FALSE(ev.stopRecording);
    // The next chunk that completes a frame's worth of text clears hold.
    feed(frame("0456"));
    EXPECT_FALSE(decoder.state.hold);
}

TEST_F(DecoderTest, StopKeyFlagIsClearedByFramesAndHoldChunks) {
    decoder.state.stopKeyFlag = true;
    feed("a50d");
    EXPECT_TRUE(decoder.state.stopKeyFlag) << "no frame attempt yet";
    feed("ff");
    EXPECT_FALSE(decoder.state.stopKeyFlag);
    decoder.state.stopKeyFlag = true;
    feed(frame("0456").substr(4));
    EXPECT_FALSE(decoder.state.stopKeyFlag);
}

TEST_F(DecoderTest, TokenPrecedenceFollowsTheTableOrder) {
    feed(frame("0456"
               "a502a503") +
         "00");
    EXPECT_FALSE(decoder.state.fast);
    decoder.recvText.clear();
    feed(frame("0456"
               "a505a504") +
         "00");
    EXPECT_TRUE(decoder.state.minMode);
    EXPECT_FALSE(decoder.state.maxMode);
    decoder.recvText.clear();
    feed(frame("0456"
               "a507a511a508") +
         "00");
    EXPECT_FALSE(decoder.state.under);
    EXPECT_TRUE(decoder.state.over);
    decoder.recvText.clear();
    feed(frame("0456"
               "a540a54ca54ba530") +
         "00");
    EXPECT_EQ(decoder.state.range, 4);
}

TEST_F(DecoderTest, TokensNeedNotStartOnAByte) {
    // Bytes 0x0A 0x50 0x20 contain "a502" at an odd position.
    feed(frame("0456"
               "0a5020") +
         "00");
    EXPECT_TRUE(decoder.state.fast);
}

TEST_F(DecoderTest, AbsentTokensKeepTheirFieldsButFreezeFlagsFollowEachFrame) {
    feed(frame("0456"
               "a502a50aa50ba50c") +
         "00");
    EXPECT_TRUE(decoder.state.barFrozen);
    EXPECT_TRUE(decoder.state.digitsFrozen);
    decoder.recvText.clear();
    feed(frame("0456") + "00");
    EXPECT_TRUE(decoder.state.fast);
    EXPECT_TRUE(decoder.state.meterRec);
    EXPECT_FALSE(decoder.state.barFrozen);
    EXPECT_FALSE(decoder.state.digitsFrozen);
}

TEST_F(DecoderTest, WeightingByte) {
    feed(frame("0456000000"
               "1b") +
         "00");
    EXPECT_TRUE(decoder.state.weightingA);
    decoder.recvText.clear();
    feed(frame("0456000000"
               "1c") +
         "00");
    EXPECT_FALSE(decoder.state.weightingA);
    decoder.recvText.clear();
    feed(frame("0456000000"
               "77") +
         "00");
    EXPECT_FALSE(decoder.state.weightingA) << "other bytes leave it unchanged";
}

TEST_F(DecoderTest, ClockHourByte) {
    const std::pair<std::string, std::string> cases[] = {{"12", "12"}, {"22", "14"}, {"32", "12"},
                                                         {"09", "09"}, {"21", "13"}, {"31", "23"}};
    for (const auto& [byte, hour] : cases) {
        feed(frame("0456a506" + byte + "0533") + "00");
        EXPECT_EQ(decoder.state.meterTime, "07-12-2026," + hour + ":05:33") << byte;
        decoder.recvText.clear();
    }
    // Without the clock token the time stays.
    feed(frame("0456") + "00");
    EXPECT_EQ(decoder.state.meterTime, "07-12-2026,23:05:33");
}

TEST_F(DecoderTest, ClockAtTheFrameEndReadsOnlyWhatIsThere) {
    // "a506" in the last four characters: no hour, minute or second characters.
    std::string f = frame("0456");
    f.replace(36, 4, "a506");
    feed(f + "00");
    EXPECT_EQ(decoder.state.meterTime, "07-12-2026,00::");
}

TEST(EncoderRoundTrip, EveryEncodedStateDecodesBackFromAnyPriorState) {
    std::mt19937 rng(12345);
    auto coin = [&] { return (rng() & 1) != 0; };
    ManualClock clock{testTime};
    MeterDecoder decoder{clock};
    for (int i = 0; i < 5000; ++i) {
        MeterReading r;
        r.tenths = static_cast<int>(rng() % 10000);
        r.hour = static_cast<int>(rng() % 24);
        r.minute = static_cast<int>(rng() % 60);
        r.second = static_cast<int>(rng() % 60);
        r.range = 1 + static_cast<int>(rng() % 4);
        r.fast = coin();
        r.meterRec = coin();
        r.weightingA = coin();
        const int mm = static_cast<int>(rng() % 3);
        r.maxMode = mm == 1;
        r.minMode = mm == 2;
        r.under = coin();
        r.over = coin();
        r.barFrozen = coin();
        r.digitsFrozen = coin();

        auto bytes = EncodeLiveFrames(r);
        ASSERT_EQ(bytes.size(), 40u);
        // Fed in reads of at most 20 bytes, cut anywhere, as the port delivers them.
        const std::size_t cut = 1 + rng() % 19;
        bytes.push_back(0xA5); // the start of the next frame
        decoder.OnMeterData(bytes.data(), cut);
        decoder.OnMeterData(bytes.data() + cut, 20);
        decoder.OnMeterData(bytes.data() + cut + 20, bytes.size() - cut - 20);

        const LiveState& s = decoder.state;
        ASSERT_DOUBLE_EQ(s.level, r.tenths / 10.0) << i;
        char t[32];
        std::snprintf(t, sizeof t, "07-12-2026,%.2d:%.2d:%.2d", r.hour, r.minute, r.second);
        ASSERT_EQ(s.meterTime, t) << i;
        ASSERT_EQ(s.range, r.range);
        ASSERT_EQ(s.fast, r.fast);
        ASSERT_EQ(s.meterRec, r.meterRec);
        ASSERT_EQ(s.weightingA, r.weightingA);
        ASSERT_EQ(s.maxMode, r.maxMode);
        ASSERT_EQ(s.minMode, r.minMode);
        ASSERT_EQ(s.under, r.under);
        ASSERT_EQ(s.over, r.over);
        ASSERT_EQ(s.barFrozen, r.barFrozen);
        ASSERT_EQ(s.digitsFrozen, r.digitsFrozen);
        ASSERT_FALSE(s.hold);
        decoder.recvText.clear();
    }
}

TEST(EncoderRoundTrip, FramesNeverLookLikeHold) {
    MeterReading r;
    for (r.tenths = 0; r.tenths < 10000; r.tenths += 7) {
        r.hour = r.tenths % 24;
        const auto bytes = EncodeLiveFrames(r);
        EXPECT_EQ(toHexText(bytes.data(), bytes.size()).find("ff"), std::string::npos);
    }
}

} // namespace
