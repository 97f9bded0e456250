#include "graph/PlotPainter.h"
#include "model/TimeLabels.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// A plot area of 1000 x 500 pixels.
PlotView unzoomedView(int n) {
    PlotView v;
    v.xMax = 20;
    v.resetView(1090, 530);
    RecordList none;
    for (int i = 0; i < n; ++i)
        none.append(CObjData(0, "", "", 0, 0));
    v.prepareRedraw(none); // grows the range to hold n samples
    return v;
}

RecordList series(int n, unsigned seed, double spread) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> step(0, spread);
    RecordList s;
    double level = 65;
    for (int i = 0; i < n; ++i) {
        level = std::clamp(level + step(rng), 20.0, 128.0);
        // runs of equal levels and single spikes as a meter gives them
        const double v = (i / 50) % 7 == 3 ? 70.0 : (i % 997 == 0 ? 128.0 : level);
        s.append(CObjData(std::round(v * 10) / 10, "07-12-2026,09:00:00", "dBA", 0, 0.1));
    }
    return s;
}

QImage draw(const PlotView& v, const RecordList& s, CurveDrawing drawing) {
    QImage img(v.plotWidth + 90, v.plotHeight + 30, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    paintCurve(p, v, s, drawing);
    return img;
}

int differingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

// Drawing one line per crowded pixel column must give exactly the picture of
// drawing every segment, for dense and sparse, smooth and jagged series,
// unzoomed, zoomed and scrolled.
TEST(CurveColumns, GiveTheSamePixelsAsEverySegment) {
    for (const int n : {2, 3, 100, 1500, 40000}) {
        for (const double spread : {0.05, 1.0, 12.0}) {
            const RecordList s = series(n, static_cast<unsigned>(n * 7 + spread * 10), spread);
            PlotView v = unzoomedView(n);
            const QImage every = draw(v, s, CurveDrawing::EverySegment);
            EXPECT_EQ(differingPixels(draw(v, s, CurveDrawing::Columns), every), 0)
                << n << " samples, spread " << spread;

            // zoomed to a part of the series, and a level window that cuts the curve
            v.zoomed = true;
            v.xOrigin = n / 3.0 + 0.4;
            v.xScale = std::max(n / 7000.0, 0.01);
            v.yOrigin = 50;
            v.yScale = 40.0 / v.plotHeight;
            EXPECT_EQ(differingPixels(draw(v, s, CurveDrawing::Columns),
                                      draw(v, s, CurveDrawing::EverySegment)),
                      0)
                << n << " samples zoomed, spread " << spread;
        }
    }
}

TEST(CurveColumns, ACrowdedColumnIsDrawnFromItsLowestToItsHighestLevel) {
    RecordList s;
    for (double v : {60.0, 100.0, 40.0, 60.0})
        s.append(CObjData(v, "07-12-2026,09:00:00", "dBA", 0, 0.1));
    PlotView v = unzoomedView(40000); // all four samples share column 45
    const QImage img = draw(v, s, CurveDrawing::Columns);
    const int top = v.curvePoint(0, 100).y;
    const int bottom = v.curvePoint(0, 40).y;
    int inked = 0;
    for (int y = 0; y < img.height(); ++y)
        inked += img.pixel(45, y) != QColor(Qt::white).rgb();
    EXPECT_GE(inked, bottom - top);
    EXPECT_NE(img.pixel(45, (top + bottom) / 2), QColor(Qt::white).rgb());
}

// A part of the curve painted on its own, clipped to it, holds the pixels the
// whole curve has there: strips anywhere across dense, sparse (dotted) and
// zoomed views.
TEST(CurveColumns, AnExposedStripHoldsThePixelsOfTheWholeCurve) {
    for (const int n : {12, 1500, 40000}) {
        const RecordList s = series(n, static_cast<unsigned>(n), 4.0);
        PlotView v = unzoomedView(n);
        for (const bool zoomed : {false, true}) {
            if (zoomed) {
                v.zoomed = true;
                v.xOrigin = n / 4.0 + 0.3;
                v.xScale = std::max(n / 3000.0, 0.02);
            }
            const QImage whole = draw(v, s, CurveDrawing::Columns);
            for (const int left : {0, 44, 45, 46, 300, 777, 1030}) {
                for (const int width : {1, 5, 23}) {
                    const QRect strip(left, 0, width, whole.height());
                    QImage part(whole.size(), QImage::Format_RGB32);
                    part.fill(Qt::white);
                    {
                        QPainter p(&part);
                        p.setClipRect(strip);
                        paintCurve(p, v, s, CurveDrawing::Columns, strip);
                    }
                    ASSERT_EQ(part.copy(strip), whole.copy(strip))
                        << n << " samples, zoomed " << zoomed << ", " << left << "+" << width;
                }
            }
        }
    }
}

// The grid is copied from strips stroked once; it must be the dotted lines a
// pen draws in place, for any size.
TEST(PlotGrid, IsTheDottedLinesAPenDraws) {
    for (const auto& [width, height] : {std::pair{1090, 530}, std::pair{491, 333}}) {
        PlotView v;
        v.resetView(width, height);
        v.gridColor = rgb(255, 0, 255);
        QImage shown(width, height, QImage::Format_ARGB32_Premultiplied);
        {
            QPainter p(&shown);
            paintPlot(p, v, RecordList(), TickLabels());
        }
        QImage drawn(width, height, QImage::Format_ARGB32_Premultiplied);
        drawn.fill(toQColor(v.backColor));
        {
            QPainter p(&drawn);
            QPen dotted(toQColor(v.gridColor), 1, Qt::DotLine);
            dotted.setCapStyle(Qt::FlatCap);
            p.setPen(dotted);
            for (int i = 0; i <= 20; ++i)
                p.drawLine(v.gridX(i), 10, v.gridX(i), v.plotHeight + 10);
            for (int j = 0; j <= 10; ++j)
                p.drawLine(45, v.gridY(j), v.plotWidth + 45, v.gridY(j));
        }
        // inside the plot, clear of the axes and their ticks
        int compared = 0;
        for (int y = 11; y < v.plotHeight + 4; ++y)
            for (int x = 54; x < v.plotWidth + 45; ++x) {
                ASSERT_EQ(shown.pixel(x, y), drawn.pixel(x, y)) << x << "," << y;
                ++compared;
            }
        EXPECT_GT(compared, 1000);
    }
}
