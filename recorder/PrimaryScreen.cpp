#include "recorder/PrimaryScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace PrimaryScreen {

std::optional<TrackerScreen> display()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    const TrackerScreen display{screen->geometry().width(), screen->geometry().height(),
                                static_cast<int>(std::lround(screen->physicalSize().width())),
                                static_cast<int>(std::lround(screen->physicalSize().height()))};
    if (!display.isComplete())
        return std::nullopt;
    return display;
}

QRect workArea()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->availableGeometry() : QRect();
}

} // namespace PrimaryScreen
