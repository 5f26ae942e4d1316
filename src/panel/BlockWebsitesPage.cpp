#include "panel/BlockWebsitesPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "panel/NamedValues.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/Text.h"

namespace quorvel::ui {

using platform::kHkeyCurrentUser;

BlockWebsitesPage::BlockWebsitesPage(App& app) : PanelPage(app, "fBw") {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);

    Check3 = new QCheckBox("Enable Blocking", this);
    Check3->setObjectName("Check3");
    grid->addWidget(Check3, 0, 0, 1, 4);

    auto* siteCaption = NewLabel(this, "Label11", "Website Name or Keyword:");
    grid->addWidget(siteCaption, 1, 0, 1, 4);
    Text3 = NewBox(this, "Text3", panel::kSitePrefix);
    Text3->setReadOnly(true);
    Text3->setAccessibleName("Address start");
    txtSite = NewBox(this, "txtSite", QString());
    NameByCaption(siteCaption, txtSite);
    Text4 = NewBox(this, "Text4", panel::kSiteSuffix);
    Text4->setAccessibleName("Address end");
    const int prefixWidth =
        Text3->fontMetrics().horizontalAdvance(QString(panel::kSitePrefix) + "MM");
    Text3->setFixedWidth(prefixWidth);
    Text4->setFixedWidth(Text4->fontMetrics().horizontalAdvance("comMMM"));
    Command5 = NewButton(this, "Command5", "Block");
    Command5->setEnabled(false);
    auto* entry = new QHBoxLayout;
    entry->setSpacing(2);
    entry->addWidget(Text3);
    entry->addWidget(txtSite, 1);
    entry->addWidget(Text4);
    entry->addSpacing(6);
    entry->addWidget(Command5);
    grid->addLayout(entry, 2, 0, 1, 4);

    auto* listCaption = NewLabel(this, "Label12", "Blocked Website(s):");
    grid->addWidget(listCaption, 3, 0, 1, 3);
    List1 = new QListWidget(this);
    List1->setObjectName("List1");
    // A click marks or unmarks one item; several may be marked at once.
    List1->setSelectionMode(QAbstractItemView::MultiSelection);
    NameByCaption(listCaption, List1);
    grid->addWidget(List1, 4, 0, 3, 3);
    Command13 = NewButton(this, "Command13", "Select All");
    Command7 = NewButton(this, "Command7", "Remove");
    Command4 = NewButton(this, "Command4", "Refresh");
    Command4->setEnabled(false);
    grid->addWidget(Command13, 4, 3, Qt::AlignTop);
    grid->addWidget(Command7, 5, 3, Qt::AlignTop);
    grid->addWidget(Command4, 6, 3, Qt::AlignTop);

    grid->addWidget(NewLabel(this, "Label15", "Note:"), 7, 0);
    grid->addWidget(NewLabel(this, "Label19", "Applies to Internet Explorer only."), 7, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(6, 1);

    // Every change of the box, by a click, the keyboard, a screen reader or the load.
    connect(Check3, &QCheckBox::toggled, this, &BlockWebsitesPage::Check3_Click);
    connect(txtSite, &QLineEdit::textChanged, this, &BlockWebsitesPage::txtSite_Change);
    connect(Command5, &QPushButton::clicked, this, &BlockWebsitesPage::Command5_Click);
    connect(Command7, &QPushButton::clicked, this, &BlockWebsitesPage::Command7_Click);
    connect(Command13, &QPushButton::clicked, this, &BlockWebsitesPage::Command13_Click);
    // Enter in the keyword box blocks, as the button would.
    connect(txtSite, &QLineEdit::returnPressed, this, [this] {
        if (Command5->isEnabled()) Command5_Click();
    });
}

void BlockWebsitesPage::LoadSiteList() {
    const store::SkippedNames skipped = app_.pv.LoadSiteList(kHkeyCurrentUser, store::kUrlsKey);
    ShowLoadedNames(List1, app_.pv.SiteList, skipped, store::kUrlsKey);
}

void BlockWebsitesPage::SetBlockingFromSettings() {
    const store::Variant blocking =
        app_.pv.settings.ReadSetting(kHkeyCurrentUser, store::kSettingsKey, "Blocking");
    // Ticking it stores Blocking = 1 again, as a click would.
    if (blocking.ToInt32() == 1) Check3->setChecked(true);
}

void BlockWebsitesPage::Check3_Click() {
    const std::int32_t on = Check3->isChecked() ? 1 : 0;
    if (app_.pv.settings.TryWriteSetting(kHkeyCurrentUser, store::kSettingsKey, "Blocking", on,
                                         static_cast<std::int32_t>(platform::kRegDword)) ==
        platform::kErrorSuccess)
        return;
    app_.msg.MsgBox(panel::kBlockingNotStoredMessage, kMbExclamation, FromStored(app_.pv.AppTitle));
}

void BlockWebsitesPage::txtSite_Change() {
    Command5->setEnabled(!panel::TrimBlanks(ToStored(txtSite->text())).empty());
}

void BlockWebsitesPage::Command5_Click() {
    // Stored trimmed: a blank around a keyword would never match an address.
    const std::string keyword = panel::TrimBlanks(ToStored(txtSite->text()));
    store::NameList listed;
    for (int i = 0; i < List1->count(); ++i) listed.push_back(ToStored(List1->item(i)->text()));
    const std::string address =
        panel::BlockedSiteAddress(ToStored(Text3->text()), keyword, ToStored(Text4->text()));
    if (ReportAdded(
            panel::AddNamedValue(app_.pv.settings, store::kUrlsKey, listed, keyword, address),
            panel::kSiteTakenMessage, panel::kSiteTooLongMessage, panel::kSiteNotStoredMessage))
        List1->addItem(FromStored(keyword));
    ResetEntry();
}

void BlockWebsitesPage::ResetEntry() {
    txtSite->clear();
    Text4->setText(panel::kSiteSuffix);
}

void BlockWebsitesPage::Command7_Click() {
    RemoveMarkedValues(List1, store::kUrlsKey, panel::kSitesNotRemovedMessage);
}

void BlockWebsitesPage::Command13_Click() {
    for (int i = 0; i < List1->count(); ++i) List1->item(i)->setSelected(true);
}

}  // namespace quorvel::ui
