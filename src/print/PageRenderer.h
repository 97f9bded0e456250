#pragma once

#include "layout/PrintLayout.h"

#include <QFont>
#include <QString>

#include <vector>

class QPagedPaintDevice;
class QPaintDevice;

// The one font of both printouts: "Arial" (or the metric-compatible face the
// system puts in its place) with a cell height of 1/80 of the page.
QFont printFont(const QPaintDevice& device);

// The printable area of the device and the line height of the print font on it.
PrintMetrics printMetrics(QPaintDevice& device);

// Plays the pages onto a paged device (printer or PDF writer), one device page
// each. Returns false with a reason when the device refuses to start the job
// or a page; the job is then ended, never left half started.
bool renderPages(QPagedPaintDevice& device, const std::vector<PrintPage>& pages,
                 QString* error = nullptr);
