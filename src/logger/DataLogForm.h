#pragma once

#include "ui/FormBuilder.h"

// Dialog template 145: the DATALOGGER window.
FormSpec dataLogFormSpec();
// Dialog template 146: the download's progress dialog.
FormSpec logStateFormSpec();

// Control ids of the DATALOGGER window that the program addresses; its
// read-out fields are the graph's (ReadoutId), as on the main form.
namespace DataLogId {
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
inline constexpr int dataSets = 1035;
inline constexpr int hScroll = 1038;
inline constexpr int vScroll = 1039;
inline constexpr int progress = 1057;
} // namespace DataLogId
