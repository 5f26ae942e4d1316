// What every window test stands on: fake platform services, a scratch folder, the
// message-box and file-dialog seams, and the Forms/App pair the windows are made from.
#pragma once

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPrinter>
#include <QRect>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "startup/frmNavigation.h"
#include "store/Variant.h"
#include "store/mdlRegistry.h"
#include "support/DataFile.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "ui/FileDialog.h"
#include "ui/Forms.h"
#include "ui/MessageBox.h"

namespace quorvel::test {

// Every box a window shows, as the owner would have read it. `answers` scripts the
// buttons pressed, first box first; unscripted boxes are answered OK, or No when they
// ask a question, so a test that forgets a script never quits or deletes anything.
class RecordingMessageBoxes final : public ui::MessageBoxes {
  public:
    struct Shown {
        std::string text;
        int flags;
        std::string title;
    };
    int MsgBox(const QString& text, int flags, const QString& title) override {
        shown.push_back({text.toStdString(), flags, title.toStdString()});
        if (during) during();
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (flags & 0xF) == (ui::kMbYesNoQuestion & 0xF) ? ui::kIdNo : ui::kIdOk;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const Shown& box : shown) out.push_back(box.text);
        return out;
    }

    std::vector<Shown> shown;
    std::deque<int> answers;
    // Runs while a box is up, to look at the windows behind it.
    std::function<void()> during;
};

// A printer that takes the pages before `failsOn` and refuses that one, as a printer
// that jams or goes offline part way through.
class FailingPrinter final : public QPrinter {
  public:
    explicit FailingPrinter(int failsOn) : QPrinter(QPrinter::HighResolution), failsOn_(failsOn) {}
    bool newPage() override { return ++page_ < failsOn_ && QPrinter::newPage(); }

  private:
    int failsOn_;
    int page_ = 1;
};

// The common dialogs. Open and Save As: `picks` scripts what the owner chooses, one
// per dialog, first dialog first; an empty pick, or none left, is Cancel. Remembers the
// last file chosen as the real one does. The printer's dialog: `printTo` scripts the
// file each printing goes to (the printer set to PDF there); none left is Cancel.
// `printerFailsOn` (a page number) hands out a printer that fails on that page.
class ScriptedFileDialogs final : public ui::FileDialogs {
  public:
    std::unique_ptr<QPrinter> NewPrinter() override {
        if (printerFailsOn > 0) return std::make_unique<FailingPrinter>(printerFailsOn);
        return ui::FileDialogs::NewPrinter();
    }
    struct Opened {
        std::string title;
        std::string startFolder;  // Save As: the suggested path
        std::string filter;
    };
    QString Open(QWidget*, const QString& title, const QString& startFolder,
                 const QString& filter) override {
        opened.push_back({title.toStdString(), startFolder.toStdString(), filter.toStdString()});
        return Pick();
    }
    QString Save(QWidget*, const QString& title, const QString& suggested,
                 const QString& filter) override {
        opened.push_back({title.toStdString(), suggested.toStdString(), filter.toStdString()});
        return Pick();
    }
    bool Print(QWidget*, QPrinter& printer) override {
        ++printDialogs;
        if (printTo.empty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(printTo.front()));
        printTo.pop_front();
        return true;
    }

    std::deque<std::string> picks;
    std::vector<Opened> opened;
    std::deque<std::string> printTo;
    int printerFailsOn = 0;
    int printDialogs = 0;

  private:
    QString Pick() {
        if (picks.empty()) return {};
        const QString chosen = QString::fromStdString(picks.front());
        picks.pop_front();
        if (!chosen.isEmpty()) lastFileName_ = chosen;
        return chosen;
    }
};

// Runs the event loop until `done` holds or two seconds have passed.
template <class Done>
bool WaitFor(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// A left click in the middle of a label, as the mouse would deliver it.
inline void ClickLabel(QLabel* label) {
    const QPointF at(label->width() / 2.0, label->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(label, &press);
    QApplication::sendEvent(label, &release);
}

inline void PressEnter(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(target, &press);
}

// Presses Tab from `start` until the focus comes back to it, and checks the way it went:
// every control of `window` that Tab can reach (shown, enabled, taking Tab focus) is
// reached, in reading order. Of two controls, the one whose block (the outermost group
// or frame holding it that does not hold the other) lies wholly below the other's comes
// later, and of two blocks beside each other (their heights overlap) the left one
// first. A spin box's or combo box's own parts count as the control, and Tab moving
// between the sections of a date box stays on it.
inline void ExpectTabInReadingOrder(QWidget* window, QWidget* start) {
    const auto control = [](QWidget* w) {
        const auto isPart = [](QWidget* part) {
            QWidget* up = part->parentWidget();
            return part->objectName().startsWith("qt_") || qobject_cast<QComboBox*>(up) ||
                   qobject_cast<QAbstractSpinBox*>(up);
        };
        while (w && w->parentWidget() && isPart(w)) w = w->parentWidget();
        return w;
    };
    std::vector<QWidget*> reachable;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
            control(w) == w)
            reachable.push_back(w);
    window->activateWindow();
    start->setFocus();
    QApplication::processEvents();
    std::vector<QWidget*> order{start};
    for (std::size_t presses = 0; presses < 4 * reachable.size() + 8; ++presses) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        QWidget* at = control(QApplication::focusWidget());
        if (!at || at == start) break;
        if (at != order.back()) order.push_back(at);
    }
    const auto name = [](QWidget* w) { return w->objectName().toStdString(); };
    for (QWidget* w : reachable)
        EXPECT_EQ(std::count(order.begin(), order.end(), w), 1) << name(w) << " reached";
    // The block of `w` that does not hold `other`, in the window's coordinates.
    const auto block = [&](QWidget* w, QWidget* other) {
        QWidget* b = w;
        while (b->parentWidget() && b->parentWidget() != window &&
               !b->parentWidget()->isAncestorOf(other))
            b = b->parentWidget();
        return QRect(b->mapTo(window, QPoint(0, 0)), b->size());
    };
    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            const QRect a = block(order[i], order[j]), b = block(order[j], order[i]);
            const bool above = b.bottom() < a.top();
            const bool besideLeft =
                b.top() <= a.bottom() && a.top() <= b.bottom() && b.right() < a.left();
            EXPECT_FALSE(above || besideLeft) << name(order[j]) << " is reached after "
                                              << name(order[i]) << " but reads before it";
        }
}

// The fixture: fake platform services over a scratch folder, the recording seams,
// and the windows made through Forms as the program makes them. The windows go first
// at tear-down, while the platform and the folder they use still exist.
class WidgetRig : public ::testing::Test {
  protected:
    // The session log and the compaction's copy go to the scratch folder, never to
    // wherever the tests run.
    WidgetRig() { t.pv.SysDir = dir.path().string(); }
    void TearDown() override { forms.reset(); }

    void SetSetting(const char* name, const store::Variant& value, int type) {
        t.Set(store::kSettingsKey, name, value, type);
    }
    // A real data file in the scratch folder as the shared connection, the way start-up
    // leaves it.
    void OpenDataFile(const DataFileContents& contents = {}) {
        t.pv.Conn = CreateDataFile(dir.file("QuorvelData.mdb"), contents);
    }

    TempDir dir;
    TestPlatform t;
    RecordingMessageBoxes boxes;
    ScriptedFileDialogs files;
    std::unique_ptr<ui::Forms> forms;
    // The windows open one another by the program's own roads.
    std::unique_ptr<ui::frmNavigation> navigation;
    // App and Forms refer to each other; Forms is made first, inside App's initialiser.
    ui::App app{t.pv, boxes, files, *makeForms()};

  private:
    ui::Forms* makeForms() {
        forms = std::make_unique<ui::Forms>(app);
        navigation = std::make_unique<ui::frmNavigation>(*forms, t.pv);
        forms->SetNavigation(*navigation);
        return forms.get();
    }
};

}  // namespace quorvel::test
