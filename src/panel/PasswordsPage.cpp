#include "panel/PasswordsPage.h"

namespace quorvel::ui {

PasswordsPage::PasswordsPage(App& app) : PanelPage(app, "fMp") {}

}  // namespace quorvel::ui
