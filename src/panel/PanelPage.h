#pragma once
// One page of the control panel: a frame that lies exactly over the other seven and
// is shown by its tab. Every page is made fresh when the panel opens and filled once
// by its loader during the panel's load; a tab click only shows it.
#include <QWidget>

#include "ui/Forms.h"

namespace quorvel::ui {

class PanelPage : public QWidget {
    Q_OBJECT
  public:
    // `frameName` is the frame's design name (fSo, fDr, ...).
    PanelPage(App& app, const char* frameName);

    // At least the designed frame's size, more when the page's contents need it.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    App& app_;
};

}  // namespace quorvel::ui
