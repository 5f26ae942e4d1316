#include "ui/MessageBox.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace quorvel::ui {
namespace {

// Ctrl+C copies a box's title, text and buttons as a block of text on every system,
// the way a cafe owner reporting a message is used to from Windows.
class CopyableMessageBox final : public QMessageBox {
  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!event->matches(QKeySequence::Copy)) {
            QMessageBox::keyPressEvent(event);
            return;
        }
        const QString rule = "---------------------------\n";
        QString buttonTexts;
        for (QAbstractButton* button : buttons()) buttonTexts += button->text() + "   ";
        QApplication::clipboard()->setText(rule + windowTitle() + "\n" + rule + text() + "\n" +
                                           rule + buttonTexts + "\n" + rule);
    }
};

}  // namespace

int QtMessageBoxes::MsgBox(const QString& text, int flags, const QString& title) {
    CopyableMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    // The lock screen is top-most: the box must stay above it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Wide enough that the window manager need not shorten the title. Only a text
    // narrower than the title gets the extra room: a label given a minimum width no
    // longer wraps, and a long text (a data file's path) would be cut off.
    const int titleRoom = box.fontMetrics().horizontalAdvance(title) + 40;
    int widestLine = 0;
    for (const QString& line : text.split('\n'))
        widestLine = std::max(widestLine, box.fontMetrics().horizontalAdvance(line));
    if (widestLine < titleRoom) {
        if (auto* label = box.findChild<QLabel*>("qt_msgbox_label"))
            label->setMinimumWidth(titleRoom);
    }
    switch (flags & 0xF0) {
        case kMbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case 32:
            box.setIcon(QMessageBox::Question);
            break;
        case kMbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case kMbInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
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
