#pragma once
// The Security tab (frame fSo): the desktop shell's and the browser's restrictions,
// one check box each, written by "Apply" (Command2). The rules are in
// panel/SecurityPolicies; this page shows them.
#include <array>

#include "panel/PanelPage.h"
#include "panel/SecurityPolicies.h"

class QCheckBox;
class QPushButton;

namespace quorvel::ui {

class SecurityPage : public PanelPage {
    Q_OBJECT
  public:
    explicit SecurityPage(App& app);

    // The panel's second loader: ticks the box of each restriction stored as 1. It
    // stops at its first error; the panel's other loaders run all the same.
    void LoadSecurityPolicies();
    // ApplySecurityPolicies: every box into the store, then what came of it.
    void Command2_Click();

  private:
    QWidget* BuildFrame(const panel::PolicyFrame& frame);
    panel::PolicyStates States() const;

    std::array<QCheckBox*, panel::kPolicyCount> boxes_{};
    QPushButton* Command2 = nullptr;
};

}  // namespace quorvel::ui
