#pragma once
// The roads between the windows, as start-up lays them out: the one place that names
// the login screen, the timer window, the blocker and the control panel together. It
// handles windows, so it is named and built as one.
#include "ui/Forms.h"
#include "ui/Navigation.h"

namespace quorvel::ui {

class frmNavigation final : public Navigation {
  public:
    explicit frmNavigation(Forms& forms) : forms_(forms) {}

    void ShowLock() override;
    void CloseLock() override;
    void OpenPanel() override;
    void LoadBlocker() override;
    void StartSession() override;
    void EndSession() override;

  private:
    Forms& forms_;
};

}  // namespace quorvel::ui
