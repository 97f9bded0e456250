#pragma once

#include <QColor>

#include <array>

// The six keys on the meter picture: where they lie and what they send.
struct MeterButtonSpec {
    int id;              // control id
    const char* caption; // its tool tip, translated when shown
    int code;            // key code 0..5
    int homeX, homeY;
    int pressedX, pressedY; // one pixel right or down while held
    int width, height;
    bool round;
    const char* label; // printed on the key
    QColor color;
};

inline const std::array<MeterButtonSpec, 6> meterButtons{{
    {1049, QT_TRANSLATE_NOOP("CMeterButton", "Durdur"), 0, 65, 430, 65, 431, 50, 50, true, "HOLD",
     QColor(58, 60, 68)},
    {1054, "REC", 1, 79, 264, 80, 264, 38, 31, false, "REC", QColor(70, 72, 80)},
    {1051, "MaxMin", 2, 99, 218, 100, 218, 50, 30, false, "MAX/MIN", QColor(70, 90, 140)},
    {1050, "FastSlow", 3, 140, 316, 140, 317, 30, 30, false, "F/S", QColor(70, 90, 140)},
    {1053, "Level", 4, 99, 305, 100, 305, 40, 50, false, "LEVEL", QColor(70, 72, 80)},
    {1052, "AC", 5, 136, 270, 136, 271, 35, 35, true, "A/C", QColor(70, 90, 140)},
}};
