// What every window test stands on: fake platform services, a scratch folder, the
// message-box and file-dialog seams, and the Forms/App pair the windows are made from.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <memory>

#include <gtest/gtest.h>

#include "store/Variant.h"
#include "store/mdlRegistry.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "ui/FileDialog.h"
#include "ui/Forms.h"
#include "ui/MessageBox.h"

namespace quorvel::test {

// No test here picks a file: the dialog is always cancelled.
class NoFileDialogs final : public ui::FileDialogs {
  public:
    QString Open(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
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

// The fixture: `Boxes` is the message-box seam the test wants (scripted, silent, ...).
// The windows go first at tear-down, while the platform and the folder they use still exist.
template <class Boxes>
class WidgetRig : public ::testing::Test {
  protected:
    void TearDown() override { forms.reset(); }

    void SetSetting(const char* name, const store::Variant& value, int type) {
        t.pv.settings.WriteSetting(platform::kHkeyCurrentUser, store::kSettingsKey, name, value,
                                   type);
    }

    TempDir dir;
    TestPlatform t;
    Boxes boxes;
    NoFileDialogs files;
    std::unique_ptr<ui::Forms> forms;
    // App and Forms refer to each other; Forms is made first, inside App's initialiser.
    ui::App app{t.pv, boxes, files, *makeForms()};

  private:
    ui::Forms* makeForms() {
        forms = std::make_unique<ui::Forms>(app);
        return forms.get();
    }
};

}  // namespace quorvel::test
