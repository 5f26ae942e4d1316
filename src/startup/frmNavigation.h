#pragma once
// The roads between the windows, as start-up lays them out: the one place that names
// the login screen, the timer window, the blocker and the control panel together. It
// handles windows, so it is named and built as one.
#include "platform/Instance.h"
#include "ui/Forms.h"
#include "ui/Navigation.h"

namespace quorvel::ui {

class frmNavigation final : public Navigation {
  public:
    // `instance` brings a window the owner opens to the front (ui/Foreground.h).
    frmNavigation(Forms& forms, platform::Instance& instance)
        : forms_(forms), instance_(instance) {}

    void ShowLock() override;
    void CloseLock() override;
    void OpenPanel() override;
    void LoadBlocker() override;
    void StartSession() override;
    void EndSession() override;

  private:
    Forms& forms_;
    platform::Instance& instance_;
};

}  // namespace quorvel::ui
