#pragma once
// The control panel: the administrator's only window. A tab strip over eight pages
// that lie on one another, and a status bar whose two panels close the panel (back to
// the locked login screen) or quit the program.
//
// It is made fresh by each admin sign-in and destroyed when it goes away, so every
// opening reads everything again. Each page is a class of its own (`*Page`), filled
// once by its loader when the panel opens; a tab click only changes which page shows.
//
// Controls carry their design names: the tab strip `tbrOptions`, the frames `fSo` to
// `fRd`, the status bar `StatusBar1` with its panels `StatusBar1_1` (the narrow empty
// one), `StatusBar1_2` ("Close Control Panel") and `StatusBar1_3` ("Quit Quorvel (DE)").
#include <QWidget>

#include "panel/ControlPanel.h"
#include "ui/Forms.h"

class QStatusBar;
class QTabBar;

namespace quorvel::ui {

class BlockWebsitesPage;
class ConfigurationPage;
class NotesPage;
class PanelPage;
class PasswordsPage;
class ReportPage;
class SecurityPage;
class SessionLogsPage;
class TimerProgramsPage;

class frmCtrlpnl : public QWidget {
    Q_OBJECT
  public:
    // Builds every page, shows the Security page and runs Form_Load.
    explicit frmCtrlpnl(App& app);

    // Event handlers, public so tests drive them directly.
    void Form_Load();
    void tbrOptions_Click();
    void StatusBar1_PanelClick(panel::StatusPanel panel);
    // Runs as the window goes away, whatever made it go: the login screen again, or
    // after a confirmed "Quit" the end of the program. It never keeps the window.
    void Form_QueryUnload();
    // Every way out of the window comes here: Form_QueryUnload, then the window is
    // destroyed.
    void Unload();

    panel::ExitMode exitMode() const { return exitMode_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildStatusBar();
    void ShowFrame(std::string_view frame);

    App& app_;
    panel::ExitMode exitMode_ = panel::ExitMode::None;
    bool unloading_ = false;

    QTabBar* tbrOptions = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    SecurityPage* fSo = nullptr;
    TimerProgramsPage* fTp = nullptr;
    BlockWebsitesPage* fBw = nullptr;
    ConfigurationPage* fDr = nullptr;
    PasswordsPage* fMp = nullptr;
    NotesPage* fNt = nullptr;
    SessionLogsPage* fSl = nullptr;
    ReportPage* fRd = nullptr;
};

}  // namespace quorvel::ui
