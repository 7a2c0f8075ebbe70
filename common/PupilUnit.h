#pragma once

#include <string_view>

// What a results file's pupil column measures. By default the tracker's own units, which
// are no length; a file whose pupil is a diameter in millimetres (an eye model's, such as
// Pupil Core's 3d detector gives) says so in a comment line of its header:
//   #Pupil: diameter_3d mm
// which readers that do not need it skip like every other "#" line.
namespace PupilUnit {

enum class Unit
{
    trackerUnits,
    millimetres,
};

// The line, "#" included, without a line end.
inline constexpr std::string_view millimetresLine = "#Pupil: diameter_3d mm";

// True for that line, also with a CR or spaces after it.
bool saysMillimetres(std::string_view line);

// The unit of several files' pupils together: millimetres only when every one says so.
template <typename TimeLines> Unit commonUnit(const TimeLines& timeLines)
{
    bool any = false;
    for (const auto& timeLine : timeLines) {
        if (timeLine.pupilUnit() != Unit::millimetres)
            return Unit::trackerUnits;
        any = true;
    }
    return any ? Unit::millimetres : Unit::trackerUnits;
}

// The unit in words for texts and labels: "tracker units" or "mm".
const char* words(Unit unit);
// The unit as the end of a report's key: "tracker_units" or "mm".
const char* keySuffix(Unit unit);

} // namespace PupilUnit
