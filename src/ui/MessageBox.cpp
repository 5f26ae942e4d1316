#include "ui/MessageBox.h"

#include <QMessageBox>

namespace quorvel::ui {

int QtMessageBoxes::MsgBox(const QString& text, int flags, const QString& title) {
    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    // The lock screen is top-most: the box must stay above it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    switch (flags & 0xF0) {
        case kMbCritical: box.setIcon(QMessageBox::Critical); break;
        case 32: box.setIcon(QMessageBox::Question); break;
        case kMbExclamation: box.setIcon(QMessageBox::Warning); break;
        case kMbInformation: box.setIcon(QMessageBox::Information); break;
        default: break;
    }
    if ((flags & 0x0F) == 4) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? kIdYes : kIdNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return kIdOk;
}

}  // namespace quorvel::ui
