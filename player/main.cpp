#include "player/Gazeview.h"
#include "player/core/AppCtrl.h"

#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace {

// Printing the help needs no window, but the Qt application aborts when no display
// platform is reachable (a terminal over ssh, a package check in a chroot).
bool helpWithoutDisplay(int argc, char** argv)
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return false;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (helpWithoutDisplay(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    AppCtrl app;
    return runGazeview(app, QApplication::arguments(), QApplication::applicationFilePath(), std::cout);
}
