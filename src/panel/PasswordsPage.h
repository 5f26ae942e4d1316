#pragma once
// The Passwords tab (frame fMp): the administrator's and the guest's password.
#include "panel/PanelPage.h"

namespace quorvel::ui {

class PasswordsPage : public PanelPage {
    Q_OBJECT
  public:
    explicit PasswordsPage(App& app);
};

}  // namespace quorvel::ui
