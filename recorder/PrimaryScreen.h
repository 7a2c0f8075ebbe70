#pragma once

#include "recorder/trackers/TrackerScreen.h"

#include <QRect>
#include <optional>

// The primary screen, as the results need it.
namespace PrimaryScreen {

// Its size in pixels and millimetres; none when its size is unknown.
std::optional<TrackerScreen> display();
// Its available area, which results are normalised to; empty without a screen.
QRect workArea();

} // namespace PrimaryScreen
