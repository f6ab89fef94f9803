// What the end-to-end tests need of the X server beyond xdotool, on the display DISPLAY names:
//   x_client close WINDOW           asks WINDOW to close as a window manager's close button does
//                                   (no window manager runs there, and xdotool only destroys);
//   x_client copy COMMAND...        runs COMMAND, then waits until the clipboard gets a new owner;
//   x_client damage WINDOW          prints "ready", then a line each time WINDOW's pixels change.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern char** environ;

int main(int argc, char* argv[]) {
    const std::string mode = argc >= 3 ? argv[1] : "";
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || (mode != "close" && mode != "copy" && mode != "damage")) {
        std::fprintf(stderr, "usage: x_client close WINDOW | copy COMMAND... | damage WINDOW\n");
        return 2;
    }
    const Window window = std::strtoul(argv[2], nullptr, 0);
    int eventBase = 0;
    int errorBase = 0;
    if (mode == "close") {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", 0);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", 0));
        const Status sent = XSendEvent(display, window, 0, 0, &event);
        XCloseDisplay(display);  // sends what is buffered
        return sent != 0 ? 0 : 1;
    }
    if (mode == "copy") {
        // Listening before the command runs, it hears an owner set however soon.
        if (XFixesQueryExtension(display, &eventBase, &errorBase) == 0) {
            return 1;
        }
        XFixesSelectSelectionInput(display, DefaultRootWindow(display),
                                   XInternAtom(display, "CLIPBOARD", 0),
                                   XFixesSetSelectionOwnerNotifyMask);
        XSync(display, 0);
        pid_t child = 0;
        int status = 1;
        if (posix_spawnp(&child, argv[2], nullptr, nullptr, argv + 2, environ) != 0 ||
            waitpid(child, &status, 0) != child || status != 0) {
            return 1;
        }
        for (XEvent event{}; event.type != eventBase + XFixesSelectionNotify;) {
            XNextEvent(display, &event);
        }
        return 0;
    }
    // One event when the window's damage goes from none to some; clearing it re-arms the next.
    if (XDamageQueryExtension(display, &eventBase, &errorBase) == 0) {
        return 1;
    }
    const Damage damage = XDamageCreate(display, window, XDamageReportNonEmpty);
    XSync(display, 0);
    for (const char* line = "ready"; std::puts(line) >= 0 && std::fflush(stdout) == 0;) {
        XEvent event{};
        while (event.type != eventBase + XDamageNotify) {
            XNextEvent(display, &event);
        }
        XDamageSubtract(display, damage, None, None);
        XFlush(display);
        line = "damaged";
    }
    return 0;
}
