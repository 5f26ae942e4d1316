#include "panel/PanelPage.h"

#include <QListWidget>

#include "panel/ControlPanel.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/Text.h"

namespace quorvel::ui {

namespace {
// Every frame is at least as large as designed (6145 x 4560 twips); a page whose
// contents need more makes the panel grow.
constexpr int kFrameWidth = 6145;
constexpr int kFrameHeight = 4560;
}  // namespace

PanelPage::PanelPage(App& app, const char* frameName) : app_(app) {
    setObjectName(frameName);
    // Screen readers name the page by its tab.
    for (const panel::Tab& tab : panel::kTabs)
        if (std::string_view(tab.frame) == frameName) setAccessibleName(tab.caption);
    // All eight share one place; the hidden ones still count for the panel's size.
    QSizePolicy policy = sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    setSizePolicy(policy);
}

QSize PanelPage::sizeHint() const {
    return QWidget::sizeHint().expandedTo(minimumSizeHint());
}

QSize PanelPage::minimumSizeHint() const {
    return QWidget::minimumSizeHint().expandedTo(
        QSize(Twips(this, kFrameWidth), Twips(this, kFrameHeight)));
}

bool PanelPage::ReportAdded(panel::AddOutcome outcome, const char* takenMessage,
                            const char* tooLongMessage, const char* notStoredMessage) {
    const QString title = FromStored(app_.pv.AppTitle);
    switch (outcome) {
        case panel::AddOutcome::Added:
            return true;
        case panel::AddOutcome::Taken:
            app_.msg.MsgBox(takenMessage, kMbInformation, title);
            return false;
        case panel::AddOutcome::TooLong:
            app_.msg.MsgBox(tooLongMessage, kMbExclamation, title);
            return false;
        case panel::AddOutcome::NotStored:
            app_.msg.MsgBox(notStoredMessage, kMbExclamation, title);
            return false;
        case panel::AddOutcome::Empty:
            return false;
    }
    return false;
}

void PanelPage::ShowLoadedNames(QListWidget* list, const store::NameList& names,
                                const store::SkippedNames& skipped, const char* key) {
    list->clear();
    for (const std::string& name : names) list->addItem(FromStored(name));
    if (!skipped.empty())
        app_.msg.MsgBox(FromStored(panel::SkippedNamesMessage(key, skipped)), kMbExclamation,
                        FromStored(app_.pv.AppTitle));
}

void PanelPage::RemoveMarkedValues(QListWidget* list, const char* key,
                                   const char* notRemovedHeading) {
    store::NameList kept;
    for (int i = list->count() - 1; i >= 0; --i) {
        if (!list->item(i)->isSelected()) continue;
        const std::string name = ToStored(list->item(i)->text());
        if (panel::RemoveNamedValue(app_.pv.settings, key, name))
            delete list->takeItem(i);
        else
            kept.insert(kept.begin(), name);
    }
    if (!kept.empty())
        app_.msg.MsgBox(FromStored(panel::NamesMessage(notRemovedHeading, kept)), kMbExclamation,
                        FromStored(app_.pv.AppTitle));
}

}  // namespace quorvel::ui
