#pragma once
// The Timer Programs tab (frame fTp): the programs a guest may start from the timer
// window.
#include "panel/PanelPage.h"

namespace quorvel::ui {

class TimerProgramsPage : public PanelPage {
    Q_OBJECT
  public:
    explicit TimerProgramsPage(App& app);

    // The first half of the panel's first loader (LoadProgramAndSiteLists): the
    // quick-launch programs into the list combo1. A failing step is skipped.
    void LoadProgramList();
};

}  // namespace quorvel::ui
