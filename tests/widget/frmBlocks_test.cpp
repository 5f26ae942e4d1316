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

// Loading starts the timer; the window is never shown, whoever asks; unloading stops
// it at once, and the next load reads the sites afresh.
TEST_F(FrmBlocksTest, LoadStartsTheTimerUnloadStopsItAndTheNextLoadReadsTheSitesAfresh) {
    BlockSite("casino");
    QPointer<frmBlocks> first = &forms->Get<frmBlocks>();
    EXPECT_TRUE(first->Timer1->isActive());
    first->show();
    EXPECT_FALSE(first->isVisible());
    forms->Unload<frmBlocks>();
    // Until the deferred delete, the window still exists but no longer ticks.
    ASSERT_FALSE(first.isNull());
    EXPECT_FALSE(first->Timer1->isActive());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_FALSE(forms->IsLoaded<frmBlocks>());

    // Sites blocked meanwhile count from the next load on, in the store's order; the
    // list is not doubled.
    BlockSite("poker");
    EXPECT_EQ(forms->Get<frmBlocks>().blocker().lstwindows4(),
              (store::NameList{"casino", "poker"}));
}

}  // namespace
}  // namespace quorvel::test
