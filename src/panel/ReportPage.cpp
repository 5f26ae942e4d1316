#include "panel/ReportPage.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "panel/drgstcst.h"
#include "ui/Controls.h"
#include "ui/Foreground.h"
#include "ui/Text.h"

namespace quorvel::ui {

namespace {

// The pickers show and the report stores days in the form the hint labels give.
constexpr const char* kDayFormat = "MM/dd/yyyy";
constexpr const char* kDayHint = "mm/dd/yyyy";

QDateEdit* NewPicker(QWidget* parent, const char* name) {
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(name);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(kDayFormat);
    // A screen reader reads the hint beside the picker's name.
    picker->setAccessibleDescription(kDayHint);
    return picker;
}

}  // namespace

ReportPage::ReportPage(App& app) : PanelPage(app, "fRd") {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* frame = new QGroupBox("Select Report Duration", this);
    frame->setObjectName("Frame1");
    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(8);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    auto* fromCaption = NewLabel(frame, "Label12", "From :");
    fromdt = NewPicker(frame, "fromdt");
    NameByCaption(fromCaption, fromdt);
    auto* tillCaption = NewLabel(frame, "Label11", "Till :");
    tilldt = NewPicker(frame, "tilldt");
    NameByCaption(tillCaption, tilldt);
    grid->addWidget(fromCaption, 0, 0);
    grid->addWidget(fromdt, 0, 1);
    grid->addWidget(tillCaption, 0, 2);
    grid->addWidget(tilldt, 0, 3);
    // Label4(2) under From, Label4(1) under Till.
    grid->addWidget(NewLabel(frame, "Label4_2", kDayHint), 1, 1);
    grid->addWidget(NewLabel(frame, "Label4_1", kDayHint), 1, 3);
    layout->addWidget(frame);

    // Only on a PC that has joined a cafe's server.
    fraPcs = new QGroupBox("Takings of", this);
    fraPcs->setObjectName("fraPcs");
    auto* pcs = new QHBoxLayout(fraPcs);
    optThisPc = new QRadioButton("This PC", fraPcs);
    optThisPc->setObjectName("optThisPc");
    optAllPcs = new QRadioButton("All PCs", fraPcs);
    optAllPcs->setObjectName("optAllPcs");
    pcs->addWidget(optThisPc);
    pcs->addWidget(optAllPcs);
    pcs->addStretch(1);
    optThisPc->setChecked(true);
    fraPcs->setVisible(app_.pv.CafeReport != nullptr);
    layout->addWidget(fraPcs);
    layout->addStretch(1);

    Command6 = NewButton(this, "Command6", "Generate Report");
    AddAtRight(layout, Command6);
    connect(Command6, &QPushButton::clicked, this, &ReportPage::Command6_Click);
}

void ReportPage::SetReportDates() {
    const platform::LocalDateTime now = app_.pv.os.clock.Now();
    const QDate today(now.year, now.month, now.day);
    fromdt->setDate(today);
    tilldt->setDate(today);
    optThisPc->setChecked(true);
}

void ReportPage::Command6_Click() {
    app_.pv.reportFromDate = ToStored(fromdt->date().toString(kDayFormat));
    app_.pv.reportTillDate = ToStored(tilldt->date().toString(kDayFormat));
    app_.pv.reportAllPcs = app_.pv.CafeReport && optAllPcs->isChecked();
    // The first Generate makes the report (its initialisation reads the range); a later
    // one reads the range then chosen into the report already open.
    const bool open = app_.forms.IsLoaded<drgstcst>();
    drgstcst& report = app_.forms.Get<drgstcst>();
    if (open) report.DataReport_Initialize();
    if (!report.HasData()) {
        // The data file could not be read: the owner was told, and no report stands
        // that could be taken for the takings.
        app_.forms.Unload<drgstcst>();
        return;
    }
    ShowInFront(report, app_.pv.os.instance);
}

}  // namespace quorvel::ui
