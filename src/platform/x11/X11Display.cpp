#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace quorvel::platform {

std::string DisplayName() {
    const char* name = std::getenv("DISPLAY");
    return name ? name : "";
}

bool WaitForDisplay(const std::string& displayName, int pollMs,
                    const std::function<void(const std::string&)>& waiting, std::string& error) {
    if (displayName.empty()) {
        error = "No X display is named (DISPLAY is not set).";
        return false;
    }
    bool told = false;
    for (;;) {
        if (Display* display = XOpenDisplay(displayName.c_str())) {
            XCloseDisplay(display);
            return true;
        }
        if (!told && waiting) {
            waiting("Waiting for the X display " + displayName +
                    " (not running yet, or not letting this account in)...");
            told = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
}

void EndProcessForLostDisplay(int status) {
    static constexpr char kMessage[] = "quorvel: the connection to the X display was lost\n";
    // Only what is safe wherever the loss is noticed: one write, then _exit.
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    ::_exit(status);
}

void SetLostDisplayHandler(LostDisplayHandler handler) {
    XSetIOErrorHandler(handler);
}

}  // namespace quorvel::platform
