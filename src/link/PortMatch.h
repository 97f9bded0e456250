#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One enumerated serial port.
struct SSerInfo {
    std::string devicePath;   // what to open: "\\.\COM3", "/dev/ttyUSB0"
    std::string portName;     // "COM3", "ttyUSB0"
    std::string friendlyName; // description followed by " (" port name ")"
    bool usb = false;
    std::string portDescription;
    int vendorId = -1; // USB ids when the system knows them
    int productId = -1;
};

// The name the meter's USB-to-UART bridge gives its ports on Windows.
inline constexpr std::string_view bridgeName = "Silicon Labs CP210x USB to UART Bridge";

// The meter's port as found among the enumerated ones.
struct MeterPort {
    std::string devicePath;
    std::optional<int> comNumber; // when the port has a COM number
};

// True for the Silicon Labs CP210x bridges by their USB ids.
bool isCp210x(int vendorId, int productId);

// The COM number behind the bridge name, "(COM12)" -> 12; none when what is
// left after trimming "(COM) " is not a number that fits an int.
std::optional<int> comNumberFromSuffix(std::string_view suffix);

// "COM7" -> 7.
std::optional<int> comNumberFromPortName(std::string_view portName);

// Picks the meter's port: an entry whose friendly name starts with the bridge
// name, or (where the system names the bridge differently) one with the
// bridge's USB ids. When several qualify the one enumerated last wins.
std::optional<MeterPort> findMeterPort(const std::vector<SSerInfo>& ports);

// What the user typed into the port dialog: a port number 0..256 or a device
// path ("/dev/ttyACM0", "COM5", "\\.\COM12"). None when it is neither.
struct PortChoice {
    std::optional<int> number;
    std::string path; // when not a number
};
inline constexpr int maxPortNumber = 256;
std::optional<PortChoice> parsePortChoice(std::string_view text);
