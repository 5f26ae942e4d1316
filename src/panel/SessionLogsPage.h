#pragma once
// The Session Logs tab (frame fSl): the session log (txtLogs) as read when the panel
// opened. Nothing on the page writes the log.
#include "panel/PanelPage.h"

class QPlainTextEdit;

namespace quorvel::ui {

class SessionLogsPage : public PanelPage {
    Q_OBJECT
  public:
    explicit SessionLogsPage(App& app);

    // The panel's fifth loader: the session log into the text box. A failing step is
    // skipped.
    void LoadSessionLog();

  private:
    QPlainTextEdit* txtLogs = nullptr;
};

}  // namespace quorvel::ui
