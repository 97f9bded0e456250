#pragma once

#include "ui/FormBuilder.h"

// Dialog template 101: the main view's form.
FormSpec mainFormSpec();

// Control ids of the main form that the program addresses.
namespace MainFormId {
inline constexpr int zoomBack = 1000;
inline constexpr int startTime = 1001;
inline constexpr int maxValue = 1002;
inline constexpr int maxTime = 1003;
inline constexpr int average = 1005;
inline constexpr int minTime = 1006;
inline constexpr int interval = 1007;
inline constexpr int minValue = 1008;
inline constexpr int dataCount = 1009;
inline constexpr int graph = 1010;
inline constexpr int cursorALabel = 1030;
inline constexpr int cursorBLabel = 1031;
inline constexpr int table = 1037;
inline constexpr int hScroll = 1038;
inline constexpr int vScroll = 1039;
inline constexpr int curveGroup = 1058;
inline constexpr int showCurve = 1059;
inline constexpr int showTable = 1060;
inline constexpr int cursorGroup = 1061;
inline constexpr int stopNote = 1062;
} // namespace MainFormId
