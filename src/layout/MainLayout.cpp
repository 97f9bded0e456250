#include "layout/MainLayout.h"

#include <algorithm>

MainViewLayout layoutMainView(const LayoutRect& a, int width, int height) {
    const int w = std::max(width, minViewWidth);
    const int h = std::max(height, minViewHeight);
    MainViewLayout l;
    l.plot = {a.x, a.bottom() + 5, w - a.x - 42, h - a.bottom() - 60};
    l.verticalScroll = {w - 42, a.bottom() + 5, 15, h - a.bottom() - 60};
    l.horizontalScroll = {a.x, h - 35, w - a.x - 42, 15};
    l.curveGroup = {a.x - 10, 10, w - a.x, h - 20};
    return l;
}
