#pragma once
// How one window brings up another. The windows of one subsystem never name a window of
// another: each asks for where to go next, and start-up, which knows every window,
// answers (startup/frmNavigation.h). So the login screen, the timer window and the
// control panel stay apart, and a test drives the same roads the program takes.
namespace quorvel::ui {

class Navigation {
  public:
    virtual ~Navigation() = default;

    // The login screen, shown and brought to the front; its activation locks the
    // desktop.
    virtual void ShowLock() = 0;
    // The login screen unloaded, which closes the data file: with no other window left
    // the program ends.
    virtual void CloseLock() = 0;
    // The control panel, made afresh and shown.
    virtual void OpenPanel() = 0;
    // The hidden website blocker, loaded (it starts watching at once).
    virtual void LoadBlocker() = 0;
    // The timer window shown: the guest session starts.
    virtual void StartSession() = 0;
    // The blocker (if loaded) and the timer window unloaded, the login screen shown.
    virtual void EndSession() = 0;
    // The blocker lost its watch of the browsers: the running session ends as its
    // Logout ends it (booked once, then EndSession), and the lock says why. False when
    // no session runs or it is ending already; nothing changes then.
    virtual bool EndSessionUnwatched() = 0;
};

}  // namespace quorvel::ui
