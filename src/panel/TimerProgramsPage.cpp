#include "panel/TimerProgramsPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "panel/NamedValues.h"
#include "ui/Controls.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "ui/Text.h"

namespace quorvel::ui {

using platform::kHkeyCurrentUser;

TimerProgramsPage::TimerProgramsPage(App& app) : PanelPage(app, "fTp") {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(BuildAdd());
    layout->addWidget(BuildDelete(), 1);

    connect(txtname, &QLineEdit::textChanged, this, &TimerProgramsPage::txtname_Change);
    connect(txtloct, &QLineEdit::textChanged, this, &TimerProgramsPage::txtloct_Change);
    connect(cmdbrowse, &QPushButton::clicked, this, &TimerProgramsPage::cmdbrowse_Click);
    connect(cmdsave, &QPushButton::clicked, this, &TimerProgramsPage::cmdsave_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &TimerProgramsPage::cmdcancel_Click);
    connect(cmddel, &QPushButton::clicked, this, &TimerProgramsPage::cmddel_Click);
}

QWidget* TimerProgramsPage::BuildAdd() {
    auto* frame = new QGroupBox("Add", this);
    frame->setObjectName("Frame3");
    auto* grid = new QGridLayout(frame);
    auto* nameCaption = NewLabel(frame, "Label1_0", "Program Name");
    txtname = NewBox(frame, "txtname");
    NameByCaption(nameCaption, txtname);
    auto* locationCaption = NewLabel(frame, "Label1_1", "Location");
    txtloct = NewBox(frame, "txtloct");
    NameByCaption(locationCaption, txtloct);
    cmdbrowse = NewButton(frame, "cmdbrowse", "Browse...");
    cmdsave = NewButton(frame, "cmdsave", "Save");
    cmdcancel = NewButton(frame, "cmdcancel", "Refresh");
    for (QPushButton* button : {cmdbrowse, cmdsave, cmdcancel}) button->setEnabled(false);
    grid->addWidget(nameCaption, 0, 0);
    grid->addWidget(txtname, 0, 1, 1, 3);
    grid->addWidget(locationCaption, 1, 0);
    grid->addWidget(txtloct, 1, 1, 1, 3);
    grid->addWidget(cmdbrowse, 2, 1, Qt::AlignLeft);
    grid->addWidget(cmdsave, 2, 2);
    grid->addWidget(cmdcancel, 2, 3);
    grid->setColumnStretch(1, 1);
    return frame;
}

QWidget* TimerProgramsPage::BuildDelete() {
    auto* frame = new QGroupBox("Delete", this);
    frame->setObjectName("Frame2");
    auto* grid = new QGridLayout(frame);
    combo1 = new QListWidget(frame);
    combo1->setObjectName("combo1");
    // A click marks or unmarks one program; several may be marked at once.
    combo1->setSelectionMode(QAbstractItemView::MultiSelection);
    combo1->setAccessibleName("Programs");
    cmddel = NewButton(frame, "cmddel", "Delete");
    grid->addWidget(combo1, 0, 0);
    grid->addWidget(cmddel, 0, 1, Qt::AlignTop);
    grid->setColumnStretch(0, 1);
    return frame;
}

void TimerProgramsPage::LoadProgramList() {
    const store::SkippedNames skipped =
        app_.pv.LoadProgramList(kHkeyCurrentUser, store::kProgramsKey);
    ShowLoadedNames(combo1, app_.pv.ProgramList, skipped, store::kProgramsKey);
}

void TimerProgramsPage::EnableSave() {
    // A name of blanks only is never saved.
    cmdsave->setEnabled(!txtloct->text().isEmpty() &&
                        !panel::TrimBlanks(ToStored(txtname->text())).empty());
}

void TimerProgramsPage::txtname_Change() {
    const bool named = !txtname->text().isEmpty();
    cmdbrowse->setEnabled(named);
    cmdcancel->setEnabled(named);
    EnableSave();
}

void TimerProgramsPage::txtloct_Change() {
    EnableSave();
}

void TimerProgramsPage::cmdbrowse_Click() {
    const QString start =
        FromStored(app_.pv.settings.ReadSetting(kHkeyCurrentUser, store::kSettingsKey, "LoginScr")
                       .ToDisplayText());
    const QString chosen = app_.files.Open(this, "Open", start, panel::ProgramFilter());
    // Cancel leaves the location as it was.
    if (chosen.isEmpty()) return;
    txtloct->setText(chosen);
    txtloct->setCursorPosition(0);
}

void TimerProgramsPage::cmdcancel_Click() {
    txtloct->clear();
    txtname->clear();
    cmdsave->setEnabled(false);
    cmdcancel->setEnabled(false);
    txtname->setFocus();
}

void TimerProgramsPage::cmdsave_Click() {
    // What is stored now, not what the list showed when the panel opened.
    app_.pv.LoadProgramList(kHkeyCurrentUser, store::kProgramsKey);
    const std::string name = ToStored(txtname->text());
    if (ReportAdded(panel::AddNamedValue(app_.pv.settings, store::kProgramsKey, app_.pv.ProgramList,
                                         name, ToStored(txtloct->text())),
                    panel::kProgramTakenMessage, panel::kProgramTooLongMessage,
                    panel::kProgramNotStoredMessage))
        combo1->addItem(FromStored(name));
    cmdcancel_Click();
}

void TimerProgramsPage::cmddel_Click() {
    RemoveMarkedValues(combo1, store::kProgramsKey, panel::kProgramsNotRemovedMessage);
    cmdcancel_Click();
}

}  // namespace quorvel::ui
