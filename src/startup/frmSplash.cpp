#include "startup/frmSplash.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>

#include "cafe/Membership.h"
#include "db/Compaction.h"
#include "db/Database.h"
#include "startup/ExitStatus.h"
#include "startup/RealPlatform.h"
#include "startup/StartupLogic.h"
#include "ui/Text.h"

namespace quorvel::ui {

namespace {

// How long start-up waits for the splash to be drawn before it goes on without.
constexpr int kActivateUndrawnMs = 2000;

// Twips to pixels at 96 dpi.
constexpr int Px(int twips) {
    return twips / 15;
}

// The product artwork: a night-blue panel, a patchwork of moss-green squares, a
// terminal with a running clock, and the product's name.
class SplashArt : public QWidget {
  public:
    explicit SplashArt(QWidget* parent) : QWidget(parent) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF area = rect();

        QLinearGradient sky(area.topLeft(), area.bottomRight());
        sky.setColorAt(0.0, QColor(0x12, 0x3b, 0x4a));
        sky.setColorAt(1.0, QColor(0x08, 0x14, 0x22));
        p.fillRect(area, sky);

        // The patchwork: a fixed pattern, brighter towards the top right.
        const int cell = 18;
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 8; ++col) {
                const unsigned seed = static_cast<unsigned>(row * 31 + col * 17 + row * col * 7);
                if (seed % 5 == 0) continue;
                const int x = width() - (col + 1) * (cell + 3) - 8;
                const int y = 10 + row * (cell + 3);
                const int alpha = 40 + (8 - col) * 8 + (5 - row) * 12 + static_cast<int>(seed % 40);
                const QColor moss = (seed % 3 == 0)   ? QColor(0x9b, 0xd3, 0x6a, alpha)
                                    : (seed % 3 == 1) ? QColor(0x5f, 0xa8, 0x4d, alpha)
                                                      : QColor(0x3e, 0x7c, 0x5a, alpha);
                p.setPen(Qt::NoPen);
                p.setBrush(moss);
                p.drawRoundedRect(QRectF(x, y, cell, cell), 4, 4);
            }
        }

        // The terminal: a screen on a stand, a clock face on the screen.
        const QRectF screen(28, 36, 96, 66);
        p.setPen(QPen(QColor(0xd8, 0xe6, 0xea), 3));
        p.setBrush(QColor(0x0d, 0x26, 0x33));
        p.drawRoundedRect(screen, 6, 6);
        p.drawLine(QPointF(76, 102), QPointF(76, 114));
        p.drawLine(QPointF(56, 116), QPointF(96, 116));
        const QPointF centre = screen.center();
        p.setPen(QPen(QColor(0x9b, 0xd3, 0x6a), 3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, 22, 22);
        p.drawLine(centre, centre + QPointF(0, -15));
        p.drawLine(centre, centre + QPointF(11, 6));
        p.setPen(QPen(QColor(0xf2, 0xc1, 0x4e), 3));
        p.drawArc(QRectF(centre.x() - 28, centre.y() - 28, 56, 56), 90 * 16, -120 * 16);

        // The name.
        QFont title = font();
        title.setPixelSize(40);
        title.setBold(true);
        p.setFont(title);
        p.setPen(Qt::white);
        const QString name = "Quorvel";
        p.drawText(QRectF(24, 128, 300, 48), Qt::AlignLeft | Qt::AlignVCenter, name);
        const int nameWidth = QFontMetrics(title).horizontalAdvance(name);
        QFont edition = font();
        edition.setPixelSize(20);
        edition.setBold(true);
        p.setFont(edition);
        p.setPen(QColor(0x9b, 0xd3, 0x6a));
        p.drawText(QRectF(24 + nameWidth + 8, 139, 80, 30), Qt::AlignLeft | Qt::AlignVCenter,
                   "(DE)");
        QFont line = font();
        line.setPixelSize(13);
        p.setFont(line);
        p.setPen(QColor(0xb8, 0xc8, 0xcf));
        p.drawText(QRectF(26, 174, 340, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   "Pay-per-use internet terminal");
        p.setPen(QPen(QColor(0xf2, 0xc1, 0x4e), 2));
        p.drawLine(QPointF(26, 200), QPointF(150, 200));
    }
};

}  // namespace

frmSplash::frmSplash(App& app) : app_(app) {
    setObjectName("frmSplash");
    setWindowTitle(FromStored(app_.pv.AppTitle));
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setFixedSize(Px(6000), Px(3735));

    Image1 = new SplashArt(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, Px(6000), Px(3735));

    lblStatus = new QLabel(this);
    lblStatus->setObjectName("lblStatus");
    lblStatus->setGeometry(Px(0), Px(3240), Px(5175), Px(375));
    lblStatus->setAttribute(Qt::WA_TranslucentBackground);
    lblStatus->setStyleSheet(
        "QLabel { color: white; background: transparent; padding-left: 8px; }");

    // Its first painting starts the activation (see showEvent).
    lblStatus->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(3000);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);

    Form_Load();
}

void frmSplash::Form_Load() {
    startup::RefuseSecondInstance(app_.pv);
}

void frmSplash::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    if (activated_) return;
    // The compaction and the open can take seconds on a large data file, and nothing
    // is drawn while they run: so they start only once the splash has been drawn
    // saying "Intializing..." (eventFilter). Shown is not yet drawn: the window
    // manager maps the window and the server asks for its contents after this.
    lblStatus->setText("Intializing...");
    // Should the window never be drawn (kept unmapped), start-up still goes on.
    QTimer::singleShot(kActivateUndrawnMs, this, &frmSplash::Form_Activate);
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
    // Queued, so the activation runs after this painting has reached the screen.
    if (watched == lblStatus && event->type() == QEvent::Paint && !activated_ &&
        !activationQueued_) {
        activationQueued_ = true;
        QTimer::singleShot(0, this, &frmSplash::Form_Activate);
    }
    return QWidget::eventFilter(watched, event);
}

void frmSplash::Form_Activate() {
    if (activated_) return;
    activated_ = true;
    store::publicVar& pv = app_.pv;
    const QString title = FromStored(pv.AppTitle);

    lblStatus->setText("Intializing...");
    lblStatus->repaint();
    pv.SysDir = startup::GetSysDir(pv.os.systemInfo);
    const std::string programFolder = pv.os.systemInfo.ProgramFolder();

    // A failing compaction step is reported and start-up goes on with the open.
    for (const std::string& error :
         db::CompactDataFile(programFolder, pv.SysDir, db::kDataFilePassword))
        app_.msg.MsgBox(FromStored(error), kMbOk, title);

    std::string error;
    std::unique_ptr<db::Database> conn =
        db::Database::Open(db::DataFilePath(programFolder), db::kDataFilePassword, error);
    if (!conn) {
        // Without the data file the program cannot run: say why, and end with a status
        // that says it failed.
        app_.msg.MsgBox(FromStored(error), kMbCritical, title);
        pv.Conn.reset();
        app_.forms.SetExitStatus(startup::kExitStartFailed);
        app_.forms.Unload<frmSplash>();
        return;
    }
    pv.Conn = std::move(conn);
    // A PC that has joined a cafe's server delivers its outbox from now on: after the
    // compaction, which needs the data file to itself.
    startup::StartCafe(pv, db::DataFilePath(programFolder), cafe::LoadMembership(pv.settings),
                       &startup::RealPlatform::OpenServerLink,
                       &startup::RealPlatform::OpenCafeReport);

    lblStatus->setText("Intialized");
    Timer1->start();
}

void frmSplash::Timer1_Timer() {
    Timer1->stop();
    startup::GetOsVersion(app_.pv);
    startup::DeleteSessionLog(app_.pv.SysDir);
    app_.forms.Navigate().ShowLock();
    app_.forms.Unload<frmSplash>();
}

}  // namespace quorvel::ui
