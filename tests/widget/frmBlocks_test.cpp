// The hidden blocker window: what its load reads, its 10 ms timer, and its unload.
#include "blocker/frmBlocks.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include "widget/WidgetRig.h"

namespace quorvel::test {
namespace {

using namespace ui;

struct FrmBlocksTest : WidgetRig {
    void TearDown() override {
        EXPECT_TRUE(boxes.shown.empty()) << "the blocker never shows a message";
        WidgetRig::TearDown();
    }
    void BlockSite(const std::string& keyword) {
        t.Set(store::kUrlsKey, keyword, "1", platform::kRegSz);
    }
};

TEST_F(FrmBlocksTest, LoadReadsTheBlockedSitesAndStartsTheTimer) {
    BlockSite("casino");
    BlockSite("poker");
    frmBlocks& form = forms->Get<frmBlocks>();
    EXPECT_EQ(form.blocker().lstwindows4(), (store::NameList{"casino", "poker"}));
    EXPECT_TRUE(form.Timer1->isActive());

    // It is never shown, whoever asks.
    form.show();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FrmBlocksTest, UnloadStopsBlockingAndTheNextLoadReadsTheSitesAfresh) {
    BlockSite("casino");
    QPointer<frmBlocks> first = &forms->Get<frmBlocks>();
    forms->Unload<frmBlocks>();
    // Until the deferred delete, the window still exists but no longer ticks.
    ASSERT_FALSE(first.isNull());
    EXPECT_FALSE(first->Timer1->isActive());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_FALSE(forms->IsLoaded<frmBlocks>());

    // Sites blocked meanwhile count from the next load on; the list is not doubled.
    BlockSite("poker");
    EXPECT_EQ(forms->Get<frmBlocks>().blocker().lstwindows4(),
              (store::NameList{"casino", "poker"}));
}

}  // namespace
}  // namespace quorvel::test
