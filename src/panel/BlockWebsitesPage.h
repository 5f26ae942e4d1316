#pragma once
// The Block Websites tab (frame fBw): the blocked keywords and the "Enable Blocking"
// switch. Each keyword is a value of "Software\Quorvel\URLs", stored the moment it is
// blocked or removed; the switch is the setting Blocking, stored at each click. The
// rules are in panel/NamedValues.
#include "panel/PanelPage.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quorvel::ui {

class BlockWebsitesPage : public PanelPage {
    Q_OBJECT
  public:
    explicit BlockWebsitesPage(App& app);

    // The second half of the panel's first loader (LoadProgramAndSiteLists): the
    // blocked keywords into List1. A failing step is skipped.
    void LoadSiteList();
    // The panel's last load step: "Enable Blocking" from the setting Blocking, after
    // every loader has run; a ticked box stores Blocking = 1 again, as a click does.
    void SetBlockingFromSettings();

    void Check3_Click();
    void txtSite_Change();
    void Command5_Click();
    void Command7_Click();
    void Command13_Click();

  private:
    void ResetEntry();

    QCheckBox* Check3 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* txtSite = nullptr;
    QLineEdit* Text4 = nullptr;
    QPushButton* Command5 = nullptr;
    QListWidget* List1 = nullptr;
    QPushButton* Command13 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command4 = nullptr;
};

}  // namespace quorvel::ui
