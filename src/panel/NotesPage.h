#pragma once
// The Notes tab (frame fNt): the owner's notes file.
#include "panel/PanelPage.h"

namespace quorvel::ui {

class NotesPage : public PanelPage {
    Q_OBJECT
  public:
    explicit NotesPage(App& app);

    // The panel's fourth loader: the notes file into the text box. A failing step is
    // skipped.
    void LoadNotes();
};

}  // namespace quorvel::ui
