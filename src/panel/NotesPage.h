#pragma once
// The Notes tab (frame fNt): the owner's notes file in a text box (Text1), kept by
// "Save" (Command3). The rules are in panel/NotesAndLogs.
#include <string>

#include "panel/PanelPage.h"

class QPlainTextEdit;
class QPushButton;

namespace quorvel::ui {

class NotesPage : public PanelPage {
    Q_OBJECT
  public:
    explicit NotesPage(App& app);

    // The panel's fourth loader: the notes file into the text box. A failing step is
    // skipped.
    void LoadNotes();
    // Save: the box's text becomes the notes file; a save that failed says so.
    void Command3_Click();

  private:
    std::string Path() const;

    // The notes file's bytes as last loaded or saved, and the box's text as it then
    // showed them: Save keeps what was not edited as it was stored.
    std::string loaded_;
    std::string shown_;

    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command3 = nullptr;
};

}  // namespace quorvel::ui
