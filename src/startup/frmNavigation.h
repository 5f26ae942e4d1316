#pragma once
// The roads between the windows, as start-up lays them out: the one place that names
// the login screen, the timer window, the blocker and the control panel together. It
// handles windows, so it is named and built as one.
#include "store/publicVar.h"
#include "ui/Forms.h"
#include "ui/Navigation.h"

namespace quorvel::ui {

class frmNavigation final : public Navigation {
  public:
    // The program's instance brings a window the owner opens to the front
    // (ui/Foreground.h).
    frmNavigation(Forms& forms, store::publicVar& pv) : forms_(forms), pv_(pv) {}

    // Once the lock shows, the browsers that start under it are made visible to the
    // blocker (login::PrepareBlocking).
    void ShowLock() override;
    void CloseLock() override;
    void OpenPanel() override;
    void LoadBlocker() override;
    void StartSession() override;
    // Asks for a fresh guest desktop once the lock shows again.
    void EndSession() override;
    // Through the timer window's own Logout, which books the session once.
    bool EndSessionUnwatched() override;

  private:
    Forms& forms_;
    store::publicVar& pv_;
};

}  // namespace quorvel::ui
