#include "panel/SessionLogsPage.h"

namespace quorvel::ui {

SessionLogsPage::SessionLogsPage(App& app) : PanelPage(app, "fSl") {}

void SessionLogsPage::LoadSessionLog() {}

}  // namespace quorvel::ui
