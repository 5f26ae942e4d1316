// A window the owner opens comes up in front with the focus, asking the window manager
// again while it is kept from it.
#include "ui/Foreground.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include <gtest/gtest.h>

#include "platform/fake/FakeServices.h"
#include "support/Poll.h"

namespace quorvel::test {
namespace {

// Lets the window's timers run until its retries are over.
bool RetriesOver(QWidget& window) {
    return PollUntil([&] {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.findChildren<QTimer*>().isEmpty();
    });
}

TEST(ShowInFront, AWindowGivenTheFocusAsksNothingMore) {
    platform::FakeInstance instance;
    QWidget window;
    ui::ShowInFront(window, instance);
    ASSERT_TRUE(PollUntil([&] {
        QApplication::processEvents();
        return window.isActiveWindow();
    }));
    ASSERT_TRUE(RetriesOver(window));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(instance.calls.empty());
}

TEST(ShowInFront, AWindowKeptFromTheFocusAsksTheWindowManagerAgainAndThenGivesUp) {
    platform::FakeInstance instance;
    QWidget window, browser;
    ui::ShowInFront(window, instance);
    // The window manager gives the focus to the guest's browser instead, and the
    // fake's BringToFront changes nothing.
    browser.show();
    browser.activateWindow();
    ASSERT_TRUE(RetriesOver(window));
    EXPECT_FALSE(window.isActiveWindow());
    const std::string asked = "BringToFront " + std::to_string(window.winId());
    EXPECT_EQ(instance.calls.size(), static_cast<std::size_t>(ui::kInFrontTries));
    EXPECT_TRUE(std::all_of(instance.calls.begin(), instance.calls.end(),
                            [&](const std::string& call) { return call == asked; }));
}

}  // namespace
}  // namespace quorvel::test
