#pragma once

#include <QPixmap>

// The pictures of the meter panel, drawn once by code at their exact sizes.
class PanelArt {
  public:
    static const PanelArt& instance();

    QPixmap body;       // 195 x 533, the meter switched on
    QPixmap bodyOff;    // 195 x 533, the meter switched off
    QPixmap digits[10]; // 25 x 53 seven-segment digits, transparent around
    QPixmap point;      // 7 x 8
    QPixmap tick;       // 1 x 7
    QPixmap keys[6];    // by key code, at the sizes of the meter buttons

  private:
    PanelArt();
};

// The colour the display is filled with before the readout is drawn.
inline constexpr QRgb lcdColor = 0xff808c80; // RGB(128,140,128)
