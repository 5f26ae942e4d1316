#pragma once
// The login screen: the full-screen lock shown whenever nobody is signed in. It is
// the program's home window from the end of start-up until the program ends; a
// sign-in hides it, and the timer window and the control panel show it again.
//
// Controls carry their design names as object names. The label array `info` is
// named "info_0" to "info_3" (index 1 is the block's heading).
#include <QPointer>
#include <QWidget>
#include <array>

#include "login/SignInSteps.h"
#include "ui/Forms.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QSocketNotifier;

namespace quorvel::session {
struct PreviousUser;
}

namespace quorvel::ui {

// The screen does its part of a sign-in (login/SignInSteps.h) for the rule, which
// alone decides the order.
class frmstart : public QWidget, private login::LoginScreen {
    Q_OBJECT
  public:
    explicit frmstart(App& app);
    // Unloading the login screen ends the program's use of the data file.
    ~frmstart() override;

    // Each time the screen is shown: hold the desktop, show the last session and book
    // it if it never was, load the picture, focus the login box.
    void Form_Activate();
    void stimer1_Timer();
    // Something may have disturbed the lock (the platform's lock events): checks at
    // once, then every tick until the lock is at rest again.
    void LockDisturbed();
    void cmdsubt_Click();
    void cmdcan_Click();
    void txtpas_Change();
    // On a PC that has joined a cafe's server: the sessions still on their way to it.
    void tmrServer_Timer();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // login::LoginScreen
    std::uintptr_t Handle() override;
    // Starts or stops holding the desktop with stimer1: while held, the timer ticks
    // until the lock is at rest and again whenever it is disturbed.
    void HoldLock(bool hold) override;
    void Warn(const std::string& text) override;
    void Correct(login::Box box) override;
    void ClearBoxes() override;
    void Hide() override;
    void ProcessPendingEvents() override;
    void LoadBlocker() override;
    void OpenControlPanel() override;
    void StartSession() override;

    int Twips(int twips) const;
    QRect TwipRect(int left, int top, int width, int height) const;
    void PlaceControls();
    void ShowPreviousSession(const session::PreviousUser& previous);
    void ShowLoginPicture();
    void RemakeNativeWindow();

    App& app_;
    QLineEdit* txtLog_;
    QLineEdit* txtpas_;
    QPushButton* cmdsubt_;
    QPushButton* cmdcan_;
    QTimer* stimer1_;
    QTimer* tmrServer_;
    QLabel* lblServer_;
    QLabel* lblNotice_;
    QSocketNotifier* lockEvents_ = nullptr;
    bool holdingLock_ = false;
    QLabel* Image1_;
    QWidget* Picture2_;
    QLabel* Image2_;
    QLabel* Label1_;
    QLabel* Label2_;
    QLabel* Label4_;
    QLabel* Label8_;
    QLabel* Ldate_;
    QLabel* lusage_;
    QLabel* lcharges_;
    QLabel* Label3_;
    QLabel* Label5_;
    std::array<QLabel*, 4> info_{};
    QPointer<QWidget> focusBeforeRemake_;
};

}  // namespace quorvel::ui
