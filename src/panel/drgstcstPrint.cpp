#include "panel/drgstcstPrint.h"

#include <QBuffer>
#include <QDate>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>

#include "store/publicVar.h"
#include "ui/Text.h"

namespace quorvel::ui {

namespace {

// Arial as designed, or the first face drawn to its measures that is installed.
QFont ReportFont(double points, bool bold) {
    QFont font;
    font.setFamilies(
        {"Arial", "Liberation Sans", "Arimo", "Nimbus Sans", "Helvetica", "DejaVu Sans"});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The report's fonts and section heights on one device.
struct Look {
    explicit Look(QPagedPaintDevice& device)
        : title(ReportFont(14, true)),
          heading(ReportFont(10, true)),
          body(ReportFont(10, false)),
          footer(ReportFont(8, false)),
          titleLine(QFontMetricsF(title, &device).height()),
          headingLine(QFontMetricsF(heading, &device).height()),
          bodyLine(QFontMetricsF(body, &device).height()),
          footerLine(QFontMetricsF(footer, &device).height()),
          gap(bodyLine * 0.4),
          // Half a point, and never thinner than a dot of the device.
          rule(std::max(1.0, device.logicalDpiY() / 144.0)),
          width(device.width()) {
        metrics.pageHeight = device.height();
        metrics.reportHeader = titleLine + gap + bodyLine + gap + rule + 2 * gap;
        metrics.pageHeader = headingLine + gap / 2 + rule + gap;
        metrics.detail = bodyLine * 1.2;
        metrics.reportFooter = gap / 2 + rule + gap / 2 + headingLine + gap / 2 + 3 * rule;
        metrics.pageFooter = 2 * gap + rule + gap / 2 + footerLine;
    }

    QFont title, heading, body, footer;
    double titleLine, headingLine, bodyLine, footerLine, gap, rule, width;
    panel::ReportMetrics metrics{};
};

void Rule(QPainter& p, const Look& look, double y) {
    p.fillRect(QRectF(0, y, look.width, look.rule), Qt::black);
}

// The three texts of a row, each in its column.
void Row(QPainter& p, const Look& look, double top, double height,
         const std::array<QString, 3>& texts) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const panel::ReportColumn& column = panel::kReportColumns[i];
        const QRectF cell(column.left * look.width, top, (column.right - column.left) * look.width,
                          height);
        // Right-aligned text ends where its column does; a blank after it would
        // push it out of line with the figures under it.
        p.drawText(cell, Qt::AlignVCenter | (column.alignRight ? Qt::AlignRight : Qt::AlignLeft),
                   column.alignRight ? texts[i].trimmed() : texts[i]);
    }
}

void PaintSection(QPainter& p, const Look& look, const panel::Report& report, int pageNumber,
                  const panel::PlacedSection& placed) {
    double y = placed.top;
    switch (placed.section) {
        case panel::Section::ReportHeader:
            p.setFont(look.title);
            p.drawText(QRectF(0, y, look.width, look.titleLine), Qt::AlignLeft | Qt::AlignVCenter,
                       panel::kReportTitle);
            y += look.titleLine + look.gap;
            p.setFont(look.body);
            p.drawText(QRectF(0, y, look.width, look.bodyLine), Qt::AlignLeft | Qt::AlignVCenter,
                       FromStored(report.range));
            y += look.bodyLine + look.gap;
            Rule(p, look, y);
            return;
        case panel::Section::PageHeader:
            p.setFont(look.heading);
            Row(p, look, y, look.headingLine,
                {panel::kReportHeadings[0], panel::kReportHeadings[1], panel::kReportHeadings[2]});
            Rule(p, look, y + look.headingLine + look.gap / 2);
            return;
        case panel::Section::Detail: {
            const panel::ReportLine& line = report.lines[placed.line];
            p.setFont(look.body);
            Row(p, look, y, look.metrics.detail,
                {FromStored(line.date), FromStored(line.guests), FromStored(line.cash)});
            return;
        }
        case panel::Section::ReportFooter:
            y += look.gap / 2;
            Rule(p, look, y);
            y += look.rule + look.gap / 2;
            p.setFont(look.heading);
            Row(p, look, y, look.headingLine,
                {panel::kReportTotalCaption, FromStored(report.totalGuests),
                 FromStored(report.totalCash)});
            y += look.headingLine + look.gap / 2;
            // A double rule under the totals, as an account closes.
            Rule(p, look, y);
            Rule(p, look, y + 2 * look.rule);
            return;
        case panel::Section::PageFooter:
            y += 2 * look.gap;
            Rule(p, look, y);
            y += look.rule + look.gap / 2;
            p.setFont(look.footer);
            p.drawText(QRectF(0, y, look.width / 2, look.footerLine),
                       Qt::AlignLeft | Qt::AlignVCenter, QString("Page - %1").arg(pageNumber));
            p.drawText(QRectF(look.width / 2, y, look.width / 2, look.footerLine),
                       Qt::AlignRight | Qt::AlignVCenter, FromStored(report.printedOn));
            return;
    }
}

}  // namespace

QPageLayout ReportPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

std::vector<panel::ReportPage> LayOutReport(const panel::Report& report,
                                            QPagedPaintDevice& device) {
    return panel::LayOutReport(report, Look(device).metrics);
}

PaintedPages PaintReport(const panel::Report& report, QPagedPaintDevice& device) {
    const Look look(device);
    const std::vector<panel::ReportPage> pages = panel::LayOutReport(report, look.metrics);
    PaintedPages painted{static_cast<int>(pages.size()), 0};
    QPainter p;
    if (!p.begin(&device)) return painted;
    p.setPen(Qt::black);
    for (const panel::ReportPage& page : pages) {
        if (page.number > 1 && !device.newPage()) break;
        for (const panel::PlacedSection& placed : page.sections)
            PaintSection(p, look, report, page.number, placed);
        painted.printed = page.number;
    }
    if (!p.end()) painted.printed = 0;
    return painted;
}

bool WriteReportPdf(const panel::Report& report, const QString& path, QString& error) {
    // Saving writes beside the target and renames over it, which would put a plain file
    // in place of a device or a pipe: only a regular file (or none) is replaced.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        error = "it is not a regular file (a device, a pipe or a folder), and is left as it is.";
        return false;
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageLayout(ReportPageLayout());
        writer.setResolution(600);
        writer.setTitle(QString("%1 %2").arg(panel::kReportTitle, FromStored(report.range)));
        writer.setCreator(FromStored(store::kAppTitle));
        if (!PaintReport(report, writer).complete()) {
            error = "The report could not be drawn.";
            return false;
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf.data()) != pdf.data().size() ||
        !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

std::string LongDate(const platform::LocalDateTime& day) {
    return ToStored(QLocale().toString(QDate(day.year, day.month, day.day), QLocale::LongFormat));
}

}  // namespace quorvel::ui
