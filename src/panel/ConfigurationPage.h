#pragma once
// The Configuration tab (frame fDr): the usage charges, the browser options and the
// login-screen picture, applied together by "Apply".
#include "panel/PanelPage.h"

namespace quorvel::ui {

class ConfigurationPage : public PanelPage {
    Q_OBJECT
  public:
    explicit ConfigurationPage(App& app);

    // The panel's third loader, run again by Apply answered No: every field of the
    // tab from the stored settings. A failing step is skipped.
    void LoadConfiguration();
};

}  // namespace quorvel::ui
