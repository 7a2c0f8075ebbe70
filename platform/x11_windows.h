#pragma once

#include <sys/types.h>
#include <vector>

// The top-level windows of other programs on the X display named by DISPLAY.
// Without a display (or when it cannot be opened) no window exists.
namespace platform {

using WindowId = unsigned long; // 0: no window

struct TopLevelWindow
{
    WindowId id = 0;
    pid_t pid = 0;        // from _NET_WM_PID
    WindowId owner = 0;   // from WM_TRANSIENT_FOR
    bool visible = false; // mapped and viewable
};

// Every top-level client window that names its process, in stacking order from
// the bottom. Windows inside a window manager's frames count as top-level.
std::vector<TopLevelWindow> topLevelWindows();

// Asks the window manager through _NET_ACTIVE_WINDOW to activate the window and,
// when no window manager runs, raises and focuses it directly. False with the X
// error code (or -1 without a display) when that fails.
bool activateWindow(WindowId window, int& errorCode);

} // namespace platform
