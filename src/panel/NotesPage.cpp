#include "panel/NotesPage.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "panel/NotesAndLogs.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/Text.h"

namespace quorvel::ui {

NotesPage::NotesPage(App& app) : PanelPage(app, "fNt") {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Text1 = NewTextBox(this, "Text1", "Notes");
    layout->addWidget(Text1, 1);
    Command3 = NewButton(this, "Command3", "Save");
    AddAtRight(layout, Command3);
    connect(Command3, &QPushButton::clicked, this, &NotesPage::Command3_Click);
}

std::string NotesPage::Path() const {
    return panel::NotesPath(app_.pv.os.systemInfo.ProgramFolder());
}

void NotesPage::LoadNotes() {
    loaded_ = panel::ReadNotes(Path());
    Text1->setPlainText(FromStored(loaded_));
    shown_ = ToStored(Text1->toPlainText());
}

void NotesPage::Command3_Click() {
    const std::string typed = ToStored(Text1->toPlainText());
    std::string notes = panel::NotesToSave(loaded_, shown_, typed);
    if (const auto failed = panel::SaveNotes(Path(), notes)) {
        app_.msg.MsgBox(FromStored(*failed), kMbExclamation, FromStored(app_.pv.AppTitle));
        return;
    }
    loaded_ = std::move(notes);
    shown_ = typed;
}

}  // namespace quorvel::ui
