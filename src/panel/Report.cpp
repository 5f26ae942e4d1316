#include "panel/Report.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quorvel::panel {

std::optional<std::int64_t> Cents(double amount) {
    const double cents = std::round(amount * 100.0);
    // Written so that no number (NaN) passes as well.
    if (!(std::fabs(cents) <= static_cast<double>(kMaxReportCents))) return std::nullopt;
    return static_cast<std::int64_t>(cents);
}

std::string FormatCents(std::int64_t cents) {
    const std::uint64_t magnitude =
        cents < 0 ? std::uint64_t(0) - static_cast<std::uint64_t>(cents) : std::uint64_t(cents);
    std::string fraction = std::to_string(magnitude % 100);
    if (fraction.size() < 2) fraction.insert(0, "0");
    return (cents < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." + fraction;
}

std::string TooLargeToShow() {
    return "more than the report can show to the cent (at most " + FormatCents(kMaxReportCents) +
           ")";
}

std::string PagesNotPrinted(int printed, int pages) {
    if (printed >= pages) return {};
    const std::string of = " of " + std::to_string(pages);
    if (printed + 1 == pages) return "Page " + std::to_string(pages) + of + " was not printed.";
    return "Pages " + std::to_string(printed + 1) + " to " + std::to_string(pages) + of +
           " were not printed.";
}

std::optional<Report> BuildReport(const std::string& from, const std::string& till,
                                  const std::vector<db::DayRow>& rows, const std::string& printedOn,
                                  std::string& error) {
    Report report;
    report.from = from;
    report.till = till;
    report.range = "From " + from + " till " + till;
    report.printedOn = printedOn;
    report.lines.reserve(rows.size());
    bool overflowed = false;
    for (const db::DayRow& row : rows) {
        const std::optional<std::int64_t> cents = row.gamt ? Cents(*row.gamt) : 0;
        if (!cents) {
            char amount[512];  // room for the largest double in full
            std::snprintf(amount, sizeof amount, "%.2f", *row.gamt);
            error =
                "The takings of " + row.gdate + ", " + amount + ", are " + TooLargeToShow() + ".";
            return std::nullopt;
        }
        // A sum past 64 bits is far past the limit, whatever follows it.
        overflowed = overflowed || __builtin_add_overflow(report.cents, *cents, &report.cents);
        report.guests += row.gnum;
        report.lines.push_back({row.gdate, std::to_string(row.gnum), FormatCents(*cents)});
    }
    if (overflowed || report.cents > kMaxReportCents || report.cents < -kMaxReportCents) {
        error = "The total of the takings from " + from + " till " + till + " is " +
                TooLargeToShow() + ".";
        return std::nullopt;
    }
    report.totalGuests = std::to_string(report.guests);
    report.totalCash = FormatCents(report.cents);
    return report;
}

std::vector<ReportPage> LayOutReport(const Report& report, const ReportMetrics& m) {
    std::vector<ReportPage> pages;
    // Where the body of a page ends: the page footer takes the bottom.
    const double bodyEnd = m.pageHeight - m.pageFooter;
    double y = 0;
    const auto newPage = [&] {
        if (!pages.empty()) pages.back().sections.push_back({Section::PageFooter, bodyEnd});
        pages.push_back({static_cast<int>(pages.size()) + 1, {}});
        y = 0;
        if (pages.size() == 1) {
            pages.back().sections.push_back({Section::ReportHeader, y});
            y += m.reportHeader;
        }
        pages.back().sections.push_back({Section::PageHeader, y});
        y += m.pageHeader;
    };
    // The first section under the headings always goes in, so a page too small for
    // it still moves the report on.
    const auto place = [&](Section section, double height, std::size_t line) {
        const bool pageEmpty = pages.back().sections.back().section == Section::PageHeader;
        if (y + height > bodyEnd && !pageEmpty) newPage();
        pages.back().sections.push_back({section, y, line});
        y += height;
    };
    newPage();
    for (std::size_t i = 0; i < report.lines.size(); ++i) place(Section::Detail, m.detail, i);
    place(Section::ReportFooter, m.reportFooter, 0);
    pages.back().sections.push_back({Section::PageFooter, bodyEnd});
    return pages;
}

}  // namespace quorvel::panel
