// The program's entry: builds the real platform services and the shared state,
// then hands over to the start-up window. The program ends when no window is left, with
// the exit status the kiosk service's restart rule reads (startup/ExitStatus.h).
#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>
#include <iostream>

#include "startup/ExitStatus.h"
#include "startup/RealPlatform.h"
#include "startup/frmNavigation.h"
#include "startup/frmSplash.h"
#include "ui/FileDialog.h"
#include "ui/Forms.h"
#include "ui/MessageBox.h"
#include "ui/Text.h"

namespace {

using namespace quorvel;

// The toolkit's X connection where there is one (see RealPlatform::Make).
void* ToolkitX11Display(QApplication& application) {
#if QT_CONFIG(xcb)
    if (auto* x11 = application.nativeInterface<QNativeInterface::QX11Application>())
        return x11->display();
#endif
    (void)application;
    return nullptr;
}

// The toolkit checks its X connection itself and, finding it broken, says so and calls
// exit(1), which runs every static destructor with the toolkit's threads still going.
// A lost display ends the program at once with its own status instead; every other
// message is printed as the toolkit would.
void EndAtOnceWhenToolkitLosesDisplay() {
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (type == QtWarningMsg && message.startsWith("The X11 connection broke"))
                startup::RealPlatform::EndForLostDisplay();
            const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit();
            std::fprintf(stderr, "%s\n", line.constData());
        });
}

// The windows' App and the Forms that manage them refer to each other; the roads
// between the windows are set before the first one opens.
struct Program {
    Program(store::publicVar& pv, ui::MessageBoxes& msg, ui::FileDialogs& files)
        : app{pv, msg, files, forms}, forms(app), navigation(forms, pv) {
        forms.SetNavigation(navigation);
    }
    ui::App app;
    ui::Forms forms;
    ui::frmNavigation navigation;
};

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    auto windowSystem = startup::RealPlatform::WaitForWindowSystem(error);
    if (!windowSystem) {
        std::cerr << "quorvel: " << error << std::endl;
        return startup::kExitStartFailed;
    }
    EndAtOnceWhenToolkitLosesDisplay();
    // The windows run on Qt's own event loop, not on GLib's default main context: the
    // website blocker's accessibility connection belongs to its worker thread alone,
    // and nothing of it may be served from the windows' thread.
    qputenv("QT_NO_GLIB", "1");
    QApplication application(argc, argv);
    // The toolkit is connected now; the server no longer resets when ours goes.
    windowSystem.reset();
    QApplication::setApplicationName(store::kAppTitle);
    // Windows come and go (the splash hides before the login screen shows); the
    // program ends when Forms has none left, not when the last one is hidden.
    QApplication::setQuitOnLastWindowClosed(false);

    ui::QtMessageBoxes msg;
    std::unique_ptr<startup::RealPlatform> real =
        startup::RealPlatform::Make(error, ToolkitX11Display(application));
    if (!real) {
        msg.MsgBox(ui::FromStored(error), ui::kMbCritical, store::kAppTitle);
        return startup::kExitStartFailed;
    }
    store::publicVar pv(real->services());
    // Every instance owns its hidden main window, titled with the application title,
    // from the start: that is what a later instance looks for.
    pv.os.instance.SetMainWindowTitle(pv.AppTitle);

    ui::QtFileDialogs files;
    Program program(pv, msg, files);
    program.forms.OnAllUnloaded([&forms = program.forms] {
        QTimer::singleShot(0, qApp, [&forms] { QCoreApplication::exit(forms.ExitStatus()); });
    });

    program.forms.Get<ui::frmSplash>().show();
    const int status = application.exec();
    // The login screen closes the data file when it unloads; make sure of it on
    // every way out.
    pv.Conn.reset();
    return pv.QuitConfirmed ? startup::kExitQuit : status;
}
