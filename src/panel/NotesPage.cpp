#include "panel/NotesPage.h"

namespace quorvel::ui {

NotesPage::NotesPage(App& app) : PanelPage(app, "fNt") {}

void NotesPage::LoadNotes() {}

}  // namespace quorvel::ui
