#pragma once
#include <QWidget>

#include "ui/Forms.h"

namespace quorvel::ui {

// The control panel's window: made by Forms with the App and named by its design
// name, as every window is; its controls are listed in docs/architecture.md among
// what is not built.
class frmCtrlpnl : public QWidget {
    Q_OBJECT
  public:
    explicit frmCtrlpnl(App& app);

  private:
    App& app_;
};

}  // namespace quorvel::ui
