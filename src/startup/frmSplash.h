#pragma once
// The start-up window: refuses to run beside an earlier instance, compacts and
// opens the data file, and after three seconds hands over to the login screen.
#include <QWidget>

#include "ui/Forms.h"

class QLabel;
class QTimer;

namespace quorvel::ui {

class frmSplash : public QWidget {
    Q_OBJECT
  public:
    // Runs Form_Load: an instance that finds an earlier one ends here.
    explicit frmSplash(App& app);

    // The single-instance check.
    void Form_Load();
    // Runs once, when the splash has first been drawn: status, SysDir, compaction,
    // Conn, then Timer1.
    void Form_Activate();
    // Timer1, once: OsVersion, the old session log, the login screen, unload.
    void Timer1_Timer();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    App& app_;
    QWidget* Image1;
    QLabel* lblStatus;
    QTimer* Timer1;
    bool activated_ = false;
    bool activationQueued_ = false;
};

}  // namespace quorvel::ui
