#include "panel/PasswordsPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "login/Authentication.h"
#include "panel/Passwords.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/PasswordBox.h"
#include "ui/Text.h"

namespace quorvel::ui {

namespace {

// A password box: each character shown as "*", no longer than the login screen takes.
QLineEdit* NewPasswordBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    MaskAsPassword(*box);
    box->setMaxLength(login::kPasswordMaxLength);
    box->setContextMenuPolicy(Qt::NoContextMenu);
    return box;
}

}  // namespace

PasswordsPage::PasswordsPage(App& app)
    : PanelPage(app, "fMp"), data_(panel::MakeConnPanelData(app.pv)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    admin_ = BuildFrame({"Frame8",
                         "Administrator Password",
                         {"lblpas", "lblnewpas", "lblcpas"},
                         {"txtpas", "txtnpas", "txtcpas"},
                         "lblpasnote",
                         "Command10"});
    guest_ = BuildFrame({"Frame10",
                         "User (guest) Password",
                         {"Label22", "Label23", "Label21"},
                         {"txtuPas", "txtunpas", "txtucpas"},
                         "lbluPasnote",
                         "Command14"});
    layout->addStretch(1);
    connect(admin_.save, &QPushButton::clicked, this, &PasswordsPage::Command10_Click);
    connect(guest_.save, &QPushButton::clicked, this, &PasswordsPage::Command14_Click);
}

PasswordsPage::~PasswordsPage() = default;

PasswordsPage::Frame PasswordsPage::BuildFrame(const FrameNames& names) {
    auto* frame = new QGroupBox(names.caption, this);
    frame->setObjectName(names.frame);
    layout()->addWidget(frame);
    auto* grid = new QGridLayout(frame);
    grid->setColumnStretch(1, 1);

    const char* captions[3] = {"Old Password", "New Password", "Confirm Password"};
    QLineEdit* boxes[3];
    for (int row = 0; row < 3; ++row) {
        auto* label = NewLabel(frame, names.labels[row], captions[row]);
        boxes[row] = NewPasswordBox(frame, names.boxes[row]);
        NameByCaption(label, boxes[row]);
        grid->addWidget(label, row, 0);
        grid->addWidget(boxes[row], row, 1);
    }
    auto* note = NewLabel(frame, names.note,
                          QString("Note:  Maximum %1 chars.").arg(login::kPasswordMaxLength));
    grid->addWidget(note, 2, 2);
    auto* save = new QPushButton("Save", frame);
    save->setObjectName(names.save);
    grid->addWidget(save, 3, 2, Qt::AlignLeft);
    return {boxes[0], boxes[1], boxes[2], save};
}

void PasswordsPage::Command10_Click() {
    ChangePassword("admin", admin_);
}

void PasswordsPage::Command14_Click() {
    ChangePassword("guest", guest_);
}

void PasswordsPage::ChangePassword(const char* login, const Frame& frame) {
    const panel::PasswordChange result =
        panel::ChangePassword(*data_, login, ToStored(frame.oldBox->text()),
                              ToStored(frame.newBox->text()), ToStored(frame.confirmBox->text()));
    const bool failed =
        result == panel::PasswordChange::NoSuchLogin || result == panel::PasswordChange::NotStored;
    app_.msg.MsgBox(FromStored(panel::PasswordMessage(result, login)),
                    failed ? kMbExclamation : kMbInformation, FromStored(app_.pv.AppTitle));

    QLineEdit* toCorrect = nullptr;
    switch (result) {
        case panel::PasswordChange::Modified:
            frame.oldBox->clear();
            frame.newBox->clear();
            frame.confirmBox->clear();
            return;
        case panel::PasswordChange::InvalidOld:
            toCorrect = frame.oldBox;
            break;
        case panel::PasswordChange::InvalidNew:
            toCorrect = frame.newBox;
            break;
        case panel::PasswordChange::InvalidConfirm:
            toCorrect = frame.confirmBox;
            break;
        case panel::PasswordChange::NoSuchLogin:
        case panel::PasswordChange::NotStored:
            return;
    }
    toCorrect->setFocus(Qt::OtherFocusReason);
    toCorrect->selectAll();
}

}  // namespace quorvel::ui
