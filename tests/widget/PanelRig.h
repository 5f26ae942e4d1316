// What every control-panel test stands on: the widget rig with a real data file, and
// the panel opened as the admin sign-in opens it.
#pragma once

#include <QApplication>
#include <QListWidget>
#include <QTabBar>
#include <filesystem>
#include <string>

#include "panel/frmCtrlpnl.h"
#include "store/ienann.h"
#include "widget/WidgetRig.h"

namespace quorvel::test {

class PanelRig : public WidgetRig {
  protected:
    // A provisioned program folder (with Systemfiles) and a system directory of the
    // test's own, as start-up leaves them, and the data file.
    void SetUp() override {
        std::filesystem::create_directories(dir.path() / "program" / "Systemfiles");
        std::filesystem::create_directories(dir.path() / "system");
        t.systemInfo.programFolder = dir.file("program");
        t.pv.SysDir = dir.file("system");
        OpenDataFile();
    }

    // The panel, made (and loaded) on first use as the admin sign-in makes it, shown.
    ui::frmCtrlpnl& Panel() {
        auto& panel = forms->Get<ui::frmCtrlpnl>();
        if (!panel.isVisible()) {
            panel.show();
            QApplication::processEvents();
        }
        return panel;
    }
    // A control of the panel by its design name.
    template <class T>
    T* Control(const char* name) {
        T* control = Panel().findChild<T*>(name);
        EXPECT_TRUE(control) << name;
        return control;
    }
    // The value names of one of the program's keys, in the store's order.
    store::NameList StoredNames(const char* key) {
        store::NameList names;
        store::LoadNameList(*t.registry, platform::kHkeyCurrentUser, key, names);
        return names;
    }
    // Names about the longest the list loader reads back (254 bytes as stored), in
    // ASCII and in two-byte letters, and whether each can be read back.
    static std::vector<std::pair<QString, bool>> NameLengths() {
        const QString e = QString::fromUtf8("\xC3\xA9");
        return {{QString(254, 'a'), true},
                {QString(255, 'b'), false},
                {e.repeated(127), true},
                {e.repeated(128), false},
                {QString(4000, 'c'), false}};
    }
    // The items of a list box of the panel, first to last.
    store::NameList Items(const char* listName) {
        store::NameList items;
        auto* list = Control<QListWidget>(listName);
        for (int i = 0; list && i < list->count(); ++i)
            items.push_back(list->item(i)->text().toStdString());
        return items;
    }
    // Closes the panel as "Close Control Panel" does and lets the deferred delete run.
    void ClosePanel() {
        Panel().StatusBar1_PanelClick(panel::StatusPanel::ClosePanel);
        Settle();
    }
    // Runs the deferred deletes that closing and unloading asked for.
    static void Settle() {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

}  // namespace quorvel::test
