#include "platform/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// Xlib's error handler is process-wide: one lookup at a time, each with a
// display connection of its own.
std::mutex x11Mutex;
int lastXError = 0;

int recordError(Display*, XErrorEvent* event)
{
    lastXError = event->error_code;
    return 0;
}

// Opens the display and routes X errors into lastXError for its lifetime.
class Connection
{
public:
    Connection()
    {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0')
            return;
        display_ = XOpenDisplay(nullptr);
        if (display_ != nullptr) {
            lastXError = 0;
            previous_ = XSetErrorHandler(recordError);
        }
    }
    ~Connection()
    {
        if (display_ == nullptr)
            return;
        XSync(display_, False);
        XSetErrorHandler(previous_);
        XCloseDisplay(display_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* display() const { return display_; }

private:
    Display* display_ = nullptr;
    XErrorHandler previous_ = nullptr;
};

bool cardinalProperty(Display* display, Window window, Atom property, unsigned long& value)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, 1, False, AnyPropertyType, &type,
                                          &format, &count, &remaining, &data);
    const bool found = status == Success && data != nullptr && count == 1 && format == 32;
    if (found)
        value = *reinterpret_cast<unsigned long*>(data);
    if (data != nullptr)
        XFree(data);
    return found;
}

std::vector<Window> childrenOf(Display* display, Window window)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> out;
    if (XQueryTree(display, window, &root, &parent, &children, &count) != 0 && children != nullptr)
        out.assign(children, children + count);
    if (children != nullptr)
        XFree(children);
    return out;
}

// A window manager's frame holds the client window a few levels down.
constexpr int maxFrameDepth = 3;

void collect(Display* display, Window window, Atom pidAtom, int depth, std::vector<TopLevelWindow>& out)
{
    unsigned long pid = 0;
    if (cardinalProperty(display, window, pidAtom, pid)) {
        TopLevelWindow entry;
        entry.id = window;
        entry.pid = static_cast<pid_t>(pid);
        Window owner = 0;
        if (XGetTransientForHint(display, window, &owner) != 0)
            entry.owner = owner;
        XWindowAttributes attributes;
        entry.visible =
            XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable;
        out.push_back(entry);
        return;
    }
    if (depth >= maxFrameDepth)
        return;
    for (const Window child : childrenOf(display, window))
        collect(display, child, pidAtom, depth + 1, out);
}

bool windowManagerRuns(Display* display, Window root)
{
    unsigned long check = 0;
    return cardinalProperty(display, root, XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False), check) &&
           check != 0;
}

} // namespace

std::vector<TopLevelWindow> topLevelWindows()
{
    std::lock_guard lock(x11Mutex);
    Connection connection;
    Display* display = connection.display();
    std::vector<TopLevelWindow> windows;
    if (display == nullptr)
        return windows;
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    for (const Window child : childrenOf(display, DefaultRootWindow(display)))
        collect(display, child, pidAtom, 0, windows);
    return windows;
}

bool activateWindow(WindowId window, int& errorCode)
{
    std::lock_guard lock(x11Mutex);
    Connection connection;
    Display* display = connection.display();
    if (display == nullptr) {
        errorCode = -1;
        return false;
    }
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        XSync(display, False);
        errorCode = lastXError != 0 ? lastXError : BadWindow;
        return false;
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // as a pager: the user asked for it
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);

    if (!windowManagerRuns(display, root)) {
        XRaiseWindow(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    XSync(display, False);
    errorCode = lastXError;
    return lastXError == 0;
}

} // namespace platform
