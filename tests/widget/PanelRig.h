// What every control-panel test stands on: the widget rig with a real data file, and
// the panel opened as the admin sign-in opens it.
#pragma once

#include <QApplication>

#include "panel/frmCtrlpnl.h"
#include "widget/WidgetRig.h"

namespace quorvel::test {

class PanelRig : public WidgetRig {
  protected:
    void SetUp() override { OpenDataFile(); }

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
    // Closes the panel as "Close Control Panel" does and lets the deferred delete run.
    void ClosePanel() {
        Panel().StatusBar1_PanelClick(panel::StatusPanel::ClosePanel);
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

}  // namespace quorvel::test
