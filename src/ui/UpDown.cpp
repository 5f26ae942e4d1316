#include "ui/UpDown.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSpinBox>

namespace quorvel::ui {

UpDown::UpDown(QWidget* parent, const char* name, int maximum, QLineEdit* box) : QSpinBox(parent) {
    setObjectName(name);
    setRange(0, maximum);
    setSingleStep(1);
    setWrapping(false);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    // The number is typed nowhere: the box beside it shows it and cannot be typed into.
    lineEdit()->setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QSpinBox::valueChanged, box,
            [box](int value) { box->setText(QString::number(value)); });
}

void UpDown::StartFrom(int value) {
    const QSignalBlocker quiet(this);
    setValue(value);
}

QSize UpDown::sizeHint() const {
    // Just the arrows.
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QRect up =
        style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, this);
    const int frame = style()->pixelMetric(QStyle::PM_SpinBoxFrameWidth, &option, this);
    return QSize(std::max(up.width(), 12) + 2 * frame, QSpinBox::sizeHint().height());
}

QSize UpDown::minimumSizeHint() const {
    return sizeHint();
}

}  // namespace quorvel::ui
