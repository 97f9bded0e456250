#pragma once

// Dialog units to pixels as the dialog manager does it: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of
// its height, rounded to the nearest pixel.
struct DialogBaseUnits {
    int x; // average width of the 52 letters A-Z a-z, rounded
    int y; // the font's cell height
};

// Average width from the total width of "A..Za..z", rounded to nearest.
inline constexpr int averageLetterWidth(int widthOf52Letters) {
    return (widthOf52Letters / 26 + 1) / 2;
}

inline constexpr int mulDivRound(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

inline constexpr int duToPixelsX(int du, const DialogBaseUnits& base) {
    return mulDivRound(du, base.x, 4);
}
inline constexpr int duToPixelsY(int du, const DialogBaseUnits& base) {
    return mulDivRound(du, base.y, 8);
}
