#include "panel/frmCtrlpnl.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "panel/BlockWebsitesPage.h"
#include "panel/ConfigurationPage.h"
#include "panel/NotesPage.h"
#include "panel/PasswordsPage.h"
#include "panel/ReportPage.h"
#include "panel/SecurityPage.h"
#include "panel/SessionLogsPage.h"
#include "panel/TimerProgramsPage.h"
#include "panel/drgstcst.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/Text.h"

namespace quorvel::ui {

namespace {
// The client area as designed, in twips; contents that need more make it larger.
constexpr int kDesignWidth = 6150;
constexpr int kDesignHeight = 5880;
// Widths of the status bar's panels, in twips.
constexpr int kSpacerPanelWidth = 290;
constexpr int kClosePanelWidth = 1940;
constexpr int kQuitPanelWidth = 1640;
}  // namespace

frmCtrlpnl::frmCtrlpnl(App& app) : app_(app) {
    setObjectName("frmCtrlpnl");
    setWindowTitle("Control Panel");
    setWindowFlag(Qt::Window);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 0);
    outer->setSpacing(0);

    tbrOptions = new QTabBar(this);
    tbrOptions->setObjectName("tbrOptions");
    tbrOptions->setAccessibleName("Control Panel pages");
    tbrOptions->setExpanding(false);
    tbrOptions->setUsesScrollButtons(false);
    tbrOptions->setElideMode(Qt::ElideNone);
    tbrOptions->setDrawBase(false);
    for (const panel::Tab& tab : panel::kTabs) {
        const int index = tbrOptions->addTab(tab.caption);
        tbrOptions->setTabData(index, QString(tab.key));
    }
    outer->addWidget(tbrOptions);

    // The tab strip's client area: the eight frames in one cell, on one another.
    auto* client = new QFrame(this);
    client->setObjectName("tbrOptionsClient");
    client->setFrameShape(QFrame::StyledPanel);
    auto* stack = new QGridLayout(client);
    stack->setContentsMargins(8, 8, 8, 8);
    fSo = new SecurityPage(app_);
    fTp = new TimerProgramsPage(app_);
    fBw = new BlockWebsitesPage(app_);
    fDr = new ConfigurationPage(app_);
    fMp = new PasswordsPage(app_);
    fNt = new NotesPage(app_);
    fSl = new SessionLogsPage(app_);
    fRd = new ReportPage(app_);
    for (PanelPage* page :
         std::initializer_list<PanelPage*>{fSo, fTp, fBw, fDr, fMp, fNt, fSl, fRd})
        stack->addWidget(page, 0, 0);
    outer->addWidget(client, 1);

    BuildStatusBar();
    outer->addWidget(StatusBar1);

    connect(tbrOptions, &QTabBar::currentChanged, this, &frmCtrlpnl::tbrOptions_Click);

    // The tab strip opens on its first tab, "Security": its page shows.
    ShowFrame("fSo");
    // The layout keeps the window at least as large as its contents need; the
    // designed client area is the least it opens with.
    resize(sizeHint().expandedTo(QSize(Twips(this, kDesignWidth), Twips(this, kDesignHeight))));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    Form_Load();
}

void frmCtrlpnl::BuildStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);

    auto* spacer = NewLabel(StatusBar1, "StatusBar1_1", QString());
    spacer->setFixedWidth(Twips(this, kSpacerPanelWidth));
    StatusBar1->addWidget(spacer);

    const auto addPanel = [this](const char* name, const char* text, int widthTwips,
                                 panel::StatusPanel which) {
        auto* button = new QToolButton(StatusBar1);
        button->setObjectName(name);
        button->setText(text);
        button->setToolTip(text);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setMinimumWidth(std::max(Twips(this, widthTwips), button->sizeHint().width()));
        connect(button, &QToolButton::clicked, this,
                [this, which] { StatusBar1_PanelClick(which); });
        StatusBar1->addWidget(button);
    };
    addPanel("StatusBar1_2", panel::kClosePanelText, kClosePanelWidth,
             panel::StatusPanel::ClosePanel);
    addPanel("StatusBar1_3", panel::kQuitText, kQuitPanelWidth, panel::StatusPanel::Quit);
}

void frmCtrlpnl::Form_Load() {
    panel::RunLoadSteps({
        // LoadProgramAndSiteLists: the quick-launch programs, then the blocked sites.
        [this] { fTp->LoadProgramList(); },
        [this] { fBw->LoadSiteList(); },
        [this] { fSo->LoadSecurityPolicies(); },
        [this] { fDr->LoadConfiguration(); },
        [this] { fNt->LoadNotes(); },
        [this] { fSl->LoadSessionLog(); },
        [this] { fRd->SetReportDates(); },
    });
    exitMode_ = panel::ExitMode::ShowLoginScreen;
    panel::RunLoadSteps({[this] { fBw->SetBlockingFromSettings(); }});
}

void frmCtrlpnl::ShowFrame(std::string_view frame) {
    for (const char* name : panel::kFrameVisibilityOrder)
        if (auto* page = findChild<PanelPage*>(name)) page->setVisible(frame == name);
}

void frmCtrlpnl::tbrOptions_Click() {
    const QString key = tbrOptions->tabData(tbrOptions->currentIndex()).toString();
    if (const auto frame = panel::FrameForKey(ToStored(key))) ShowFrame(*frame);
}

void frmCtrlpnl::StatusBar1_PanelClick(panel::StatusPanel which) {
    switch (which) {
        case panel::StatusPanel::ClosePanel:
            exitMode_ = panel::ExitMode::ShowLoginScreen;
            Unload();
            return;
        case panel::StatusPanel::Quit:
            if (app_.msg.MsgBox(panel::kQuitQuestion, kMbYesNoQuestion,
                                FromStored(app_.pv.AppTitle)) != kIdYes)
                return;
            exitMode_ = panel::ExitMode::EndProgram;
            Unload();
            return;
        case panel::StatusPanel::Spacer:
            return;
    }
}

void frmCtrlpnl::Form_QueryUnload() {
    // The report goes with the panel, so closing it can never bring a panel back
    // without a sign-in.
    app_.forms.Unload<drgstcst>();
    if (exitMode_ == panel::ExitMode::EndProgram) {
        // The login screen's unloading closes the data file; with no window left the
        // program ends.
        app_.pv.QuitConfirmed = true;
        app_.forms.Navigate().CloseLock();
        return;
    }
    // Its activation locks the desktop again.
    app_.forms.Navigate().ShowLock();
}

void frmCtrlpnl::Unload() {
    if (unloading_) return;
    unloading_ = true;
    Form_QueryUnload();
    app_.forms.Unload<frmCtrlpnl>();
}

void frmCtrlpnl::closeEvent(QCloseEvent* event) {
    // The window manager's close, Alt+F4, a close request from another program: the
    // same as "Close Control Panel" (exitMode is 1 at any such moment).
    event->ignore();
    Unload();
}

}  // namespace quorvel::ui
