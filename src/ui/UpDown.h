#pragma once
// The spinner that stands beside a text box (the common "up-down" control): its
// arrows, and the Up and Down keys while it has the focus, step the number in the box
// by one within a range, stopping at either end. The box shows the number; the
// spinner itself shows only its arrows. Screen readers see a spin button with the
// number as its value.
#include <QSpinBox>

class QLineEdit;

namespace quorvel::ui {

class UpDown : public QSpinBox {
    Q_OBJECT
  public:
    // Writes each step into `box` as text.
    UpDown(QWidget* parent, const char* name, int maximum, QLineEdit* box);

    // Starts the next step from `value` (what the box now shows), without writing the
    // box.
    void StartFrom(int value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
};

}  // namespace quorvel::ui
