#include "ui/Forms.h"

#include <QTimer>
#include <stdexcept>

namespace quorvel::ui {

Forms::~Forms() {
    for (auto& [type, window] : windows_) delete window.data();
}

bool Forms::AnyLoaded() const {
    for (const auto& [type, window] : windows_)
        if (!window.isNull()) return true;
    return false;
}

Navigation& Forms::Navigate() const {
    if (!navigation_) throw std::logic_error("Forms: no navigation set before a window opened");
    return *navigation_;
}

void Forms::Destroy(QPointer<QWidget> window) {
    if (window.isNull()) return;
    // An unloaded window's timers stop at once: the deferred delete comes later, and
    // a tick in between would act for a window that is gone (the blocker would keep
    // rewriting addresses after Logout).
    for (QTimer* timer : window->findChildren<QTimer*>()) timer->stop();
    window->hide();
    window->deleteLater();
}

}  // namespace quorvel::ui
