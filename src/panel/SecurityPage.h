#pragma once
// The Security tab (frame fSo): the Explorer and browser restrictions.
#include "panel/PanelPage.h"

namespace quorvel::ui {

class SecurityPage : public PanelPage {
    Q_OBJECT
  public:
    explicit SecurityPage(App& app);

    // The panel's second loader: ticks the box of each restriction stored as 1. It
    // stops at its first error; the panel's other loaders run all the same.
    void LoadSecurityPolicies();
};

}  // namespace quorvel::ui
