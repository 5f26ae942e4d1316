#pragma once
// The Passwords tab (frame fMp): the administrator's password (Frame8) and the guest's
// (Frame10), each changed on its own by its "Save" and written to the data file at
// once. The rules are in panel/Passwords; this page shows them.
#include <memory>

#include "panel/PanelData.h"
#include "panel/PanelPage.h"

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace quorvel::ui {

class PasswordsPage : public PanelPage {
    Q_OBJECT
  public:
    explicit PasswordsPage(App& app);
    ~PasswordsPage() override;

    // Save of the administrator's frame.
    void Command10_Click();
    // Save of the guest's frame.
    void Command14_Click();

  private:
    // One frame: its three boxes in reading order, and its Save.
    struct Frame {
        QLineEdit* oldBox;
        QLineEdit* newBox;
        QLineEdit* confirmBox;
        QPushButton* save;
    };
    struct FrameNames {
        const char* frame;
        const char* caption;
        const char* labels[3];
        const char* boxes[3];
        const char* note;
        const char* save;
    };
    Frame BuildFrame(const FrameNames& names);
    void ChangePassword(const char* login, const Frame& frame);

    std::unique_ptr<panel::PanelData> data_;
    Frame admin_{};
    Frame guest_{};
};

}  // namespace quorvel::ui
