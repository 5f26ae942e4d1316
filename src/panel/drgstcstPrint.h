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

// How far a report got onto a device: it has `pages` pages, of which the device took
// the first `printed` (a printer that fails on a page takes none after it).
struct PaintedPages {
    int pages = 0;
    int printed = 0;
    bool complete() const { return printed == pages; }
};

// Draws every page of `report` on `device`, whose page layout is already set. A device
// that cannot be drawn on, or that fails as the document closes, took no page.
PaintedPages PaintReport(const panel::Report& report, QPagedPaintDevice& device);

// The report as a PDF file at `path` on ReportPageLayout's pages. The file is replaced
// only when the whole document is written, and only when it is a regular file: a
// device, a pipe or a folder of that name is left as it is. False with `error` set
// otherwise.
bool WriteReportPdf(const panel::Report& report, const QString& path, QString& error);

// A day in the user's long date format ("Saturday, December 5, 2026"), as the page
// footer shows it.
std::string LongDate(const platform::LocalDateTime& day);

}  // namespace quorvel::ui
