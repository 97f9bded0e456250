#pragma once

#include <string>
#include <string_view>

// Number formatting and reading for every text the program writes or reads.
// These never consult the C locale: the GUI calls setlocale, and under a
// decimal-comma locale printf("%.2f") would write "55,20" into the files.

// printf("%<width>.<decimals>f", value): fixed notation, right-aligned with
// blanks in at least width characters.
std::string formatFixed(double value, int decimals, int width = 0);

// C's atof: skips leading white space, reads the longest decimal number that
// starts there and ignores the rest; 0 when no number starts there or it
// is out of the range of a double.
double leadingDecimal(std::string_view text);

// C's atoi on decimal digits: skips leading white space, reads an optional
// sign and the digits behind it; 0 when none. Saturates instead of overflowing.
long leadingInteger(std::string_view text);

// A count with its noun, for the English texts the program prints: "1 row",
// "0 rows", "2 rows".
std::string countOf(long long n, std::string_view one, std::string_view many);
