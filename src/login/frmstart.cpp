#include "login/frmstart.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include "cafe/Sender.h"
#include "db/Database.h"
#include "login/Authentication.h"
#include "login/frmstartArtwork.h"
#include "login/publicFunc.h"
#include "session/CloseOut.h"
#include "ui/PasswordBox.h"
#include "ui/Text.h"

namespace quorvel::ui {
namespace {

// The screen as designed, in twips; it is centred on the real screen and the
// artwork fills the rest.
constexpr int kDesignWidth = 11880;
constexpr int kDesignHeight = 8595;

constexpr const char* kLightGrey = "#e0e0e0";
constexpr const char* kLightYellow = "#ffffc0";
constexpr const char* kOrange = "#ff8000";
constexpr const char* kWhite = "#ffffff";

// The first of `families` this machine has, so a missing face never falls through to
// whatever the font system substitutes (a symbol font, at worst).
QFont PickFont(const QStringList& families, double points, bool bold) {
    QFont font;
    for (const QString& family : families) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont BoxFont() {
    return PickFont(
        {"Arial", "Liberation Sans", "Arimo", "Nimbus Sans", "Helvetica", "DejaVu Sans"}, 8.25,
        true);
}

QFont ButtonFont() {
    QFont font = PickFont({"Impact", "Haettenschweiler", "Anton", "Oswald", "Nimbus Sans Narrow",
                           "Liberation Sans Narrow", "DejaVu Sans"},
                          9, false);
    // The stand-ins are lighter than the real face: make them as heavy.
    if (font.family() != "Impact") font.setWeight(QFont::Black);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const char* colour,
                  const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->setStyleSheet(QString("color: %1; background: transparent;").arg(colour));
    return label;
}

QLineEdit* MakeBox(QWidget* parent, const char* name, int maxLength) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaxLength(maxLength);
    box->setFont(BoxFont());
    box->setStyleSheet(
        "QLineEdit { background: #c0e0ff; color: #000000; border: 1px solid #5a86b0;"
        " border-radius: 2px; padding: 0 3px; selection-background-color: #1e6fb5; }");
    // A context menu takes the input grab while it is open; the lock screen needs none.
    box->setContextMenuPolicy(Qt::NoContextMenu);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setFont(ButtonFont());
    button->setStyleSheet(
        "QPushButton { color: #0b2340; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #f4f8fc, stop:1 #b9cfe4); border: 1px solid #6f93b8; border-radius: 3px; }"
        "QPushButton:focus { border: 2px solid #ffb347; }"
        "QPushButton:pressed { background: #9fbcd8; }"
        "QPushButton:disabled { color: #7d8a99; background: #d5dde6; border-color: #9aa8b6; }");
    return button;
}

bool IsEnterKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

frmstart::frmstart(App& app) : app_(app) {
    setObjectName("frmstart");
    setWindowTitle("Login Screen");
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowState(Qt::WindowFullScreen);
    setAutoFillBackground(false);

    const QFont labelFont = BoxFont();

    Image1_ = new QLabel(this);
    Image1_->setObjectName("Image1");
    Image1_->setAlignment(Qt::AlignCenter);
    Image1_->setStyleSheet("background: transparent;");

    Picture2_ = new QWidget(this);
    Picture2_->setObjectName("Picture2");

    info_[1] = MakeLabel(Picture2_, "info_1", "Previous user details:", kLightYellow, labelFont);
    Label8_ = MakeLabel(Picture2_, "Label8", "User :", kLightGrey, labelFont);
    Label4_ = MakeLabel(Picture2_, "Label4", "", kOrange, labelFont);
    Ldate_ = MakeLabel(Picture2_, "Ldate", "Date :", kLightGrey, labelFont);
    lusage_ = MakeLabel(Picture2_, "lusage", "Usage :", kLightGrey, labelFont);
    lcharges_ = MakeLabel(Picture2_, "lcharges", "Charges :", kLightGrey, labelFont);
    info_[0] = MakeLabel(Picture2_, "info_0", "", kWhite, labelFont);
    info_[2] = MakeLabel(Picture2_, "info_2", "", kWhite, labelFont);
    info_[3] = MakeLabel(Picture2_, "info_3", "", kWhite, labelFont);

    Label1_ = MakeLabel(Picture2_, "Label1", "Login", kLightGrey, labelFont);
    Label2_ = MakeLabel(Picture2_, "Label2", "Password", kLightGrey, labelFont);
    Label1_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    txtLog_ = MakeBox(Picture2_, "txtLog", login::kLoginMaxLength);
    txtpas_ = MakeBox(Picture2_, "txtpas", login::kPasswordMaxLength);
    MaskAsPassword(*txtpas_);
    cmdsubt_ = MakeButton(Picture2_, "cmdsubt", "Enter");
    cmdsubt_->setEnabled(false);
    cmdcan_ = MakeButton(Picture2_, "cmdcan", "Cancel");
    Label1_->setBuddy(txtLog_);
    Label2_->setBuddy(txtpas_);

    Image2_ = new QLabel(Picture2_);
    Image2_->setObjectName("Image2");
    Image2_->setStyleSheet("background: transparent;");
    QFont titleFont = labelFont;
    titleFont.setPointSizeF(14);
    Label3_ = MakeLabel(Picture2_, "Label3", "Quorvel (DE)", kWhite, titleFont);
    Label5_ = MakeLabel(Picture2_, "Label5",
                        "Pay-per-use internet terminal\nAsk at the counter to sign in", kLightGrey,
                        labelFont);

    // Quiet, for the owner: shown only while a joined PC has sessions on their way.
    lblServer_ = MakeLabel(Picture2_, "lblServer", "", kLightGrey, labelFont);
    lblServer_->hide();
    // Why the last session ended, when the guest did not end it: shown until the next
    // guest signs in.
    lblNotice_ = MakeLabel(Picture2_, "lblNotice", "", kOrange, labelFont);
    lblNotice_->hide();

    setTabOrder(txtLog_, txtpas_);
    setTabOrder(txtpas_, cmdsubt_);
    setTabOrder(cmdsubt_, cmdcan_);
    for (QWidget* control : {static_cast<QWidget*>(txtLog_), static_cast<QWidget*>(txtpas_),
                             static_cast<QWidget*>(cmdsubt_), static_cast<QWidget*>(cmdcan_)})
        control->installEventFilter(this);

    stimer1_ = new QTimer(this);
    stimer1_->setObjectName("stimer1");
    stimer1_->setInterval(50);

    connect(stimer1_, &QTimer::timeout, this, &frmstart::stimer1_Timer);
    tmrServer_ = new QTimer(this);
    tmrServer_->setObjectName("tmrServer");
    tmrServer_->setInterval(2000);
    connect(tmrServer_, &QTimer::timeout, this, &frmstart::tmrServer_Timer);
    if (app_.pv.Cafe) tmrServer_->start();
    connect(txtpas_, &QLineEdit::textChanged, this, &frmstart::txtpas_Change);
    connect(cmdsubt_, &QPushButton::clicked, this, &frmstart::cmdsubt_Click);
    connect(cmdcan_, &QPushButton::clicked, this, &frmstart::cmdcan_Click);

    if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->geometry());
    PlaceControls();
}

frmstart::~frmstart() {
    if (app_.pv.Conn) app_.pv.Conn->Close();
}

int frmstart::Twips(int twips) const {
    return qRound(twips * logicalDpiX() / 1440.0);
}

QRect frmstart::TwipRect(int left, int top, int width, int height) const {
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

void frmstart::PlaceControls() {
    const QSize design(Twips(kDesignWidth), Twips(kDesignHeight));
    const QPoint origin(std::max(0, (width() - design.width()) / 2),
                        std::max(0, (height() - design.height()) / 2));
    Image1_->setGeometry(TwipRect(2940, 240, 6000, 6000).translated(origin));
    // A notice takes a line of its own under the details and the boxes: the band grows
    // by it, within the design's height.
    const bool notice = !lblNotice_->isHidden();
    Picture2_->setGeometry(TwipRect(0, 6480, 11880, notice ? 2100 : 1800).translated(origin));

    info_[1]->setGeometry(TwipRect(120, 0, 2700, 255));
    Label8_->setGeometry(TwipRect(120, 285, 840, 255));
    // Level with its caption "User :" (the design puts it a little higher); sized to
    // its text.
    Label4_->setGeometry(Twips(960), Twips(285), Label4_->sizeHint().width(), Twips(255));
    Ldate_->setGeometry(TwipRect(120, 600, 840, 255));
    lusage_->setGeometry(TwipRect(120, 900, 840, 255));
    lcharges_->setGeometry(TwipRect(120, 1200, 840, 255));
    info_[0]->setGeometry(TwipRect(960, 600, 1920, 255));
    info_[2]->setGeometry(TwipRect(960, 900, 1920, 255));
    info_[3]->setGeometry(TwipRect(960, 1200, 1920, 255));

    Label1_->setGeometry(TwipRect(2880, 150, 900, 255));
    Label2_->setGeometry(TwipRect(2880, 630, 900, 255));
    txtLog_->setGeometry(TwipRect(3840, 120, 2175, 315));
    txtpas_->setGeometry(TwipRect(3840, 600, 1935, 315));
    cmdsubt_->setGeometry(TwipRect(3840, 1080, 880, 435));
    cmdcan_->setGeometry(TwipRect(4920, 1080, 880, 435));

    const QRect emblem = TwipRect(6720, 240, 1080, 1080);
    Image2_->setGeometry(emblem);
    Image2_->setPixmap(LoginEmblem(emblem.width()));
    Label3_->setGeometry(TwipRect(7980, 240, 3780, 420));
    Label5_->setGeometry(TwipRect(7980, 720, 3780, 600));
    lblServer_->setGeometry(TwipRect(7980, 1320, 3780, 480));
    lblNotice_->setGeometry(TwipRect(120, 1620, 6480, 300));
}

void frmstart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceControls();
}

void frmstart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintLoginBackground(painter, rect(), Image1_->geometry(), Picture2_->geometry());
}

void frmstart::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A show the window manager reports (say, after a restore) is no new activation;
    // neither is making the window again after another program destroyed it.
    if (event->spontaneous() || focusBeforeRemake_) return;
    Form_Activate();
}

void frmstart::closeEvent(QCloseEvent* event) {
    // Alt+F4, the window manager's close, a close request from another program: the
    // lock stays. The program ends by unloading this window, which sends no close.
    event->ignore();
}

void frmstart::Form_Activate() {
    HoldLock(true);
    login::LockDesktop(app_.pv, login::kLock);
    ShowPreviousSession(session::ShowPreviousUser(app_.pv));
    session::CloseOutSession(app_.pv);
    ShowLoginPicture();
    tmrServer_Timer();
    activateWindow();
    raise();
    txtLog_->setFocus(Qt::OtherFocusReason);
}

void frmstart::tmrServer_Timer() {
    const std::string text = app_.pv.Cafe ? cafe::BacklogText(app_.pv.Cafe->backlog()) : "";
    lblServer_->setText(QString::fromStdString(text));
    lblServer_->setVisible(!text.empty());
}

void frmstart::ShowPreviousSession(const session::PreviousUser& previous) {
    Label4_->setText(FromStored(previous.user));
    Label4_->resize(Label4_->sizeHint().width(), Label4_->height());  // sized to its text
    info_[0]->setText(FromStored(previous.date));
    info_[2]->setText(FromStored(previous.usage));
    info_[3]->setText(FromStored(previous.charges));
    lblNotice_->setText(FromStored(previous.notice));
    const bool notice = !previous.notice.empty();
    if (notice != lblNotice_->isHidden()) return;
    lblNotice_->setVisible(notice);
    PlaceControls();
    update();  // the band's frosting follows its size
}

void frmstart::ShowLoginPicture() {
    const std::string path =
        app_.pv.settings.ReadSetting(platform::kHkeyCurrentUser, store::kSettingsKey, "LoginScr")
            .ToDisplayText();
    QImage picture;
    if (!path.empty()) {
        QImageReader reader(FromStored(path));
        reader.setAutoTransform(true);
        picture = reader.read();
    }
    // No value, a missing file or one that is not a picture: no picture, the screen
    // stays as it is.
    if (picture.isNull()) {
        Image1_->clear();
        return;
    }
    Image1_->setPixmap(QPixmap::fromImage(
        picture.scaled(Image1_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

std::uintptr_t frmstart::Handle() {
    return static_cast<std::uintptr_t>(winId());
}

void frmstart::stimer1_Timer() {
    platform::Desktop& desktop = app_.pv.os.desktop;
    if (!desktop.SetTopMost(Handle(), true)) {
        RemakeNativeWindow();
        return;
    }
    desktop.KeepScreenSaverRunning();
    // At rest, the ticks stop until the platform reports a disturbance: a kiosk
    // waiting for a sign-in then does no work at all.
    if (desktop.LockSettled()) stimer1_->stop();
}

void frmstart::LockDisturbed() {
    // LockSettled reads what happened whether or not the screen holds the desktop now.
    const bool settled = app_.pv.os.desktop.LockSettled();
    if (!holdingLock_ || settled) return;
    stimer1_->start();
    stimer1_Timer();
}

void frmstart::HoldLock(bool hold) {
    holdingLock_ = hold;
    if (!hold) {
        stimer1_->stop();
        return;
    }
    stimer1_->start();
    const int events = app_.pv.os.desktop.LockEventDescriptor();
    if (!lockEvents_ && events >= 0) {
        lockEvents_ = new QSocketNotifier(events, QSocketNotifier::Read, this);
        connect(lockEvents_, &QSocketNotifier::activated, this, &frmstart::LockDisturbed);
    }
}

void frmstart::RemakeNativeWindow() {
    // Another program destroyed our window (on X11 any client may). Make it again and
    // put it back where it was, with the same texts and the same focus.
    focusBeforeRemake_ = focusWidget() ? focusWidget() : txtLog_;
    hide();
    if (QWindow* window = windowHandle()) window->destroy();
    setWindowState(Qt::WindowFullScreen);
    show();
    activateWindow();
    raise();
    if (focusBeforeRemake_) focusBeforeRemake_->setFocus(Qt::OtherFocusReason);
    focusBeforeRemake_ = nullptr;
}

bool frmstart::eventFilter(QObject* watched, QEvent* event) {
    if (!IsEnterKey(event)) return QWidget::eventFilter(watched, event);
    if (watched == cmdsubt_ || watched == cmdcan_) {
        static_cast<QPushButton*>(watched)->click();
        return true;
    }
    // Enter acts as Tab, to the next box or button.
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(watched, &tab);
    if (watched == txtpas_ && cmdsubt_->isEnabled()) cmdsubt_Click();
    return true;
}

void frmstart::txtpas_Change() {
    cmdsubt_->setEnabled(!txtpas_->text().isEmpty());
}

void frmstart::cmdcan_Click() {
    ClearBoxes();
    txtLog_->setFocus(Qt::OtherFocusReason);
}

void frmstart::Warn(const std::string& text) {
    app_.msg.MsgBox(FromStored(text), kMbExclamation, FromStored(app_.pv.AppTitle));
}

void frmstart::Correct(login::Box box) {
    QLineEdit* edit = box == login::Box::Login ? txtLog_ : txtpas_;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void frmstart::ClearBoxes() {
    txtLog_->clear();
    txtpas_->clear();
}

void frmstart::Hide() {
    hide();
}

void frmstart::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

void frmstart::LoadBlocker() {
    app_.forms.Navigate().LoadBlocker();
}

void frmstart::OpenControlPanel() {
    app_.forms.Navigate().OpenPanel();
}

void frmstart::StartSession() {
    app_.forms.Navigate().StartSession();
}

void frmstart::cmdsubt_Click() {
    login::SignInWith(app_.pv, *this, ToStored(txtLog_->text()), ToStored(txtpas_->text()));
}

}  // namespace quorvel::ui
