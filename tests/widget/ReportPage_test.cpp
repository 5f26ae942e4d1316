// The Report tab and the report window on a real data file: the days of the range
// chosen, right to the cent, on screen, on paper and as PDF; the window goes with the
// panel.
#include <sys/stat.h>
#include <QDateEdit>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QToolButton>

#include <filesystem>

#include <gtest/gtest.h>

#include "db/Database.h"
#include "panel/drgstcst.h"
#include "panel/drgstcstPrint.h"
#include "support/PdfText.h"
#include "unit/ScriptedCafeReport.h"
#include "widget/PanelRig.h"

namespace quorvel::test {
namespace {

class ReportTest : public PanelRig {
  protected:
    void SetUp() override {
        PanelRig::SetUp();
        t.clock.Set({2026, 12, 5, 18, 30, 0});
    }
    // Books one session per amount on the day.
    void Book(const char* day, std::initializer_list<double> amounts) {
        for (double amount : amounts)
            ASSERT_EQ(db::AddSessionToDailyTotals(*t.pv.Conn, day, amount, ""),
                      db::Booking::Booked);
    }
    // The range picked on the Report tab, then "Generate Report".
    void Generate(QDate from, QDate till) {
        Control<QTabBar>("tbrOptions")->setCurrentIndex(7);
        Control<QDateEdit>("fromdt")->setDate(from);
        Control<QDateEdit>("tilldt")->setDate(till);
        Control<QPushButton>("Command6")->click();
        QApplication::processEvents();
    }
    bool ReportOpen() const { return forms->IsLoaded<ui::drgstcst>(); }
    ui::drgstcst& Report() { return forms->Get<ui::drgstcst>(); }
    std::vector<std::string> Days() {
        std::vector<std::string> days;
        for (const auto& line : Report().report().lines) days.push_back(line.date);
        return days;
    }
};

TEST_F(ReportTest, BothPickersShowTodayAtEachOpening) {
    EXPECT_EQ(Control<QDateEdit>("fromdt")->date(), QDate(2026, 12, 5));
    EXPECT_EQ(Control<QDateEdit>("tilldt")->date(), QDate(2026, 12, 5));
    Control<QDateEdit>("fromdt")->setDate(QDate(2026, 1, 1));
    ClosePanel();
    // The panel opened again on a new day.
    t.clock.Set({2026, 12, 6, 0, 0, 5});
    EXPECT_EQ(Control<QDateEdit>("fromdt")->date(), QDate(2026, 12, 6));
    EXPECT_EQ(Control<QDateEdit>("tilldt")->date(), QDate(2026, 12, 6));
    EXPECT_TRUE(Control<QDateEdit>("fromdt")->calendarPopup());
}

struct RangeCase {
    const char* name;
    QDate from, till;
    std::vector<std::string> days;
    const char* guests;
    const char* cash;
};

class ReportRangeTest : public ReportTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(ReportRangeTest, ListsEachStoredDayOfTheRangeWithItsSums) {
    Book("12/30/2025", {10, 2.5});
    Book("12/31/2025", {7.25});
    Book("01/01/2026", {5, 5, 5.1});
    Book("01/02/2026", {0.1, 0.2});
    Book("12/05/2026", {40});
    const RangeCase& c = GetParam();
    Generate(c.from, c.till);

    ASSERT_TRUE(ReportOpen());
    ui::drgstcst& report = Report();
    EXPECT_TRUE(report.isVisible());
    EXPECT_EQ(report.windowTitle(), "User Report");
    EXPECT_EQ(t.pv.reportFromDate, c.from.toString("MM/dd/yyyy").toStdString());
    EXPECT_EQ(t.pv.reportTillDate, c.till.toString("MM/dd/yyyy").toStdString());
    EXPECT_EQ(Days(), c.days);
    EXPECT_EQ(report.report().totalGuests, c.guests);
    EXPECT_EQ(report.report().totalCash, c.cash);
    EXPECT_EQ(report.report().range,
              "From " + t.pv.reportFromDate + " till " + t.pv.reportTillDate);
    EXPECT_EQ(report.pageCount(), 1);
    EXPECT_TRUE(boxes.shown.empty());
    // Not modal: the panel still takes the owner's clicks.
    EXPECT_FALSE(report.isModal());
    EXPECT_TRUE(Panel().isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, ReportRangeTest,
    ::testing::Values(
        RangeCase{"SameDay", {2025, 12, 31}, {2025, 12, 31}, {"12/31/2025"}, "1", "7.25"},
        RangeCase{"AcrossTheYearEnd",
                  {2025, 12, 30},
                  {2026, 1, 2},
                  {"12/30/2025", "12/31/2025", "01/01/2026", "01/02/2026"},
                  "8",
                  "35.15"},
        RangeCase{"Today", {2026, 12, 5}, {2026, 12, 5}, {"12/05/2026"}, "1", "40.00"},
        RangeCase{"NoDaysStored", {2026, 6, 1}, {2026, 6, 30}, {}, "0", "0.00"},
        RangeCase{"FromAfterTill", {2026, 1, 2}, {2025, 12, 30}, {}, "0", "0.00"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportTest, ASecondGenerateRunsTheQueryAgainWithTheDatesThenChosen) {
    Book("11/02/2026", {10});
    Generate({2026, 11, 1}, {2026, 11, 3});
    const QPointer<ui::drgstcst> first = &Report();
    EXPECT_EQ(Days(), std::vector<std::string>{"11/02/2026"});

    Book("11/03/2026", {4.5});
    Book("11/04/2026", {1});
    Generate({2026, 11, 3}, {2026, 11, 4});
    EXPECT_EQ(first.data(), &Report()) << "one report window";
    EXPECT_EQ(Days(), (std::vector<std::string>{"11/03/2026", "11/04/2026"}));
    EXPECT_EQ(Report().report().totalCash, "5.50");
    EXPECT_EQ(Report().report().range, "From 11/03/2026 till 11/04/2026");
}

// No report stands that could pass for the takings: a figure too large to show to the
// cent, or a takings file that cannot be read, is said instead, and an open report goes.
TEST_F(ReportTest, TakingsThatCannotBeShownRightAreSaidAndNoReportStands) {
    Book("03/01/2026", {5e16, 5e16});
    Generate({2026, 3, 1}, {2026, 3, 1});
    Settle();
    EXPECT_FALSE(ReportOpen());
    Book("11/02/2026", {10});
    Generate({2026, 11, 1}, {2026, 11, 3});
    ASSERT_TRUE(ReportOpen());
    ASSERT_TRUE(t.pv.Conn->connection().Exec("DROP TABLE Guest_T"));
    Generate({2026, 11, 1}, {2026, 11, 3});
    Settle();
    EXPECT_FALSE(ReportOpen());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_NE(boxes.shown[0].text.find("The takings of 03/01/2026, 100000000000000000.00, are "
                                       "more than the report can show to the cent"),
              std::string::npos)
        << boxes.shown[0].text;
    EXPECT_NE(boxes.shown[1].text.find("could not be read"), std::string::npos)
        << boxes.shown[1].text;
    for (const auto& box : boxes.shown) EXPECT_EQ(box.flags, ui::kMbExclamation);
}

TEST_F(ReportTest, ClosingTheReportBringsThePanelBackAndNeverOpensOne) {
    Generate({2026, 12, 1}, {2026, 12, 5});
    Report().findChild<QToolButton*>("cmdClose")->click();
    Settle();
    EXPECT_FALSE(ReportOpen());
    ASSERT_TRUE(forms->IsLoaded<ui::frmCtrlpnl>());
    EXPECT_TRUE(Panel().isVisible());

    // The panel gone (the report goes with it once control is back in the event loop),
    // the report's close hook shows no panel.
    Generate({2026, 12, 1}, {2026, 12, 5});
    const QPointer<ui::drgstcst> report = &Report();
    Panel().StatusBar1_PanelClick(panel::StatusPanel::ClosePanel);
    ASSERT_FALSE(report.isNull());
    report->DataReport_QueryClose();
    EXPECT_FALSE(forms->IsLoaded<ui::frmCtrlpnl>());
    Settle();
    EXPECT_TRUE(report.isNull());
}

// A range long enough for three pages, read back from the PDF as an accountant's tool
// reads it: every day once and in order, the pages numbered, the totals on the last.
class ReportPdfTest : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        ASSERT_TRUE(t.pv.Conn->connection().Exec("PRAGMA synchronous=OFF"));  // speed only
        for (QDate day(2026, 10, 1); day <= QDate(2027, 1, 28); day = day.addDays(1)) {
            const double amount = day.day() + 0.25;
            for (int guest = 0; guest < day.dayOfWeek(); ++guest)
                ASSERT_EQ(db::AddSessionToDailyTotals(
                              *t.pv.Conn, day.toString("MM/dd/yyyy").toStdString(), amount, ""),
                          db::Booking::Booked);
            days.push_back(day.toString("MM/dd/yyyy").toStdString());
            guests += day.dayOfWeek();
            cents += day.dayOfWeek() * (day.day() * 100 + 25);
        }
        Generate({2026, 10, 1}, {2027, 1, 28});
        ASSERT_TRUE(ReportOpen());
    }
    // Checks the pages of a PDF of the whole range.
    void ExpectWholeReport(const std::string& pdf) {
        const std::vector<std::string> pages = PdfPages(pdf);
        ASSERT_EQ(pages.size(), 3u);
        std::vector<std::string> listed;
        const QRegularExpression day(
            "^\\s*(\\d\\d/\\d\\d/\\d\\d\\d\\d)\\s+(\\d+)\\s+(\\d+\\.\\d\\d)\\s*$",
            QRegularExpression::MultilineOption);
        for (std::size_t p = 0; p < pages.size(); ++p) {
            const QString text = QString::fromStdString(pages[p]);
            auto match = day.globalMatch(text);
            while (match.hasNext()) listed.push_back(match.next().captured(1).toStdString());
            EXPECT_TRUE(text.contains(QString("Page - %1").arg(p + 1))) << pages[p];
            EXPECT_TRUE(text.contains("Total Guests Visited")) << "headings on page " << p + 1;
            EXPECT_TRUE(text.contains(QString::fromStdString(ui::LongDate(t.clock.Now()))));
            const bool last = p + 1 == pages.size();
            EXPECT_EQ(text.contains(
                          QRegularExpression("^\\s*Total\\s", QRegularExpression::MultilineOption)),
                      last)
                << "totals only on the last page";
        }
        EXPECT_EQ(listed, days);
        const QString last = QString::fromStdString(pages.back());
        const QRegularExpression totals("^\\s*Total\\s+(\\d+)\\s+(\\d+\\.\\d\\d)\\s*$",
                                        QRegularExpression::MultilineOption);
        const auto total = totals.match(last);
        ASSERT_TRUE(total.hasMatch()) << pages.back();
        EXPECT_EQ(total.captured(1).toLongLong(), guests);
        EXPECT_EQ(total.captured(2).toStdString(), panel::FormatCents(cents));
        EXPECT_TRUE(QString::fromStdString(pages.front()).contains("User Transaction Report"));
        EXPECT_TRUE(
            QString::fromStdString(pages.front()).contains("From 10/01/2026 till 01/28/2027"));
    }

    std::vector<std::string> days;
    long long guests = 0;
    std::int64_t cents = 0;
};

// The window pages as the PDF does; Export PDF and Print draw the same pages.
TEST_F(ReportPdfTest, ExportAndPrintWriteTheWholeReportOnThreePages) {
    EXPECT_EQ(Report().pageCount(), 3);
    const std::string pdf = dir.file("takings.pdf");
    files.picks = {pdf};
    Report().findChild<QToolButton*>("cmdExport")->click();
    ASSERT_EQ(files.opened.size(), 1u);
    EXPECT_EQ(files.opened[0].filter, "PDF (*.pdf)");
    EXPECT_NE(files.opened[0].startFolder.find("User Report 2026-10-01 to 2027-01-28.pdf"),
              std::string::npos)
        << files.opened[0].startFolder;
    ExpectWholeReport(pdf);

    const std::string printed = dir.file("printed.pdf");
    files.printTo = {printed};
    Report().findChild<QToolButton*>("cmdPrint")->click();
    EXPECT_EQ(files.printDialogs, 1);
    ExpectWholeReport(printed);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ReportPdfTest, ACancelledOrFailedExportLeavesNoFileAndSaysWhy) {
    Report().cmdExport_Click();  // cancelled
    Report().cmdPrint_Click();   // cancelled
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(files.printDialogs, 1);

    files.picks = {dir.file("no-such-folder/takings.pdf")};
    Report().cmdExport_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("not saved"), std::string::npos) << boxes.shown[0].text;
    EXPECT_FALSE(std::filesystem::exists(dir.file("no-such-folder")));

    // The writer's reason is said. (That a pipe, a device or a folder is left as it is:
    // the admin tool's report test, through the same writer.)
    const std::string pipe = dir.file("pipe.pdf");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    files.picks = {pipe};
    Report().cmdExport_Click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_NE(boxes.shown[1].text.find("not a regular file"), std::string::npos)
        << boxes.shown[1].text;
}

TEST_F(ReportPdfTest, APrinterThatFailsPartWaySaysWhichPagesDidNotPrint) {
    struct Case {
        int failsOn;
        const char* says;
    };
    for (const Case& c : {Case{2, "Pages 2 to 3 of 3 were not printed."},
                          Case{3, "Page 3 of 3 was not printed."}}) {
        boxes.shown.clear();
        const std::string printed = dir.file("printed" + std::to_string(c.failsOn) + ".pdf");
        files.printTo = {printed};
        files.printerFailsOn = c.failsOn;
        Report().cmdPrint_Click();
        ASSERT_EQ(boxes.shown.size(), 1u) << c.says;
        EXPECT_EQ(boxes.shown[0].text, c.says);
        EXPECT_EQ(boxes.shown[0].flags, ui::kMbExclamation);
        EXPECT_EQ(PdfPages(printed).size(), std::size_t(c.failsOn - 1)) << "the pages before";
    }
}

TEST_F(ReportPdfTest, TheViewerPagesThroughTheReport) {
    ui::drgstcst& report = Report();
    report.show();
    EXPECT_EQ(report.currentPage(), 1);
    report.findChild<QToolButton*>("cmdLast")->click();
    EXPECT_EQ(report.currentPage(), 3);
    report.findChild<QToolButton*>("cmdPrevious")->click();
    EXPECT_EQ(report.currentPage(), 2);
    EXPECT_EQ(report.findChild<QLabel*>("lblPage")->text(), "Page 2 of 3");
    report.findChild<QToolButton*>("cmdFirst")->click();
    EXPECT_EQ(report.currentPage(), 1);
    // Every control is named for screen readers by its text.
    for (QWidget* control : report.findChildren<QWidget*>()) {
        if (!control->isVisible() || !(control->focusPolicy() & Qt::TabFocus)) continue;
        if (control->objectName().startsWith("qt_")) continue;
        if (auto* button = qobject_cast<QToolButton*>(control))
            EXPECT_FALSE(button->text().isEmpty()) << button->objectName().toStdString();
        else
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->objectName().toStdString();
    }
}

struct PcsCase {
    const char* name;
    bool joined;
    bool allPcs;
    const char* failure;
    std::vector<std::string> days;  // the report's lines; empty with a failure: no report
    const char* cash;
    const char* pc3Currency = "Rs";
    const char* refusal = "";  // the box shown instead of a report
};

void PrintTo(const PcsCase& c, std::ostream* out) {
    *out << c.name;
}

class ReportPcsTest : public ReportTest, public ::testing::WithParamInterface<PcsCase> {};

TEST_P(ReportPcsTest, AJoinedPcReportsItselfOrEveryPcOfTheCafe) {
    const PcsCase& c = GetParam();
    const auto cafe = std::make_shared<ScriptedCafeReport>();
    ScriptedCafeReport& server = *cafe;
    // Each PC's days as the server sums them, to the cent: 0.10 + 0.20 is no 0.30 in
    // binary fractions, the report still says 0.30.
    server.days = {{"pc1", "2026-11-01", 30, 41240, "Rs"},
                   {"pc1", "2026-11-02", 40, 60025, "Rs"},
                   {"pc2", "2026-11-01", 1, 10, "Rs"},
                   {"pc3", "2026-11-02", 1, 20, c.pc3Currency}};
    server.failure = c.failure;
    if (c.joined) t.pv.CafeReport = cafe;
    Book("11/02/2026", {10});

    EXPECT_EQ(!Control<QGroupBox>("fraPcs")->isHidden(), c.joined);
    EXPECT_TRUE(Control<QRadioButton>("optThisPc")->isChecked());
    if (c.allPcs) Control<QRadioButton>("optAllPcs")->setChecked(true);
    Generate({2026, 11, 1}, {2026, 11, 3});

    EXPECT_EQ(server.asked.size(), c.allPcs ? 1u : 0u);
    if (*c.refusal) {
        EXPECT_FALSE(ReportOpen());
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{c.refusal});
        return;
    }
    ASSERT_TRUE(ReportOpen());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Days(), c.days);
    EXPECT_EQ(Report().report().totalCash, c.cash);
    if (c.allPcs) {
        EXPECT_EQ(server.asked[0], "11/01/2026 11/03/2026");
    }

    // The next opening of the panel starts from this PC again.
    ClosePanel();
    EXPECT_TRUE(Control<QRadioButton>("optThisPc")->isChecked());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportPcsTest,
    ::testing::Values(
        PcsCase{"OnItsOwn", false, false, "", {"11/02/2026"}, "10.00"},
        PcsCase{"ThisPc", true, false, "", {"11/02/2026"}, "10.00"},
        PcsCase{"AllPcs", true, true, "", {"11/01/2026", "11/02/2026"}, "1012.95"},
        PcsCase{"ServerAway",
                true,
                true,
                "could not connect to server",
                {},
                "",
                "Rs",
                "The takings of all PCs from 11/01/2026 till 11/03/2026 could not be read from "
                "the cafe's server (could not connect to server), so no report was made."},
        PcsCase{"TwoCurrencies",
                true,
                true,
                "",
                {},
                "",
                "EUR",
                "The report of all PCs from 11/01/2026 till 11/03/2026 was not made: the "
                "sessions were taken in more than one currency, and a report adds up one only: "
                "'EUR' on pc3 (2026-11-02 to 2026-11-02); 'Rs' on pc1, pc2 (2026-11-01 to "
                "2026-11-02). Choose days of one currency."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::test
