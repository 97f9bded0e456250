#include "link/PortMatch.h"

#include <gtest/gtest.h>

namespace {

SSerInfo bridge(const std::string& com) {
    SSerInfo s;
    s.devicePath = "\\\\.\\" + com;
    s.portName = com;
    s.friendlyName = std::string(bridgeName) + " (" + com + ")";
    s.portDescription = std::string(bridgeName);
    return s;
}

SSerInfo other(const std::string& com, const std::string& description) {
    SSerInfo s;
    s.devicePath = "\\\\.\\" + com;
    s.portName = com;
    s.friendlyName = description + " (" + com + ")";
    s.portDescription = description;
    return s;
}

SSerInfo linuxPort(const std::string& name, int vendor, int product) {
    SSerInfo s;
    s.devicePath = "/dev/" + name;
    s.portName = name;
    s.friendlyName = "CP2102 USB to UART Bridge Controller (" + name + ")";
    s.vendorId = vendor;
    s.productId = product;
    s.usb = true;
    return s;
}

} // namespace

TEST(PortMatch, BridgeNameGivesTheComNumber) {
    const auto m = findMeterPort({other("COM1", "Communications Port"), bridge("COM12")});
    ASSERT_TRUE(m);
    EXPECT_EQ(m->comNumber, 12);
    EXPECT_EQ(m->devicePath, "\\\\.\\COM12");
}

TEST(PortMatch, TheLastOfSeveralBridgesWins) {
    const auto m = findMeterPort({bridge("COM4"), other("COM1", "Modem"), bridge("COM9")});
    ASSERT_TRUE(m);
    EXPECT_EQ(m->comNumber, 9);
}

TEST(PortMatch, NoBridgeNoPort) {
    EXPECT_FALSE(findMeterPort({}));
    EXPECT_FALSE(findMeterPort(
        {other("COM1", "Communications Port"), other("COM5", "Silicon Labs CP210x USB to UART")}));
}

TEST(PortMatch, ComNumbersOfAnyLengthWithoutOverflow) {
    EXPECT_EQ(comNumberFromSuffix(" (COM12)"), 12);
    EXPECT_EQ(comNumberFromSuffix(" (COM65535)"), 65535);
    EXPECT_EQ(comNumberFromSuffix(" (COM1234567)"), 1234567);
    EXPECT_FALSE(comNumberFromSuffix(" (COM99999999999999999999)"));
    EXPECT_FALSE(comNumberFromSuffix(" (COM)"));
    EXPECT_FALSE(comNumberFromSuffix(""));
    EXPECT_FALSE(comNumberFromSuffix(" (COM1x)"));
    // a bridge whose number cannot be read is still the meter's port, by its path
    const auto m = findMeterPort({bridge("COM99999999999999999999")});
    ASSERT_TRUE(m);
    EXPECT_FALSE(m->comNumber);
    EXPECT_FALSE(m->devicePath.empty());
}

TEST(PortMatch, UsbIdsFindTheBridgeWhereItIsNamedOtherwise) {
    const auto m = findMeterPort({linuxPort("ttyS0", -1, -1), linuxPort("ttyUSB0", 0x10C4, 0xEA60),
                                  linuxPort("ttyACM0", 0x2341, 0x0043)});
    ASSERT_TRUE(m);
    EXPECT_EQ(m->devicePath, "/dev/ttyUSB0");
    EXPECT_FALSE(m->comNumber);

    for (int product : {0xEA60, 0xEA61, 0xEA63, 0xEA70, 0xEA71, 0xEA80})
        EXPECT_TRUE(isCp210x(0x10C4, product)) << product;
    EXPECT_FALSE(isCp210x(0x10C4, 0x8A2A));
    EXPECT_FALSE(isCp210x(0x0403, 0xEA60));

    // on Windows an id match still knows its COM number
    SSerInfo win = other("COM7", "Some other name");
    win.vendorId = 0x10C4;
    win.productId = 0xEA60;
    EXPECT_EQ(findMeterPort({bridge("COM3"), win})->comNumber, 7);
}

TEST(PortChoice, NumbersInRangeOrDevicePaths) {
    EXPECT_EQ(parsePortChoice("3")->number, 3);
    EXPECT_EQ(parsePortChoice(" 0 ")->number, 0);
    EXPECT_EQ(parsePortChoice("256")->number, 256);
    EXPECT_FALSE(parsePortChoice("257"));
    EXPECT_FALSE(parsePortChoice("-1"));
    EXPECT_FALSE(parsePortChoice("3a"));
    EXPECT_FALSE(parsePortChoice(""));
    EXPECT_FALSE(parsePortChoice("meter"));
    EXPECT_FALSE(parsePortChoice("99999999999999999999"));
    EXPECT_EQ(parsePortChoice("/dev/ttyACM0")->path, "/dev/ttyACM0");
    EXPECT_EQ(parsePortChoice("COM12")->path, "COM12");
    EXPECT_EQ(parsePortChoice("\\\\.\\COM3")->path, "\\\\.\\COM3");
}
