#include "panel/SessionLogsPage.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "panel/NotesAndLogs.h"
#include "session/SessionLog.h"
#include "ui/Controls.h"
#include "ui/Text.h"

namespace quorvel::ui {

SessionLogsPage::SessionLogsPage(App& app) : PanelPage(app, "fSl") {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    txtLogs = NewTextBox(this, "txtLogs", "Session Logs");
    // What the owner reads here is never written back: the box lets them select and
    // copy, not change what the log says.
    txtLogs->setReadOnly(true);
    txtLogs->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    layout->addWidget(txtLogs);
}

void SessionLogsPage::LoadSessionLog() {
    txtLogs->setPlainText(
        FromStored(panel::ReadSessionLog(session::SessionLogPath(app_.pv.SysDir))));
}

}  // namespace quorvel::ui
