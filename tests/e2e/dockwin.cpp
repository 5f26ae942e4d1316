// A stand-in for a desktop panel in the end-to-end tests: one window of type
// _NET_WM_WINDOW_TYPE_DOCK across the bottom of the screen, reserving its strip.
// Runs until killed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "dockwin: cannot open the display\n");
        return 1;
    }
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen);
    const int height = DisplayHeight(display, screen);
    constexpr int kHeight = 32;
    const Window dock = XCreateSimpleWindow(display, RootWindow(display, screen), 0,
                                            height - kHeight, width, kHeight, 0, 0, 0x30475e);
    XStoreName(display, dock, "quorvel-e2e-dock");
    const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dockType = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(display, dock, type, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dockType), 1);
    const long strut[12] = {0, 0, 0, kHeight, 0, 0, 0, 0, 0, 0, 0, width - 1};
    XChangeProperty(display, dock, XInternAtom(display, "_NET_WM_STRUT_PARTIAL", False),
                    XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(strut),
                    12);
    // Where it asked to be: along the bottom edge, as a panel is.
    XSizeHints hints{};
    hints.flags = USPosition | PPosition | PSize;
    hints.x = 0;
    hints.y = height - kHeight;
    hints.width = width;
    hints.height = kHeight;
    XSetWMNormalHints(display, dock, &hints);
    XSelectInput(display, dock, ExposureMask);
    XMapWindow(display, dock);
    XFlush(display);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
    }
}
