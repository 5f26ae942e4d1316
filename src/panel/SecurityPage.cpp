#include "panel/SecurityPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/Text.h"

namespace quorvel::ui {

SecurityPage::SecurityPage(App& app) : PanelPage(app, "fSo") {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* frames = new QHBoxLayout;
    for (const panel::PolicyFrame& frame : panel::kPolicyFrames)
        frames->addWidget(BuildFrame(frame), 1, Qt::AlignTop);
    layout->addLayout(frames);

    auto* notes = new QGridLayout;
    notes->addWidget(NewLabel(this, "Label7", "Note:"), 0, 0, Qt::AlignTop);
    notes->addWidget(NewLabel(this, "lblSecurityNote",
                              " Some changes may require restarting windows to take effect."),
                     0, 1);
    if (const char* platformNote = panel::PoliciesPlatformNote()) {
        auto* line = NewLabel(this, "lblPlatformNote", platformNote);
        line->setWordWrap(true);
        notes->addWidget(line, 1, 1);
    }
    notes->setColumnStretch(1, 1);
    Command2 = new QPushButton("Apply", this);
    Command2->setObjectName("Command2");
    notes->addWidget(Command2, 0, 2, Qt::AlignRight | Qt::AlignTop);
    layout->addLayout(notes);
    layout->addStretch(1);

    connect(Command2, &QPushButton::clicked, this, &SecurityPage::Command2_Click);
}

QWidget* SecurityPage::BuildFrame(const panel::PolicyFrame& frame) {
    auto* box = new QGroupBox(frame.caption, this);
    box->setObjectName(frame.name);
    auto* column = new QVBoxLayout(box);
    column->setSpacing(2);
    for (const panel::PolicyGroup& group : frame.groups) {
        if (!group.heading) continue;
        const QByteArray name = "heading_" + QByteArray::number(group.first);
        auto* heading = NewLabel(box, name.constData(), group.heading);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        column->addSpacing(4);
        column->addWidget(heading);
        for (int i = group.first; i < group.first + group.count; ++i) {
            boxes_[i] = new QCheckBox(panel::kPolicies[i].caption, box);
            boxes_[i]->setObjectName(panel::kPolicies[i].box);
            // Screen readers announce the caption without its trailing blanks.
            boxes_[i]->setAccessibleName(QString(panel::kPolicies[i].caption).trimmed());
            column->addWidget(boxes_[i]);
        }
    }
    column->addStretch(1);
    return box;
}

panel::PolicyStates SecurityPage::States() const {
    panel::PolicyStates states{};
    for (int i = 0; i < panel::kPolicyCount; ++i) states[i] = boxes_[i]->isChecked();
    return states;
}

void SecurityPage::LoadSecurityPolicies() {
    const panel::PolicyStates states = panel::LoadSecurityPolicies(app_.pv.settings);
    // The boxes start cleared with the panel; loading only ticks.
    for (int i = 0; i < panel::kPolicyCount; ++i)
        if (states[i]) boxes_[i]->setChecked(true);
}

void SecurityPage::Command2_Click() {
    const std::vector<std::string> notApplied =
        panel::ApplySecurityPolicies(app_.pv.settings, States());
    const QString title = FromStored(app_.pv.AppTitle);
    if (notApplied.empty())
        app_.msg.MsgBox(panel::kPoliciesAppliedMessage, kMbInformation, title);
    else
        app_.msg.MsgBox(FromStored(panel::PoliciesNotAppliedMessage(notApplied)), kMbExclamation,
                        title);
}

}  // namespace quorvel::ui
