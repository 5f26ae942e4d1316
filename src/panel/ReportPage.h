#pragma once
// The Report tab (frame fRd): the takings report's date range.
#include "panel/PanelPage.h"

namespace quorvel::ui {

class ReportPage : public PanelPage {
    Q_OBJECT
  public:
    explicit ReportPage(App& app);

    // The panel's sixth loader: both date pickers to today. It stops at its first
    // error.
    void SetReportDates();
};

}  // namespace quorvel::ui
