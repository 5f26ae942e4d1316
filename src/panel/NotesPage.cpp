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
    Text1->setPlainText(FromStored(panel::ReadNotes(Path())));
}

void NotesPage::Command3_Click() {
    if (const auto failed = panel::SaveNotes(Path(), ToStored(Text1->toPlainText())))
        app_.msg.MsgBox(FromStored(*failed), kMbExclamation, FromStored(app_.pv.AppTitle));
}

}  // namespace quorvel::ui
