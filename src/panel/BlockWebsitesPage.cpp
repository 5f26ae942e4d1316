#include "panel/BlockWebsitesPage.h"

namespace quorvel::ui {

BlockWebsitesPage::BlockWebsitesPage(App& app) : PanelPage(app, "fBw") {}

void BlockWebsitesPage::LoadSiteList() {}

void BlockWebsitesPage::SetBlockingFromSettings() {}

}  // namespace quorvel::ui
