#include "panel/ConfigurationPage.h"

namespace quorvel::ui {

ConfigurationPage::ConfigurationPage(App& app) : PanelPage(app, "fDr") {}

void ConfigurationPage::LoadConfiguration() {}

}  // namespace quorvel::ui
