#include "panel/SecurityPage.h"

namespace quorvel::ui {

SecurityPage::SecurityPage(App& app) : PanelPage(app, "fSo") {}

void SecurityPage::LoadSecurityPolicies() {}

}  // namespace quorvel::ui
