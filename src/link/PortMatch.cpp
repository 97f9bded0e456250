#include "link/PortMatch.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

std::optional<int> parseNumber(std::string_view digits) {
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int n = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (r.ec != std::errc{})
        return std::nullopt;
    return n;
}

} // namespace

bool isCp210x(int vendorId, int productId) {
    constexpr int siliconLabs = 0x10C4;
    constexpr std::array<int, 6> products{0xEA60, 0xEA61, 0xEA63, 0xEA70, 0xEA71, 0xEA80};
    return vendorId == siliconLabs &&
           std::find(products.begin(), products.end(), productId) != products.end();
}

std::optional<int> comNumberFromSuffix(std::string_view suffix) {
    constexpr std::string_view trimmed = "(COM) ";
    const auto first = suffix.find_first_not_of(trimmed);
    if (first == std::string_view::npos)
        return std::nullopt;
    const auto last = suffix.find_last_not_of(trimmed);
    return parseNumber(suffix.substr(first, last - first + 1));
}

std::optional<int> comNumberFromPortName(std::string_view portName) {
    if (!portName.starts_with("COM"))
        return std::nullopt;
    return parseNumber(portName.substr(3));
}

std::optional<MeterPort> findMeterPort(const std::vector<SSerInfo>& ports) {
    std::optional<MeterPort> found;
    for (const SSerInfo& p : ports) {
        const std::string_view friendly = p.friendlyName;
        if (friendly.substr(0, bridgeName.size()) == bridgeName) {
            found =
                MeterPort{p.devicePath, comNumberFromSuffix(friendly.substr(bridgeName.size()))};
        } else if (isCp210x(p.vendorId, p.productId)) {
            found = MeterPort{p.devicePath, comNumberFromPortName(p.portName)};
        }
    }
    return found;
}

std::optional<PortChoice> parsePortChoice(std::string_view text) {
    constexpr std::string_view blanks = " \t";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    if (text.front() >= '0' && text.front() <= '9') {
        const auto n = parseNumber(text);
        if (!n || *n > maxPortNumber)
            return std::nullopt;
        return PortChoice{n, {}};
    }
    if (text.starts_with('/') || text.starts_with("\\\\") || comNumberFromPortName(text))
        return PortChoice{std::nullopt, std::string(text)};
    return std::nullopt;
}
