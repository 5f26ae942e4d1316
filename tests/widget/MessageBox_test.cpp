// The real message box, as a cafe owner reads it: the whole text and the whole title,
// whatever their lengths.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include "ui/MessageBox.h"

namespace quorvel::test {
namespace {

struct Shown {
    int labelWidth = 0;
    int labelHeight = 0;
    int labelNeeds = 0;        // the width the label needs when it does not wrap
    int labelHeightNeeds = 0;  // the height it needs at its width when it wraps
    bool wraps = false;
    int boxWidth = 0;
};

// Shows the box, measures it once laid out, and presses its default button.
Shown ShowAndMeasure(const QString& text, int flags, const QString& title) {
    Shown shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        ASSERT_NE(label, nullptr);
        shown = {label->width(),
                 label->height(),
                 label->fontMetrics().boundingRect(QRect(), 0, label->text()).width(),
                 label->heightForWidth(label->width()),
                 label->wordWrap(),
                 box->width()};
        box->done(0);
    });
    ui::QtMessageBoxes().MsgBox(text, flags, title);
    return shown;
}

struct BoxCase {
    const char* what;
    const char* text;
    int flags;
};

class MessageBoxText : public testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxText, ShowsTheWholeTextAndTheWholeTitle) {
    const QString title = "Quorvel (DE)";
    const Shown shown = ShowAndMeasure(GetParam().text, GetParam().flags, title);
    if (shown.wraps) {
        EXPECT_GE(shown.labelHeight, shown.labelHeightNeeds);
    } else {
        EXPECT_GE(shown.labelWidth, shown.labelNeeds);
    }
    EXPECT_GE(shown.boxWidth, QFontMetrics(QApplication::font()).horizontalAdvance(title));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MessageBoxText,
    testing::Values(
        BoxCase{"Short", "Invalid Password", ui::kMbExclamation},
        BoxCase{"DamagedDataFile",
                "Not a valid password, or the data file "
                "'/var/lib/quorvel/Quorvel/Data/QuorvelData.mdb' is damaged (file is not a "
                "database).",
                ui::kMbCritical},
        BoxCase{"TwoLines", "Some settings were not stored:\nthe login screen's picture",
                ui::kMbExclamation},
        BoxCase{"Question", "Continue...", ui::kMbYesNoQuestion}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace quorvel::test
