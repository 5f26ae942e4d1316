#include "blocker/frmBlocks.h"

#include <exception>

namespace quorvel::ui {

namespace {
constexpr int kTimer1Interval = 10;  // ms
}

frmBlocks::frmBlocks(App& app) : Timer1(new QTimer(this)), app_(app), blocker_(app.pv.os.windows) {
    setObjectName("frmBlocks");
    setWindowTitle("Blocks");
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kTimer1Interval);
    connect(Timer1, &QTimer::timeout, this, &frmBlocks::Timer1_Timer);
    Form_Load();
}

frmBlocks::~frmBlocks() {
    Timer1->stop();
}

void frmBlocks::Form_Load() {
    // A step that fails is passed over: blocking starts even without keywords.
    try {
        LoadBlockedKeywords();
    } catch (const std::exception&) {
    }
    try {
        blocker_.LoadBlockedPage(app_.pv);
    } catch (const std::exception&) {
    }
    Timer1->start();
}

void frmBlocks::LoadBlockedKeywords() {
    blocker_.LoadBlockedKeywords(app_.pv);
}

void frmBlocks::Timer1_Timer() {
    if (endedUnwatched_) return;
    // Asked on every tick while the watch is lost, until a session ends for it: the
    // blocker is loaded at a sign-in just before the session starts, and a session
    // started after that must not run unwatched either.
    if (app_.pv.os.windows.WatchLost()) {
        endedUnwatched_ = app_.forms.Navigate().EndSessionUnwatched();
        if (endedUnwatched_) return;
    }
    // A tick that fails is simply over; the next one starts afresh.
    try {
        blocker_.Tick();
    } catch (const std::exception&) {
    }
}

void frmBlocks::setVisible(bool visible) {
    if (!visible) QWidget::setVisible(false);
}

}  // namespace quorvel::ui
