#pragma once
// The website blocker: a window that is never shown. Loaded at a guest sign-in when
// blocking is on, it reads the blocked keywords once and then, every 10 ms until the
// session's logout unloads it, checks the browser windows on the desktop. A guest who
// stops the watch (the window system loses it for good) ends the session: nothing
// would be blocked for the rest of it.
#include <QTimer>
#include <QWidget>

#include "blocker/Blocker.h"
#include "ui/Forms.h"

namespace quorvel::ui {

class frmBlocks : public QWidget {
    Q_OBJECT
  public:
    // Runs Form_Load.
    explicit frmBlocks(App& app);
    ~frmBlocks() override;

    void Form_Load();
    void LoadBlockedKeywords();
    void Timer1_Timer();

    // The blocker has no user interface: asking to show it does nothing.
    void setVisible(bool visible) override;

    blocker::Blocker& blocker() { return blocker_; }
    QTimer* Timer1;

  private:
    App& app_;
    blocker::Blocker blocker_;
    // The session was ended for the lost watch; the window goes with it.
    bool endedUnwatched_ = false;
};

}  // namespace quorvel::ui
