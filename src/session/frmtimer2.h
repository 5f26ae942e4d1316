#pragma once
// The session timer window: the one window a guest sees while signed in. It shows the
// login time, the elapsed time and the amount owed, and its "Logout" label ends the
// session. The session itself (clock, charge, stored state, log, booking) is
// GuestSession; this window shows it and forwards its events.
//
// Controls carry their design names as object names; the label array `Label1` is named
// "Label1_0" (Quick Launch) and "Label1_1" (Alarm). The window's own controls: the
// alarm choice (only recorded), "On Top" with `Timer2`, the drag handle `Image1`,
// "Minimize", the disabled "Close", "About Quorvel" and the quick-launch list.
#include <QCursor>
#include <QPoint>
#include <QWidget>
#include <array>
#include <memory>

#include "session/GuestSession.h"
#include "ui/Forms.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QTimer;

namespace quorvel::ui {

class frmtimer2 : public QWidget {
    Q_OBJECT
  public:
    // Runs the session start (Form_Load).
    explicit frmtimer2(App& app);
    ~frmtimer2() override;

    // Event handlers, public so tests drive them directly.
    void Form_Load();
    void Form_Activate();
    void Timer1_Timer();
    void lbltmr2_Click();
    // Ends the session as Logout does (booked, the lock shown), recording how it ended;
    // false when it is ending already, so it is booked once whoever asks first.
    bool LogOut(session::SessionEnd how);
    void RecordProgress();
    void AddSessionToDailyTotals();
    void combo1_Click();
    void Check1_Click();
    void Timer2_Timer();
    // The drag handle, with the pointer's position on the screen.
    void Image1_MouseDown(QPoint pointer);
    void Image1_MouseMove(QPoint pointer);
    void Image1_MouseUp();
    void Label3_Click();
    void aboutQuorvel_Click();
    void FillQuickLaunch();
    void List1_Click();

    bool allowUnload() const { return allowUnload_; }
    const session::GuestSession& session() const { return *session_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    // Copies the session's texts into the labels and the title bar.
    void ShowSession();

    App& app_;
    std::unique_ptr<session::Takings> takings_;
    std::unique_ptr<session::GuestSession> session_;
    bool allowUnload_ = false;
    bool activated_ = false;
    // Moving the window by Image1: held while the button is down on it; `grab` is
    // where the pointer held the window, from the window's top left corner.
    bool dragging_ = false;
    bool buttonUp_ = true;
    QPoint grab_;
    // ImageList1: the pointer while the window is dragged, and while the pointer only
    // rests on Image1.
    std::array<QCursor, 2> ImageList1;

    QLabel* lbllogint = nullptr;
    QLabel* lbltimer = nullptr;
    QLabel* lbltl = nullptr;
    QLabel* lbltimer2 = nullptr;
    QLabel* Lblamountt = nullptr;
    QLabel* lblamt2 = nullptr;
    QLabel* lblamt = nullptr;
    QLabel* lbllogout = nullptr;
    QLabel* lbltimer3 = nullptr;
    QLabel* Label1[2] = {nullptr, nullptr};
    QComboBox* combo1 = nullptr;
    QListWidget* List1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lbltmr2 = nullptr;
    QLabel* aboutQuorvel = nullptr;
    QLabel* Label5 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
};

}  // namespace quorvel::ui
