#pragma once
// What the window benchmarks share: nobody there to answer, so every message box is
// OK and every dialog is cancelled; the windows made over those; and their main.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "startup/frmNavigation.h"
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
        : forms(std::make_unique<ui::Forms>(app)),
          navigation(*forms, pv),
          app{pv, boxes, files, *forms} {
        forms->SetNavigation(navigation);
    }
    // The windows go first, while everything they were built with is still there.
    ~UnattendedWindows() { forms.reset(); }

    UnattendedBoxes boxes;
    CancelledDialogs files;
    // Forms keeps only a reference to `app`, so it may be made before it.
    std::unique_ptr<ui::Forms> forms;
    ui::frmNavigation navigation;
    ui::App app;
};

// The whole of a window benchmark's main: Qt's offscreen platform unless
// QT_QPA_PLATFORM names another (xcb with DISPLAY for an X server).
inline int RunWindowBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace quorvel::bench
