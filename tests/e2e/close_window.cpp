// Asks an X window to close as a window manager does for its close button or Alt+F4: a
// WM_DELETE_WINDOW message of the WM_PROTOCOLS kind, sent to the window's own client. (The
// tests' X server runs no window manager, and xdotool only destroys windows.)
//
// Usage: close_window WINDOW_ID, on the display that DISPLAY names.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: close_window WINDOW_ID\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "close_window: cannot open the display\n");
        return 1;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", 0);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", 0));
    event.xclient.data.l[1] = 0;  // the current time
    const Status sent = XSendEvent(display, window, 0, 0, &event);
    XCloseDisplay(display);  // sends what is buffered
    return sent != 0 ? 0 : 1;
}
