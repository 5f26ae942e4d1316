#pragma once
// What a window benchmark puts behind the message-box and dialog seams: nobody there
// to answer, so every box is OK and every dialog is cancelled.
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

namespace quorvel::bench {

struct UnattendedBoxes final : ui::MessageBoxes {
    int MsgBox(const QString&, int, const QString&) override { return ui::kIdOk; }
};

struct CancelledDialogs final : ui::FileDialogs {
    QString Open(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString Save(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    bool Print(QWidget*, QPrinter&) override { return false; }
};

}  // namespace quorvel::bench
