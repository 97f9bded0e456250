#pragma once

#include "files/PrintLayout.h"

#include <cstddef>

// The view of a series of count readings that a graph widget of
// windowWidth x windowHeight shows after ResetView with xMax = 20 and the
// automatic growth of its X range: the span grows by a fifteenth per step
// until the last reading fits. What printing uses without a widget on screen.
// (The graph keeps the same rules in its own view state.)
PrintPlotView unzoomedPlotView(std::size_t count, int windowWidth, int windowHeight);
