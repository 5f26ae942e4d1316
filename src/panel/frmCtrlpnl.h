#pragma once
#include <QWidget>

#include "ui/Forms.h"

namespace quorvel::ui {

// Placeholder until this window is built; it keeps the construction contract every
// window follows: made by Forms with the App, named by its design name.
class frmCtrlpnl : public QWidget {
    Q_OBJECT
  public:
    explicit frmCtrlpnl(App& app);

  private:
    App& app_;
};

}  // namespace quorvel::ui
