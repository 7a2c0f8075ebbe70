#pragma once

#include "platform/x11_windows.h"

#include <sys/types.h>

// Switching between the recorder's window and the windows of the programs it
// supervises (the calibration program).
namespace helper {

using WindowHandle = platform::WindowId; // 0: none

// The first visible window of the process that has no owner, or a later window of
// the process when it has more; 0 when it shows none.
WindowHandle findMainWindow(pid_t pid);

// Every top-level window of the process: owned and invisible ones too.
int findAppWindowsCount(pid_t pid);

// Only the mapped ones.
int findVisibleAppWindowsCount(pid_t pid);

void bringWindowToFront(WindowHandle window);

} // namespace helper
