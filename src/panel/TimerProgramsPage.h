#pragma once
// The Timer Programs tab (frame fTp): the programs a guest may start from the timer
// window. Each is a value of "Software\Quorvel\Programs": its name is what the guest
// sees, its data the program's path. Frame "Add" (Frame3) stores one, frame "Delete"
// (Frame2) removes the marked ones; both at once, with no Apply. The rules are in
// panel/NamedValues.
//
// The label array Label1 is named "Label1_0" (Program Name) and "Label1_1" (Location).
#include "panel/PanelPage.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quorvel::ui {

class TimerProgramsPage : public PanelPage {
    Q_OBJECT
  public:
    explicit TimerProgramsPage(App& app);

    // The first half of the panel's first loader (LoadProgramAndSiteLists): the
    // quick-launch programs into the list combo1. A failing step is skipped.
    void LoadProgramList();

    void txtname_Change();
    void txtloct_Change();
    void cmdbrowse_Click();
    void cmdcancel_Click();
    void cmdsave_Click();
    void cmddel_Click();

  private:
    QWidget* BuildAdd();
    QWidget* BuildDelete();
    void EnableSave();

    QLineEdit* txtname = nullptr;
    QLineEdit* txtloct = nullptr;
    QPushButton* cmdbrowse = nullptr;
    QPushButton* cmdsave = nullptr;
    QPushButton* cmdcancel = nullptr;
    QListWidget* combo1 = nullptr;
    QPushButton* cmddel = nullptr;
};

}  // namespace quorvel::ui
