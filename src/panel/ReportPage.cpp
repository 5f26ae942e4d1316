#include "panel/ReportPage.h"

namespace quorvel::ui {

ReportPage::ReportPage(App& app) : PanelPage(app, "fRd") {}

void ReportPage::SetReportDates() {}

}  // namespace quorvel::ui
