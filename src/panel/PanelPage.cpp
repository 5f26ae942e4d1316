#include "panel/PanelPage.h"

#include "panel/ControlPanel.h"
#include "ui/Controls.h"

namespace quorvel::ui {

namespace {
// Every frame is at least as large as designed (6145 x 4560 twips); a page whose
// contents need more makes the panel grow.
constexpr int kFrameWidth = 6145;
constexpr int kFrameHeight = 4560;
}  // namespace

PanelPage::PanelPage(App& app, const char* frameName) : app_(app) {
    setObjectName(frameName);
    // Screen readers name the page by its tab.
    for (const panel::Tab& tab : panel::kTabs)
        if (std::string_view(tab.frame) == frameName) setAccessibleName(tab.caption);
    // All eight share one place; the hidden ones still count for the panel's size.
    QSizePolicy policy = sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    setSizePolicy(policy);
}

QSize PanelPage::sizeHint() const {
    return QWidget::sizeHint().expandedTo(minimumSizeHint());
}

QSize PanelPage::minimumSizeHint() const {
    return QWidget::minimumSizeHint().expandedTo(
        QSize(Twips(this, kFrameWidth), Twips(this, kFrameHeight)));
}

}  // namespace quorvel::ui
