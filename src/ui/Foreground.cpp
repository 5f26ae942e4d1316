#include "ui/Foreground.h"

#include <QTimer>

namespace quorvel::ui {

void ShowInFront(QWidget& window, platform::Instance& instance) {
    window.show();
    window.raise();
    window.activateWindow();
    // The timer is the window's: it goes with it, and ends once the window has the
    // focus or the tries are spent.
    auto* retry = new QTimer(&window);
    retry->setInterval(kInFrontRetryMs);
    QObject::connect(
        retry, &QTimer::timeout, &window, [&window, &instance, retry, tries = 0]() mutable {
            if (window.isActiveWindow() || !window.isVisible() || ++tries > kInFrontTries) {
                retry->deleteLater();
                return;
            }
            instance.BringToFront(static_cast<platform::Hwnd>(window.winId()));
        });
    retry->start();
}

}  // namespace quorvel::ui
