#pragma once
// The Report tab (frame fRd): the range of days (Frame1 with the pickers fromdt and
// tilldt) and "Generate Report" (Command6), which opens the report window drgstcst.
#include "panel/PanelPage.h"

class QDateEdit;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace quorvel::ui {

class ReportPage : public PanelPage {
    Q_OBJECT
  public:
    explicit ReportPage(App& app);

    // The panel's sixth loader: both date pickers to today, and on a PC that has joined
    // a cafe's server the choice of "This PC". It stops at its first error.
    void SetReportDates();
    // Generate Report: the chosen range into reportFromDate and reportTillDate (and
    // whose takings into reportAllPcs), and the report of it shown (a report already
    // open is made again for the new range).
    void Command6_Click();

  private:
    QDateEdit* fromdt = nullptr;
    QDateEdit* tilldt = nullptr;
    QGroupBox* fraPcs = nullptr;
    QRadioButton* optThisPc = nullptr;
    QRadioButton* optAllPcs = nullptr;
    QPushButton* Command6 = nullptr;
};

}  // namespace quorvel::ui
