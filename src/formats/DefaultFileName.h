#pragma once

#include <string>
#include <string_view>

class Clock;

// The name a save dialog proposes: the clock's local date and time as
// "%d-%d-%d %d-%d" (year, month, day, hour, minute, no leading zeros), a dot
// and the extension; 7 March 2015, 9:05 with "txt" gives "2015-3-7 9-5.txt".
std::string DefaultDataFileName(const Clock& clock, std::string_view extension);
