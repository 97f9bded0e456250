#include "model/TextFormat.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view skipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return text.substr(i);
}

} // namespace

std::string formatFixed(double value, int decimals, int width) {
    char buf[400]; // the widest double in fixed notation is about 330 characters
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string text(buf, r.ec == std::errc{} ? r.ptr : buf);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

double leadingDecimal(std::string_view text) {
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // from_chars takes neither a sign nor blanks after the sign, as atof does not either
    if (text.empty() || text[0] == '+' || text[0] == '-')
        return 0.0;
    double v = 0.0;
    if (std::from_chars(text.data(), text.data() + text.size(), v).ec != std::errc{})
        return 0.0;
    return negative ? -v : v;
}

long leadingInteger(std::string_view text) {
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    long v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        const int digit = c - '0';
        if (v > (std::numeric_limits<long>::max() - digit) / 10)
            return negative ? std::numeric_limits<long>::min() : std::numeric_limits<long>::max();
        v = v * 10 + digit;
    }
    return negative ? -v : v;
}

std::string countOf(long long n, std::string_view one, std::string_view many) {
    return std::to_string(n) + ' ' + std::string(n == 1 ? one : many);
}
