#pragma once
// The Block Websites tab (frame fBw): the blocked keywords and the "Enable Blocking"
// switch.
#include "panel/PanelPage.h"

namespace quorvel::ui {

class BlockWebsitesPage : public PanelPage {
    Q_OBJECT
  public:
    explicit BlockWebsitesPage(App& app);

    // The second half of the panel's first loader (LoadProgramAndSiteLists): the
    // blocked keywords into List1. A failing step is skipped.
    void LoadSiteList();
    // The panel's last load step: "Enable Blocking" from the setting Blocking, after
    // every loader has run.
    void SetBlockingFromSettings();
};

}  // namespace quorvel::ui
