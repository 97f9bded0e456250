#pragma once

#include "layout/PrintLayout.h"

#include <QFont>
#include <QString>

#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;
class QPdfWriter;

// Makes writer an A4 portrait document with its title and creator, at the
// resolution the pages are laid out for, with the same margin on every side.
void setUpA4Pdf(QPdfWriter& writer, const QString& title, const QString& creator, int dotsPerInch,
                double marginMillimetres);

// The one font of both printouts: "Arial" (or the metric-compatible face the
// system puts in its place) with a cell height of 1/80 of the page.
QFont printFont(const QPaintDevice& device);

// The printable area of the device and the line height of the print font on it.
PrintMetrics printMetrics(QPaintDevice& device);

// Plays the pages onto a paged device (printer or PDF writer), one device page
// each. Returns false with a reason when the device refuses to start the job
// or a page; the job is then ended, never left half started.
// The one page loop of every printout: begins on device, paints count pages
// one after another with paint(painter, page), and ends; false with the step
// that failed (beginning, a new page, ending) in error.
bool paintPages(QPagedPaintDevice& device, std::size_t count,
                const std::function<void(QPainter&, std::size_t)>& paint, QString* error);

bool renderPages(QPagedPaintDevice& device, const std::vector<PrintPage>& pages,
                 QString* error = nullptr);
