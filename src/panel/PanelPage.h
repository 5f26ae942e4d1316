#pragma once
// One page of the control panel: a frame that lies exactly over the other seven and
// is shown by its tab. Every page is made fresh when the panel opens and filled once
// by its loader during the panel's load; a tab click only shows it.
#include <QWidget>

#include "panel/NamedValues.h"
#include "ui/Forms.h"

class QListWidget;

namespace quorvel::ui {

class PanelPage : public QWidget {
    Q_OBJECT
  public:
    // `frameName` is the frame's design name (fSo, fDr, ...).
    PanelPage(App& app, const char* frameName);

    // At least the designed frame's size, more when the page's contents need it.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    // The two pages that keep a list of value names (Timer Programs, Block Websites):
    // the outcome of an add said as the owner needs it (nothing when it was added or
    // blank); true when it was added.
    bool ReportAdded(panel::AddOutcome outcome, const char* takenMessage,
                     const char* tooLongMessage, const char* notStoredMessage);
    // Fills `list` with the names loaded from `key` and says which values of it the
    // loader had to leave out.
    void ShowLoadedNames(QListWidget* list, const store::NameList& names,
                         const store::SkippedNames& skipped, const char* key);
    // Deletes the value of each marked item of `list` from `key`, last to first, with
    // its item. An item whose value the store kept stays, and the names are said.
    void RemoveMarkedValues(QListWidget* list, const char* key, const char* notRemovedHeading);

    App& app_;
};

}  // namespace quorvel::ui
