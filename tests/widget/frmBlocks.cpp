// The hidden blocker window: what its load reads, its 10 ms timer, and its unload.
#include "blocker/frmBlocks.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>

#include "support/TestPlatform.h"

namespace quorvel::ui {
namespace {

using platform::Hwnd;

struct NoMessages final : MessageBoxes {
    int MsgBox(const QString&, int, const QString&) override {
        ADD_FAILURE() << "the blocker never shows a message";
        return kIdOk;
    }
};
struct NoFiles final : FileDialogs {
    QString Open(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};

struct FrmBlocksTest : ::testing::Test {
    test::TestPlatform tp;
    NoMessages msg;
    NoFiles files;
    App app{tp.pv, msg, files, forms};
    Forms forms{app};

    void BlockSite(const std::string& keyword) {
        platform::ScopedKey key(*tp.registry);
        ASSERT_EQ(tp.registry->OpenKey(platform::kHkeyCurrentUser, store::kUrlsKey, key.out()),
                  platform::kErrorSuccess);
        const std::uint8_t data[] = {'1', 0};
        tp.registry->SetValue(key.get(), keyword, platform::kRegSz, data, sizeof data);
    }
    Hwnd Browser(const std::string& address) {
        const Hwnd frame = tp.windows.Add(tp.windows.DesktopWindow(), "IEFrame",
                                          "Example - Microsoft Internet Explorer");
        return tp.windows.Add(frame, "Edit", address);
    }
    // Runs the event loop until `done` holds or two seconds have passed.
    template <class Done>
    bool WaitFor(Done done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
};

TEST_F(FrmBlocksTest, LoadReadsTheBlockedSitesAndStartsTheTenMillisecondTimer) {
    BlockSite("casino");
    BlockSite("poker");
    frmBlocks& form = forms.Get<frmBlocks>();
    EXPECT_EQ(form.objectName(), "frmBlocks");
    EXPECT_EQ(form.blocker().lstwindows4(), (store::NameList{"casino", "poker"}));
    ASSERT_EQ(form.findChild<QTimer*>("Timer1"), form.Timer1);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 10);

    // It is never shown, whoever asks.
    form.show();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FrmBlocksTest, TheTimerSendsABlockedAddressToTheBlockedPage) {
    BlockSite("casino");
    const Hwnd edit = Browser("http://casino.example/");
    forms.Get<frmBlocks>();
    ASSERT_TRUE(WaitFor([&] { return tp.windows.enterPresses > 0; }));
    EXPECT_EQ(tp.windows.At(edit).text, blocker::kBlockedPage);
}

TEST_F(FrmBlocksTest, UnloadStopsBlockingAndTheNextLoadReadsTheSitesAfresh) {
    BlockSite("casino");
    QPointer<frmBlocks> first = &forms.Get<frmBlocks>();
    forms.Unload<frmBlocks>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_FALSE(forms.IsLoaded<frmBlocks>());

    // Sites blocked meanwhile count from the next load on; the list is not doubled.
    BlockSite("poker");
    EXPECT_EQ(forms.Get<frmBlocks>().blocker().lstwindows4(), (store::NameList{"casino", "poker"}));
}

}  // namespace
}  // namespace quorvel::ui
