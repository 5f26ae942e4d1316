#pragma once
// The takings report without a screen: what it lists (one line per day, oldest first,
// with both sums) and how its sections fall onto pages. The report window, the printer
// and `quorvel-admin report` all take it from here, so the screen, the paper, the PDF
// and the command line always show the same figures.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/DayRow.h"

namespace quorvel::panel {

inline constexpr const char* kReportWindowTitle = "User Report";
inline constexpr const char* kReportTitle = "User Transaction Report";
inline constexpr std::array<const char*, 3> kReportHeadings{"Date", "Total Guests Visited ",
                                                            "Cash Generated"};
inline constexpr const char* kReportTotalCaption = "Total";

// One detail line, as printed.
struct ReportLine {
    std::string date;
    std::string guests;
    std::string cash;
};

struct Report {
    std::string from, till;  // the range as chosen, "mm/dd/yyyy"
    std::string range;       // the line under the title that says which days it covers
    std::string printedOn;   // the page footer's date (the long date of the day it was made)
    std::vector<ReportLine> lines;
    std::int64_t guests = 0;  // the sums of the listed lines
    std::int64_t cents = 0;
    std::string totalGuests, totalCash;
};

// The largest figure, in cents, the report shows: 35184372088831.99. Below 2^45 a double
// (the data file's amounts, and the numbers of every spreadsheet the CSV goes to) holds
// an amount to 1/512 of a unit or better, and that amount times 100 to a quarter of a
// cent, so an amount written to the cent always comes back as its own cent. Every line
// and the total must lie within it; a figure beyond it is refused rather than shown
// wrong, and `quorvel-admin book` books nothing beyond it.
inline constexpr std::int64_t kMaxReportCents = (std::int64_t(1) << 45) * 100 - 1;

// The report of `rows` (the days of the range as the data file gives them, in date
// order). Each amount is taken to the cent first and the total is the sum of the
// amounts as listed, so the printed total always equals the sum of the printed lines.
// A day without an amount lists 0.00. Nullopt, with `error` saying which figure, when
// a day's amount or the total is not one the report can show to the cent.
std::optional<Report> BuildReport(const std::string& from, const std::string& till,
                                  const std::vector<db::DayRow>& rows, const std::string& printedOn,
                                  std::string& error);

// An amount in whole cents, half a cent rounded away from zero; nullopt when it lies
// beyond kMaxReportCents (or is no number at all).
std::optional<std::int64_t> Cents(double amount);
// Cents as the report prints them: "1234.50", "-0.25".
std::string FormatCents(std::int64_t cents);
// Why a figure beyond kMaxReportCents is refused: "more than the report can show to
// the cent (at most 35184372088831.99)".
std::string TooLargeToShow();

// What the owner is told when the device took only the first `printed` of the
// report's `pages` pages: "Pages 3 to 5 of 5 were not printed." (empty when all were).
std::string PagesNotPrinted(int printed, int pages);

// ---- Pages ----------------------------------------------------------------------

// The three columns across the printable width, as fractions of it. The date stands
// at the left of its column, the numbers at the right of theirs, under their headings.
struct ReportColumn {
    double left, right;
    bool alignRight;
};
inline constexpr std::array<ReportColumn, 3> kReportColumns{
    {{0.0, 0.30, false}, {0.30, 0.64, true}, {0.64, 1.0, true}}};

// Heights of the sections on the device the report is drawn on, in its units.
struct ReportMetrics {
    double pageHeight;    // the printable height of a page
    double reportHeader;  // title, range and the rule under them (first page only)
    double pageHeader;    // the headings and their rule (top of every page)
    double detail;        // one day
    double reportFooter;  // the totals and their rules (after the last day)
    double pageFooter;    // "Page - N" and the date (bottom of every page)
};

enum class Section { ReportHeader, PageHeader, Detail, ReportFooter, PageFooter };

struct PlacedSection {
    Section section;
    double top;
    std::size_t line = 0;  // the detail line, for Section::Detail
};

struct ReportPage {
    int number;  // from 1
    std::vector<PlacedSection> sections;
};

// Lays the report out page by page: the report header on the first page, the page
// header at the top and the page footer at the bottom of every page, the days in order
// between them, and the totals after the last day (on a page of their own, under the
// headings, when they do not fit under it). Every page holds at least one section
// besides its header and footer, however small it is.
std::vector<ReportPage> LayOutReport(const Report& report, const ReportMetrics& metrics);

}  // namespace quorvel::panel
