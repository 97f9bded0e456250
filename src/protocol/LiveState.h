#pragma once

#include <string>

// The meter's live state as the decoder leaves it after each frame.
struct LiveState {
    double level = 50.0;   // dB, resolution 0.1
    std::string meterTime; // dd-mm-yyyy,hh:mm:ss: the PC's date with the meter's clock
    int range = 0;         // 1 = 30-80, 2 = 50-100, 3 = 80-130, 4 = AUTO; 0 before any frame
    bool fast = false;
    bool meterRec = false;
    bool weightingA = false;
    bool maxMode = false;
    bool minMode = false;
    bool hold = false;
    bool under = false;
    bool over = false;
    bool stopKeyFlag = false;
    bool barFrozen = false;
    bool digitsFrozen = false;

    bool operator==(const LiveState&) const = default;
};
