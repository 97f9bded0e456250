#pragma once

#include "model/Clock.h"
#include "model/RecordList.h"
#include "model/SeriesStats.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One drawing step of a printed page, in printer pixels with the origin at the
// top-left corner of the printable area. Texts are placed by their top-left
// corner, all in the one printout font.
struct PrintOp {
    enum class Kind { Text, Line, Circle, WhiteRect };
    Kind kind = Kind::Text;
    int x = 0, y = 0;   // text position, line start, box or rectangle corner
    int x2 = 0, y2 = 0; // line end, box corner; width and height for WhiteRect
    std::string text;   // UTF-8
    int penWidth = 1;
    std::uint32_t color = 0x000000; // 0xRRGGBB

    bool operator==(const PrintOp&) const = default;
};

using PrintPage = std::vector<PrintOp>;

// What the layout needs to know of the printer and its font.
struct PrintMetrics {
    int width = 0;      // D: printable width
    int height = 0;     // B: printable height
    int lineHeight = 0; // L: font height plus external leading
    // Width of a text in the printout font; centres the time labels.
    std::function<int(const std::string&)> textWidth;
};

// The graph's current view, so a printed diagram shows what the screen shows.
struct PrintPlotView {
    int plotWidth = 0;
    int plotHeight = 0;
    double xScale = 1.0;
    double yScale = 1.0;
    double xMin = 0.0;
    double xOrigin = 0.0;
    double yOrigin = 0.0;
    int windowWidth = 0; // the graph widget's width in screen pixels
};

class PlotView;
// The view fields of a graph that a printed diagram follows.
PrintPlotView printPlotView(const PlotView& view, int windowWidth);

// The texts the printouts share with the windows.
namespace printText {
inline constexpr const char* table = "Tablo";
inline constexpr const char* dateTime = "Tarih, Saat";
inline constexpr const char* unit = "Birim";
inline constexpr const char* value = "Değer";
inline constexpr const char* startTime = "Başlatma saati";
inline constexpr const char* average = "Ortalama";
inline constexpr const char* interval = "Tarama frekansı";
inline constexpr const char* maximum = "MAKS";
inline constexpr const char* minimum = "MİN";
inline constexpr const char* time = "Zaman";
inline constexpr const char* curve = "Gerçek zaman eğrisi";
} // namespace printText

// Characters (not bytes) of a UTF-8 text.
int textLength(const std::string& utf8);

// Lines per page of the data printout: (B - 4F) / L, never fewer than the eight
// that hold the heading block and one row.
int dataLinesPerPage(const PrintMetrics& m);

// The data printout: summary, column headings and one row per reading, as many
// pages as it takes. Empty when the series is empty. now stamps the footers.
std::vector<PrintPage> layoutDataPrintout(const RecordList& series, const SeriesStats& stats,
                                          const PrintMetrics& m, const LocalTime& now);

// The one-page diagram printout: the curve as the graph shows it, grid, labels,
// heading and summary. Empty when the series is empty. A time label that has
// to be computed from a text that is no date-time stops the labels, and
// timeFormatError is set (the caller tells the user).
PrintPage layoutDiagramPrintout(const RecordList& series, const SeriesStats& stats,
                                const PrintPlotView& view, const PrintMetrics& m,
                                const LocalTime& now, bool* timeFormatError = nullptr);
