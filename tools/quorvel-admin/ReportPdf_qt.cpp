// The report's PDF through the report window's own drawing. The toolkit is started
// here only, on its offscreen platform: no display is needed, and every other command
// of the tool runs without the toolkit.
#include <QGuiApplication>

#include "ReportPdf.h"
#include "panel/drgstcstPrint.h"
#include "platform/posix/SystemClock.h"
#include "ui/Text.h"

namespace quorvel::admin {

bool WriteReportPdfFile(panel::Report report, const std::string& path, std::string& error) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit's own notes (a runtime folder it would like, say) are not the
    // owner's business: the command says in one line what went wrong, if anything.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static int argc = 1;
    static char name[] = "quorvel-admin";
    static char* argv[] = {name, nullptr};
    QGuiApplication toolkit(argc, argv);
    report.printedOn = ui::LongDate(platform::SystemClock().Now());
    QString why;
    if (ui::WriteReportPdf(report, ui::FromStored(path), why)) return true;
    error = ui::ToStored(why);
    return false;
}

}  // namespace quorvel::admin
