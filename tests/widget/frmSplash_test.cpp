// The splash: start-up order, the data file's messages and the hand-over, with fake
// platform services, scripted message boxes and real data files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <filesystem>

#include "db/Compaction.h"
#include "db/Database.h"
#include "login/frmstart.h"
#include "startup/ExitStatus.h"
#include "startup/frmSplash.h"
#include "widget/WidgetRig.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;
using ui::frmSplash;
using ui::frmstart;

struct SplashFixture : WidgetRig {
    bool allUnloaded = false;
    // What the status label read while each box was up.
    std::vector<std::string> statusWhileShown;

    ProgramFolders folders;
    const std::string& sysDir = folders.sysDir;
    const std::string& dataFile = folders.dataFile;
    const std::string sessionLog = (fs::path(sysDir) / "ScanregLog.log").string();

    void SetUp() override {
        t.systemInfo.programFolder = folders.program;
        t.systemInfo.systemDirectory = sysDir;
        t.systemInfo.major = 4;
        t.systemInfo.minor = 10;
        WriteFileBytes(sessionLog, "the previous run's sessions\n");
        forms->OnAllUnloaded([this] { allUnloaded = true; });
    }

    void Provision() { CreateDataFile(dataFile); }

    frmSplash& Splash() {
        frmSplash& splash = forms->Get<frmSplash>();
        boxes.during = [this, shown = QPointer<frmSplash>(&splash)] {
            if (shown) statusWhileShown.push_back(Status(*shown));
        };
        return splash;
    }

    std::string Status(frmSplash& splash) {
        return splash.findChild<QLabel*>("lblStatus")->text().toStdString();
    }

    ino_t Inode() const {
        struct stat st {};
        ::stat(dataFile.c_str(), &st);
        return st.st_ino;
    }
};

TEST_F(SplashFixture, StartsUpInOrderAndHandsOverToTheLoginScreen) {
    Provision();
    const ino_t before = Inode();
    frmSplash& splash = Splash();
    auto* timer = splash.findChild<QTimer*>("Timer1");
    ASSERT_TRUE(timer);
    EXPECT_FALSE(timer->isActive());

    splash.Form_Activate();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Status(splash), "Intialized");
    EXPECT_EQ(t.pv.SysDir, sysDir);
    ASSERT_TRUE(t.pv.Conn);
    EXPECT_TRUE(db::FindLogin(*t.pv.Conn, "guest"));
    EXPECT_NE(Inode(), before);  // compacted: a new file took the old one's place
    EXPECT_FALSE(fs::exists(db::CompactionCopyPath(sysDir)));
    // The timer is armed. Until it fires, the old log stays.
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(fs::exists(sessionLog));
    EXPECT_EQ(t.pv.OsVersion, 0.0);

    splash.Timer1_Timer();
    EXPECT_EQ(t.pv.OsVersion, 4.1);
    EXPECT_FALSE(fs::exists(sessionLog));
    ASSERT_TRUE(forms->IsLoaded<frmstart>());
    EXPECT_TRUE(forms->Get<frmstart>().isVisible());
    EXPECT_FALSE(forms->IsLoaded<frmSplash>());
    EXPECT_FALSE(allUnloaded);
    EXPECT_EQ(forms->ExitStatus(), 0);
}

// With an earlier instance running whose window is not found, this one runs on as the
// unwanted instance and titles its boxes so.
class MissingDataFile : public SplashFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(MissingDataFile, ShowsTheBoxesAndEndsTheProgram) {
    t.instance.running = GetParam();
    Splash().Form_Activate();
    EXPECT_FALSE(t.instance.ended);
    const std::string missing = "Could not find file '" + dataFile + "'.";
    const std::string title = GetParam() ? "unwanted instance" : "Quorvel (DE)";
    ASSERT_EQ(boxes.shown.size(), 2u);
    // The compaction's box, then the open's critical box; both while initialising.
    EXPECT_EQ(boxes.shown[0].text, missing);
    EXPECT_EQ(boxes.shown[0].flags, ui::kMbOk);
    EXPECT_EQ(boxes.shown[0].title, title);
    EXPECT_EQ(statusWhileShown[0], "Intializing...");
    EXPECT_EQ(boxes.shown[1].text, missing);
    EXPECT_EQ(boxes.shown[1].flags, ui::kMbCritical);
    EXPECT_EQ(boxes.shown[1].title, title);
    EXPECT_EQ(statusWhileShown[1], "Intializing...");

    EXPECT_FALSE(t.pv.Conn);
    EXPECT_FALSE(forms->IsLoaded<frmSplash>());
    EXPECT_TRUE(allUnloaded);
    EXPECT_EQ(forms->ExitStatus(), startup::kExitStartFailed);
    EXPECT_FALSE(forms->IsLoaded<frmstart>());
    // Never a new empty file in its place, and the old session log is kept.
    EXPECT_FALSE(fs::exists(dataFile));
    EXPECT_TRUE(fs::exists(sessionLog));
}

INSTANTIATE_TEST_SUITE_P(Instances, MissingDataFile, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Unwanted" : "Alone"; });

TEST_F(SplashFixture, AFailedCompactionStillOpensTheDataFile) {
    Provision();
    // Another program holds the data file: the compaction says so and start-up goes on.
    std::string error;
    auto holder = db::Database::Open(dataFile, db::kDataFilePassword, error);
    ASSERT_TRUE(holder) << error;
    frmSplash& splash = Splash();
    splash.Form_Activate();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].flags, ui::kMbOk);
    EXPECT_NE(boxes.shown[0].text.find("in use"), std::string::npos);
    EXPECT_TRUE(t.pv.Conn);
    EXPECT_EQ(Status(splash), "Intialized");
}

TEST_F(SplashFixture, AnEarlierInstanceEndsThisOneBeforeAnyFileWork) {
    Provision();
    const ino_t before = Inode();
    t.instance.running = true;
    t.instance.windows[{"ThunderRT6Main", "Quorvel (DE)"}] = 42;
    Splash();
    EXPECT_TRUE(t.instance.ended);
    EXPECT_EQ(t.instance.calls.back(), "EndProgram");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Inode(), before);
    EXPECT_TRUE(fs::exists(sessionLog));
}

// What the status label showed each time it was drawn.
struct PaintRecorder : QObject {
    std::vector<std::string> drawn;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            drawn.push_back(static_cast<QLabel*>(watched)->text().toStdString());
        return false;
    }
};

TEST_F(SplashFixture, TheSplashIsDrawnSayingIntializingBeforeTheDataFileIsTouched) {
    frmSplash& splash = Splash();
    PaintRecorder recorder;
    splash.findChild<QLabel*>("lblStatus")->installEventFilter(&recorder);
    std::vector<std::string> drawnAtFirstBox;
    boxes.during = [&] {
        if (drawnAtFirstBox.empty()) drawnAtFirstBox = recorder.drawn;
    };
    splash.show();  // no data file: the compaction's box is the first work seen
    ASSERT_TRUE(WaitFor([&] { return !boxes.shown.empty(); }));
    ASSERT_FALSE(drawnAtFirstBox.empty()) << "the work ran before the splash was drawn";
    EXPECT_EQ(drawnAtFirstBox.front(), "Intializing...");
}

TEST_F(SplashFixture, ShowingTheSplashRunsTheActivationOnce) {
    Provision();
    frmSplash& splash = Splash();
    splash.show();
    for (int i = 0; i < 50 && !t.pv.Conn; ++i) QCoreApplication::processEvents();
    ASSERT_TRUE(t.pv.Conn);
    const db::Database* opened = t.pv.Conn.get();
    splash.hide();
    splash.show();
    QCoreApplication::processEvents();
    splash.Form_Activate();
    EXPECT_EQ(t.pv.Conn.get(), opened);
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace quorvel::test
