#include "ui/Forms.h"

namespace quorvel::ui {

Forms::~Forms() {
    for (auto& [type, window] : windows_) delete window.data();
}

bool Forms::AnyLoaded() const {
    for (const auto& [type, window] : windows_)
        if (!window.isNull()) return true;
    return false;
}

void Forms::Destroy(QPointer<QWidget> window) {
    if (window.isNull()) return;
    window->hide();
    window->deleteLater();
}

}  // namespace quorvel::ui
