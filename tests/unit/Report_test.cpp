// The takings report's figures and pages, without a screen: what every way of showing
// it (window, printer, PDF, command line) lists.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "panel/Report.h"

namespace quorvel::test {
namespace {

using panel::Section;

// The report of `rows`, which must be one the report can show.
panel::Report Built(const std::string& from, const std::string& till,
                    const std::vector<db::DayRow>& rows) {
    std::string error;
    const auto report = panel::BuildReport(from, till, rows, "today", error);
    EXPECT_TRUE(report) << error;
    return report.value_or(panel::Report{});
}

TEST(ReportFigures, AmountsAreListedToTheCentAndTotalledAsListed) {
    struct Case {
        const char* what;
        std::optional<double> amount;
        const char* listed;
    };
    const std::vector<Case> cases{
        {"whole", 75.0, "75.00"},
        {"half", 12.5, "12.50"},
        {"a sum that binary cannot hold", 0.1 + 0.2, "0.30"},
        {"single precision from the close-out", double(12.4f), "12.40"},
        {"half a cent up", 0.125, "0.13"},
        {"below half a cent", 2.004, "2.00"},
        {"no amount booked", std::nullopt, "0.00"},
        {"negative", -3.5, "-3.50"},
        {"a cent below zero", -0.01, "-0.01"},
        {"large", 1234567.891, "1234567.89"},
    };
    std::vector<db::DayRow> rows;
    for (std::size_t i = 0; i < cases.size(); ++i)
        rows.push_back(
            {"12/" + std::to_string(10 + i) + "/2026", std::int16_t(i + 1), cases[i].amount});
    const panel::Report report = Built("12/10/2026", "12/19/2026", rows);

    ASSERT_EQ(report.lines.size(), cases.size());
    std::int64_t cents = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(report.lines[i].cash, cases[i].listed) << cases[i].what;
        EXPECT_EQ(report.lines[i].date, rows[i].gdate);
        EXPECT_EQ(report.lines[i].guests, std::to_string(i + 1));
        // The total is the sum of what is printed, digit for digit.
        const std::string& text = report.lines[i].cash;
        const bool negative = text[0] == '-';
        const std::string digits = text.substr(negative ? 1 : 0);
        const std::int64_t listed = std::stoll(digits.substr(0, digits.size() - 3)) * 100 +
                                    std::stoll(digits.substr(digits.size() - 2));
        cents += negative ? -listed : listed;
    }
    EXPECT_EQ(report.cents, cents);
    EXPECT_EQ(report.totalCash, panel::FormatCents(cents));
    EXPECT_EQ(report.totalCash, "1234666.71");
    EXPECT_EQ(report.totalGuests, "55");
    EXPECT_EQ(report.range, "From 12/10/2026 till 12/19/2026");
}

TEST(ReportFigures, CountsAddUpPastWhatADayCanHold) {
    const std::vector<db::DayRow> rows(3, db::DayRow{"01/01/2026", 32767, 1.0});
    EXPECT_EQ(Built("1/1/2026", "1/1/2026", rows).totalGuests, "98301");
}

// The largest figure shown is 35184372088831.99: at it and a cent beyond it, for a day
// and for the total, and sums that would pass 64 bits.
TEST(ReportFigures, AFigureBeyondWhatShowsToTheCentIsRefusedNeverShownWrong) {
    constexpr double kTop = 35184372088831.99;
    struct Case {
        const char* what;
        std::vector<double> amounts;  // one day each
        const char* total;            // nullptr: refused
        const char* says;             // what the refusal names
    };
    const double huge = 3e13;
    const std::vector<Case> cases{
        {"a day at the top", {kTop}, "35184372088831.99", nullptr},
        {"a day a cent beyond", {35184372088832.00}, nullptr, "The takings of 01/01/2026"},
        {"a day below the bottom", {-35184372088832.00}, nullptr, "The takings of 01/01/2026"},
        {"a day at the bottom", {-kTop}, "-35184372088831.99", nullptr},
        {"5e16", {5e16}, nullptr, "50000000000000000.00"},
        {"5e16 booked twice", {1e17}, nullptr, "100000000000000000.00"},
        {"no number", {std::nan("")}, nullptr, "The takings of 01/01/2026"},
        {"infinite", {HUGE_VAL}, nullptr, "The takings of 01/01/2026"},
        {"a total at the top", {35184372088831.00, 0.99}, "35184372088831.99", nullptr},
        {"a total a cent beyond", {kTop, 0.01}, nullptr, "The total of the takings"},
        {"a total beyond though each day fits", {huge, huge}, nullptr, "The total of the takings"},
        {"a total that comes back within", {kTop, kTop, -kTop}, "35184372088831.99", nullptr},
        {"a sum past 64 bits", std::vector<double>(2700, kTop), nullptr, "The total"},
    };
    for (const Case& c : cases) {
        std::vector<db::DayRow> rows;
        for (double amount : c.amounts) rows.push_back({"01/01/2026", 1, amount});
        std::string error;
        const auto report = panel::BuildReport("01/01/2026", "01/31/2026", rows, "", error);
        if (c.total) {
            ASSERT_TRUE(report) << c.what << ": " << error;
            EXPECT_EQ(report->totalCash, c.total) << c.what;
            EXPECT_EQ(report->lines.size(), c.amounts.size());
        } else {
            EXPECT_FALSE(report) << c.what << " shown as " << report->totalCash;
            EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
            EXPECT_NE(error.find("at most 35184372088831.99"), std::string::npos) << error;
        }
    }
}

// Section heights of a small page: the body ends at 90, where the page footer starts;
// the first page has room for twelve days under its headers, the others for sixteen.
constexpr panel::ReportMetrics kSmallPage{100, 20, 10, 5, 12, 10};

std::vector<std::size_t> LinesOf(const panel::ReportPage& page) {
    std::vector<std::size_t> lines;
    for (const auto& placed : page.sections)
        if (placed.section == Section::Detail) lines.push_back(placed.line);
    return lines;
}

TEST(ReportPages, EveryDayOnceInOrderUnderTheHeadingsOfEveryPage) {
    for (std::size_t days : {0u, 1u, 5u, 6u, 7u, 14u, 15u, 100u}) {
        panel::Report report;
        report.lines.resize(days);
        const auto pages = panel::LayOutReport(report, kSmallPage);
        ASSERT_FALSE(pages.empty());
        std::vector<std::size_t> listed;
        int footers = 0;
        for (std::size_t p = 0; p < pages.size(); ++p) {
            const auto& sections = pages[p].sections;
            EXPECT_EQ(pages[p].number, int(p + 1));
            // The report header opens the first page only; the headings open every page
            // (under the report header on the first); the page footer closes it at the
            // bottom.
            std::size_t at = 0;
            if (p == 0) EXPECT_EQ(sections[at++].section, Section::ReportHeader);
            EXPECT_EQ(sections[at].section, Section::PageHeader) << days << " days, page " << p + 1;
            EXPECT_EQ(sections.back().section, Section::PageFooter);
            EXPECT_DOUBLE_EQ(sections.back().top, kSmallPage.pageHeight - kSmallPage.pageFooter);
            // Nothing runs into the page footer, nothing overlaps.
            for (std::size_t i = 0; i + 1 < sections.size(); ++i)
                EXPECT_LE(sections[i].top, sections[i + 1].top);
            const auto lines = LinesOf(pages[p]);
            listed.insert(listed.end(), lines.begin(), lines.end());
            for (const auto& placed : sections) footers += placed.section == Section::ReportFooter;
        }
        std::vector<std::size_t> expected(days);
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(listed, expected) << days << " days";
        EXPECT_EQ(footers, 1);
        // The totals close the last page, after the last day.
        const auto& last = pages.back().sections;
        EXPECT_EQ(last[last.size() - 2].section, Section::ReportFooter) << days << " days";
    }
}

TEST(ReportPages, PagesFillUpAndTotalsThatDoNotFitGoOverleaf) {
    panel::Report report;
    report.lines.resize(6);
    // Six days and the totals fit on the first page (30 + 6 x 5 + 12 = 72 of 90)...
    auto pages = panel::LayOutReport(report, kSmallPage);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(LinesOf(pages[0]).size(), 6u);
    // ... twelve days fill it to the footer, and the totals go overleaf.
    report.lines.resize(12);
    pages = panel::LayOutReport(report, kSmallPage);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(LinesOf(pages[0]).size(), 12u);
    EXPECT_EQ(pages[1].sections.size(), 3u);  // headings, totals, page footer
    EXPECT_EQ(pages[1].sections[1].section, Section::ReportFooter);
    EXPECT_DOUBLE_EQ(pages[1].sections[1].top, kSmallPage.pageHeader);
}

TEST(ReportPages, APageTooSmallForADayStillMovesOn) {
    panel::Report report;
    report.lines.resize(3);
    const auto pages = panel::LayOutReport(report, panel::ReportMetrics{20, 15, 10, 8, 8, 5});
    ASSERT_EQ(pages.size(), 4u);
    for (std::size_t p = 0; p < 3; ++p) EXPECT_EQ(LinesOf(pages[p]), std::vector<std::size_t>{p});
}

}  // namespace
}  // namespace quorvel::test
