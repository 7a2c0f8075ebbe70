// Opens the windows a window test asks for, one per argument, bottom to top:
// "visible", "hidden", or "owned" (visible, owned by the first window). Prints
// their ids on one line and keeps them until its standard input closes.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x11_window_helper: no display\n");
        return 1;
    }
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    const unsigned long pid = static_cast<unsigned long>(::getpid());
    std::vector<Window> windows;
    for (int i = 1; i < argc; ++i) {
        const Window window =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 10 * i, 10 * i, 100, 80, 0, 0, 0xffffff);
        XChangeProperty(display, window, pidAtom, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        if (std::strcmp(argv[i], "owned") == 0 && !windows.empty())
            XSetTransientForHint(display, window, windows.front());
        if (std::strcmp(argv[i], "hidden") != 0)
            XMapWindow(display, window);
        windows.push_back(window);
    }
    XSync(display, False);
    for (const Window window : windows)
        std::printf("%lu ", window);
    std::printf("\n");
    std::fflush(stdout);
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    XCloseDisplay(display);
    return 0;
}
