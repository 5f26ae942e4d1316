#pragma once
// The Session Logs tab (frame fSl): the session log as read when the panel opened.
#include "panel/PanelPage.h"

namespace quorvel::ui {

class SessionLogsPage : public PanelPage {
    Q_OBJECT
  public:
    explicit SessionLogsPage(App& app);

    // The panel's fifth loader: the session log into the text box. A failing step is
    // skipped.
    void LoadSessionLog();
};

}  // namespace quorvel::ui
