#pragma once
// What a window benchmark puts behind the message-box and dialog seams: nobody there
// to answer, so every box is OK and every dialog is cancelled.
#include <memory>

#include "ui/FileDialog.h"
#include "ui/Forms.h"
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

// The program's windows over `pv`, with nobody there to answer them.
struct UnattendedWindows {
    explicit UnattendedWindows(store::publicVar& pv)
        : forms(std::make_unique<ui::Forms>(app)), app{pv, boxes, files, *forms} {}
    // The windows go first, while everything they were built with is still there.
    ~UnattendedWindows() { forms.reset(); }

    UnattendedBoxes boxes;
    CancelledDialogs files;
    // Forms keeps only a reference to `app`, so it may be made before it.
    std::unique_ptr<ui::Forms> forms;
    ui::App app;
};

}  // namespace quorvel::bench
