#include "formats/DefaultFileName.h"

#include "model/Clock.h"

std::string DefaultDataFileName(const Clock& clock, std::string_view extension) {
    const LocalTime t = clock.localNow();
    return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day) +
           " " + std::to_string(t.hour) + "-" + std::to_string(t.minute) + "." +
           std::string(extension);
}
