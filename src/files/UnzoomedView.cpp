#include "files/UnzoomedView.h"

PrintPlotView unzoomedPlotView(std::size_t count, int windowWidth, int windowHeight) {
    PrintPlotView v;
    v.windowWidth = windowWidth;
    v.plotWidth = windowWidth - 90;
    v.plotHeight = windowHeight - 30;
    if (v.plotWidth <= 0 || v.plotHeight <= 0)
        return v;
    const double yMax = 130;
    double xMax = 20;
    v.xMin = 0;
    v.xScale = (xMax - v.xMin) / v.plotWidth;
    v.yScale = yMax / v.plotHeight;
    v.xOrigin = 0;
    v.yOrigin = 0;
    const double w = v.plotWidth;
    // The same floating-point steps as the graph's, so the printout matches
    // the screen to the pixel.
    while (count > 0 && static_cast<double>(count - 1) > xMax) {
        v.xScale = (w * v.xScale / 15 + w * v.xScale) / w;
        xMax = w * v.xScale;
    }
    return v;
}
