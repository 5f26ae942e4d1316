#include "session/frmtimer2.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "session/TimerControls.h"
#include "ui/Controls.h"
#include "ui/Text.h"

namespace quorvel::ui {

namespace {

// "On Top" puts the window back above the others this often. The window manager keeps
// a window that asked to stay above ahead of ordinary ones by itself; the timer brings
// it back over one that also asked (a program's full-screen window, say), soon enough
// for the guest and at a cost of nothing measurable.
constexpr int kOnTopIntervalMs = 100;

// A label that acts as a link: the link pointer, and its click handled by the window.
void MakeClickable(QLabel* label, QObject* filter) {
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(filter);
}

bool IsLeftClick(QLabel* label, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    return mouse->button() == Qt::LeftButton && label->isEnabled() &&
           label->rect().contains(mouse->position().toPoint());
}

// The drag handle: a small grip of dots.
QPixmap GripPixmap() {
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x5a, 0x6b, 0x7d));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 2; ++column)
            painter.drawEllipse(QPointF(6.5 + 5 * column, 4 + 5 * row), 1.6, 1.6);
    return pixmap;
}

}  // namespace

frmtimer2::frmtimer2(App& app) : app_(app) {
    setObjectName("frmtimer2");
    setWindowTitle("Quorvel Timer");
    // A title bar for the elapsed time and a minimize button; no close button (the
    // session ends only through Logout) and no maximize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinimizeButtonHint);
    // The role names the window for the terminal's window manager: a terminal's desktop
    // has no task bar to bring a buried window back, so it keeps this one above the
    // guest's windows and Logout stays in reach.
    setWindowRole(objectName());
    BuildControls();
    takings_ = session::MakeConnTakings(app_.pv);
    session_ = std::make_unique<session::GuestSession>(app_.pv, *takings_);
    Form_Load();
}

// The session log closes with the session, when the window is destroyed.
frmtimer2::~frmtimer2() = default;

void frmtimer2::BuildControls() {
    setStyleSheet(
        "QWidget#frmtimer2 { background: #f6f8fa; }"
        "QFrame#panel { background: white; border: 1px solid #d5dbe1; border-radius: 6px; }"
        "QLabel { color: #24313f; }"
        "QLabel[role=\"caption\"] { color: #5a6b7d; }"
        "QLabel#lbltimer2 { color: #0b5cad; font-size: 17pt; font-weight: 600; }"
        "QLabel#lblamt2, QLabel#lblamt { color: #1d7a3a; font-size: 15pt; font-weight: 600; }"
        "QLabel[role=\"link\"] { color: #0b5cad; }"
        "QLabel[role=\"link\"]:disabled { color: #a4adb7; }"
        "QLabel#lbltmr2 { color: white; background: #c0392b; border-radius: 4px;"
        " padding: 3px 12px; font-weight: 600; }");

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 8, 10, 10);
    outer->setSpacing(8);

    // Handle row: the drag handle and the window's own links.
    auto* top = new QHBoxLayout;
    Image1 = NewLabel(this, "Image1", QString());
    Image1->setPixmap(GripPixmap());
    Image1->setToolTip("Move Quorvel Timer");
    // The toolkit's grab pointers: a closed hand while dragging, an open one at rest.
    ImageList1 = {QCursor(Qt::ClosedHandCursor), QCursor(Qt::OpenHandCursor)};
    Image1->setCursor(ImageList1[1]);
    Image1->setMouseTracking(true);
    Image1->installEventFilter(this);
    top->addWidget(Image1);
    top->addStretch(1);
    aboutQuorvel = NewLabel(this, "aboutQuorvel", "About Quorvel");
    Label3 = NewLabel(this, "Label3", "Minimize");
    Label3->setToolTip("Click to minimize");
    Label2 = NewLabel(this, "Label2", "Close");
    Label2->setEnabled(false);
    for (QLabel* link : {aboutQuorvel, Label3, Label2}) {
        link->setProperty("role", "link");
        top->addWidget(link);
    }
    MakeClickable(aboutQuorvel, this);
    MakeClickable(Label3, this);
    outer->addLayout(top);

    // The session's figures.
    auto* panel = new QFrame(this);
    panel->setObjectName("panel");
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    lbllogint = NewLabel(panel, "lbllogint", "Login Time : ");
    lbltimer = NewLabel(panel, "lbltimer", QString());
    lbltl = NewLabel(panel, "lbltl", "Time Elapsed :");
    lbltimer2 = NewLabel(panel, "lbltimer2", QString());
    Lblamountt = NewLabel(panel, "Lblamountt", "Amount : ");
    lblamt2 = NewLabel(panel, "lblamt2", QString());
    lblamt = NewLabel(panel, "lblamt", QString());
    lblamt->hide();
    lbllogout = NewLabel(panel, "lbllogout", "Logout Time : ");
    lbllogout->hide();
    lbltimer3 = NewLabel(panel, "lbltimer3", QString());
    lbltimer3->hide();
    for (QLabel* caption : {lbllogint, lbltl, Lblamountt, lbllogout})
        caption->setProperty("role", "caption");
    grid->addWidget(lbllogint, 0, 0);
    grid->addWidget(lbltimer, 0, 1);
    grid->addWidget(lbltl, 1, 0);
    grid->addWidget(lbltimer2, 1, 1);
    grid->addWidget(Lblamountt, 2, 0);
    grid->addWidget(lblamt2, 2, 1);
    grid->addWidget(lblamt, 2, 1);  // hidden, at the place of lblamt2
    grid->addWidget(lbllogout, 3, 0);
    grid->addWidget(lbltimer3, 3, 1);
    grid->setColumnStretch(1, 1);
    outer->addWidget(panel);

    // Alarm choice and quick launch.
    auto* options = new QGridLayout;
    options->setHorizontalSpacing(10);
    options->setVerticalSpacing(6);
    Label1[1] = NewLabel(this, "Label1_1", "Alarm");
    combo1 = new QComboBox(this);
    combo1->setObjectName("combo1");
    combo1->addItems({session::kAlarmOn, session::kAlarmOff});
    NameByCaption(Label1[1], combo1);
    Check1 = new QCheckBox("On Top", this);
    Check1->setObjectName("Check1");
    Check1->setToolTip("Check to keep this window always on top");
    options->addWidget(Label1[1], 0, 0);
    options->addWidget(combo1, 0, 1);
    options->addWidget(Check1, 0, 2);
    Label1[0] = NewLabel(this, "Label1_0", "Quick Launch");
    options->addWidget(Label1[0], 1, 0, 1, 3);
    List1 = new QListWidget(this);
    List1->setObjectName("List1");
    List1->setToolTip("Single Click to launch");
    List1->setFixedHeight(84);
    List1->installEventFilter(this);
    NameByCaption(Label1[0], List1);
    options->addWidget(List1, 2, 0, 1, 3);
    options->setColumnStretch(1, 1);
    outer->addLayout(options);

    Label5 = NewLabel(this, "Label5", "Message");
    Label5->hide();

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    lbltmr2 = NewLabel(this, "lbltmr2", "Logout");
    lbltmr2->setToolTip("Click to logout");
    MakeClickable(lbltmr2, this);
    bottom->addWidget(lbltmr2);
    outer->addLayout(bottom);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &frmtimer2::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(kOnTopIntervalMs);
    connect(Timer2, &QTimer::timeout, this, &frmtimer2::Timer2_Timer);
    connect(combo1, &QComboBox::currentIndexChanged, this, &frmtimer2::combo1_Click);
    // Every change of the box: a click, the keyboard or a screen reader.
    connect(Check1, &QCheckBox::toggled, this, &frmtimer2::Check1_Click);
    connect(List1, &QListWidget::itemClicked, this, &frmtimer2::List1_Click);

    // Room for a long session and a large amount without the window changing size.
    ensurePolished();
    for (QLabel* label : {lbltimer2, lblamt2}) label->ensurePolished();
    lbltimer2->setMinimumWidth(lbltimer2->fontMetrics().horizontalAdvance("88 : 88 : 88") + 4);
    lblamt2->setMinimumWidth(lblamt2->fontMetrics().horizontalAdvance("MMM 8888888") + 4);
    setFixedSize(sizeHint().expandedTo(QSize(270, 0)));
}

void frmtimer2::ShowSession() {
    const auto text = [](const std::string& s) { return FromStored(s); };
    lbltimer->setText(text(session_->lbltimer()));
    lbltimer2->setText(text(session_->lbltimer2()));
    lbltimer3->setText(text(session_->lbltimer3()));
    lblamt->setText(text(session_->lblamt()));
    lblamt2->setText(text(session_->lblamt2()));
    setWindowTitle(text(session_->caption()));
}

void frmtimer2::Form_Load() {
    session_->Start();
    ShowSession();
}

void frmtimer2::Form_Activate() {
    if (activated_) return;
    activated_ = true;
    session_->Activate();
    if (app_.pv.OsVersion < 4.1) Check1->hide();
    {
        // Selecting the first item is a choice like any other, even where it was
        // selected already.
        const QSignalBlocker quiet(combo1);
        combo1->setCurrentIndex(0);
    }
    combo1_Click();
    FillQuickLaunch();
    Timer1->start();
}

void frmtimer2::Timer1_Timer() {
    session_->Tick();
    ShowSession();
}

void frmtimer2::RecordProgress() {
    session_->RecordProgress();
}

void frmtimer2::AddSessionToDailyTotals() {
    session_->AddSessionToDailyTotals();
}

void frmtimer2::lbltmr2_Click() {
    LogOut(session::SessionEnd::Logout);
}

bool frmtimer2::LogOut(session::SessionEnd how) {
    if (allowUnload_) return false;  // already logging out
    allowUnload_ = true;
    Timer1->stop();
    session_->Logout(how);
    ShowSession();
    app_.forms.Navigate().EndSession();
    return true;
}

void frmtimer2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Form_Activate();
}

void frmtimer2::closeEvent(QCloseEvent* event) {
    // Only Logout ends a session: every other close request is refused and the clock
    // runs on.
    if (allowUnload_)
        event->accept();
    else
        event->ignore();
}

void frmtimer2::combo1_Click() {
    session::StoreAlarmChoice(app_.pv, ToStored(combo1->currentText()));
}

void frmtimer2::Check1_Click() {
    // The box's own tick is not consulted: each click turns keeping on top over.
    if (Timer2->isActive()) {
        Timer2->stop();
        app_.pv.os.desktop.SetTopMost(winId(), false);
    } else {
        Timer2->start();
        Timer2_Timer();
    }
}

void frmtimer2::Timer2_Timer() {
    app_.pv.os.desktop.SetTopMost(winId(), true);
}

void frmtimer2::Image1_MouseDown(QPoint pointer) {
    dragging_ = true;
    grab_ = pointer - pos();
    buttonUp_ = false;
    Image1->setCursor(ImageList1[0]);
}

void frmtimer2::Image1_MouseMove(QPoint pointer) {
    Image1->setCursor(ImageList1[buttonUp_ ? 1 : 0]);
    if (dragging_) move(pointer - grab_);
}

void frmtimer2::Image1_MouseUp() {
    dragging_ = false;
    buttonUp_ = true;
}

void frmtimer2::Label3_Click() {
    showMinimized();
}

void frmtimer2::aboutQuorvel_Click() {
    app_.pv.os.shell.OpenAddress(session::kProductPage);
}

void frmtimer2::FillQuickLaunch() {
    // The list is new with the window: appended to, not emptied.
    for (const std::string& name : session::LoadQuickLaunch(app_.pv))
        List1->addItem(FromStored(name));
}

void frmtimer2::List1_Click() {
    const QListWidgetItem* item = List1->currentItem();
    if (!item) return;
    session::LaunchProgram(app_.pv, ToStored(item->text()));
}

bool frmtimer2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1) {
        // The handle gets paint, enter and leave events too: only a mouse event is cast.
        const auto mouse = [event] { return static_cast<QMouseEvent*>(event); };
        switch (event->type()) {
            case QEvent::MouseButtonPress:
                if (mouse()->button() == Qt::LeftButton)
                    Image1_MouseDown(mouse()->globalPosition().toPoint());
                return true;
            case QEvent::MouseMove:
                Image1_MouseMove(mouse()->globalPosition().toPoint());
                return true;
            case QEvent::MouseButtonRelease:
                if (mouse()->button() == Qt::LeftButton) Image1_MouseUp();
                return true;
            default:
                break;
        }
    } else if (watched == List1 && event->type() == QEvent::KeyPress) {
        // The keyboard's way to the same launch: Enter on the current program.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            List1_Click();
            return true;
        }
    } else if (auto* label = qobject_cast<QLabel*>(watched); label && IsLeftClick(label, event)) {
        if (label == lbltmr2) lbltmr2_Click();
        if (label == Label3) Label3_Click();
        if (label == aboutQuorvel) aboutQuorvel_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quorvel::ui
