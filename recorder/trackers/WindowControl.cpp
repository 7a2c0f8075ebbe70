#include "recorder/trackers/WindowControl.h"

#include "common/Logger.h"

namespace helper {

namespace {

// One visitor for both lookups: it keeps the window taken last and a counter.
struct WindowVisitor
{
    pid_t pid = 0;
    bool mainWindowRules = false;
    bool visibleOnly = false;
    int counter = 0;
    WindowHandle found = 0;

    void visit(const platform::TopLevelWindow& window)
    {
        if (window.pid != pid)
            return;
        // Until the main window is found, owned and hidden windows are passed over.
        if (mainWindowRules && counter == -1 && (window.owner != 0 || !window.visible))
            return;
        if (visibleOnly && !window.visible)
            return;
        ++counter;
        found = window.id;
    }

    void visitAll()
    {
        for (const auto& window : platform::topLevelWindows())
            visit(window);
    }
};

} // namespace

WindowHandle findMainWindow(pid_t pid)
{
    WindowVisitor visitor{pid, true, false, -1, 0};
    visitor.visitAll();
    LOG("Best handle: ", visitor.found);
    return visitor.found;
}

int findAppWindowsCount(pid_t pid)
{
    WindowVisitor visitor{pid, false, false, 0, 0};
    visitor.visitAll();
    LOG("Counter: ", visitor.counter);
    return visitor.counter;
}

int findVisibleAppWindowsCount(pid_t pid)
{
    WindowVisitor visitor{pid, false, true, 0, 0};
    visitor.visitAll();
    LOG("Counter: ", visitor.counter);
    return visitor.counter;
}

void bringWindowToFront(WindowHandle window)
{
    int error = 0;
    if (!platform::activateWindow(window, error))
        LOG("setforegroundwindow failed, error: ", error);
}

} // namespace helper
