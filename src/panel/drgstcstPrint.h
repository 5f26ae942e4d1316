#pragma once
// The takings report on paper: its sections drawn page by page on any paged device,
// the report window's preview and printer and the PDF files alike, so what the owner
// sees, prints and exports (in the window or with `quorvel-admin report --pdf`) is one
// drawing. What goes on which page is panel::LayOutReport's.
#include <QPageLayout>
#include <QString>
#include <string>
#include <vector>

#include "panel/Report.h"
#include "platform/Clock.h"

class QPagedPaintDevice;

namespace quorvel::ui {

// A4, portrait, with margins of 15 mm: the PDF's page, and the preview's.
QPageLayout ReportPageLayout();

// The report's pages on `device` as PaintReport draws them (fonts measured there).
std::vector<panel::ReportPage> LayOutReport(const panel::Report& report, QPagedPaintDevice& device);

// Draws every page of `report` on `device`, whose page layout is already set. The
// number of pages drawn; 0 when the device cannot be drawn on.
int PaintReport(const panel::Report& report, QPagedPaintDevice& device);

// The report as a PDF file at `path` on ReportPageLayout's pages. The file is replaced
// only when the whole document is written. False with `error` set otherwise.
bool WriteReportPdf(const panel::Report& report, const QString& path, QString& error);

// A day in the user's long date format ("Saturday, December 5, 2026"), as the page
// footer shows it.
std::string LongDate(const platform::LocalDateTime& day);

}  // namespace quorvel::ui
