// Plays "another program" in the end-to-end tests: tries to take the keyboard (or,
// with the argument "pointer", the pointer) and says what the server answered:
// GrabSuccess, AlreadyGrabbed, GrabFrozen, GrabNotViewable or GrabInvalidTime.
// A grab it gets is released at once.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "grabprobe: cannot open the display\n");
        return 2;
    }
    const bool pointer = argc > 1 && std::strcmp(argv[1], "pointer") == 0;
    const Window root = DefaultRootWindow(display);
    const int result =
        pointer ? XGrabPointer(display, root, False, 0, GrabModeAsync, GrabModeAsync, None, None,
                               CurrentTime)
                : XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    static const char* const kNames[] = {"GrabSuccess", "AlreadyGrabbed", "GrabInvalidTime",
                                         "GrabNotViewable", "GrabFrozen"};
    std::printf("%s\n", result >= 0 && result <= 4 ? kNames[result] : "unknown");
    if (result == GrabSuccess) {
        if (pointer)
            XUngrabPointer(display, CurrentTime);
        else
            XUngrabKeyboard(display, CurrentTime);
    }
    XCloseDisplay(display);
    return result == GrabSuccess ? 0 : 1;
}
