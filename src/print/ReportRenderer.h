#pragma once

#include "layout/ReportLayout.h"

#include <QImage>
#include <QString>

#include <vector>

class QPagedPaintDevice;
class QPdfWriter;

// The report's PDF: A4 at 600 dpi, the whole sheet its paint area.
void setUpReportPdf(QPdfWriter& writer, const QString& title, const QString& creator);

// Plays the report's pages onto a paged device (PDF writer or printer) whose
// paint area is the whole sheet (no margins: the layout keeps its own), one
// device page each. Returns false with a reason when the device refuses to
// start the document or a page; the job is then ended, never left half started.
bool renderReport(QPagedPaintDevice& device, const std::vector<ReportPage>& pages,
                  QString* error = nullptr);

// One page as an image at the given resolution, white paper.
QImage renderReportPage(const ReportPage& page, int dotsPerInch);
