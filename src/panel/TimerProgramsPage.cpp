#include "panel/TimerProgramsPage.h"

namespace quorvel::ui {

TimerProgramsPage::TimerProgramsPage(App& app) : PanelPage(app, "fTp") {}

void TimerProgramsPage::LoadProgramList() {}

}  // namespace quorvel::ui
