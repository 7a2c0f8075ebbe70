#include "common/PupilUnit.h"

namespace PupilUnit {

bool saysMillimetres(std::string_view line)
{
    const auto end = line.find_last_not_of(" \t\r");
    return end != std::string_view::npos && line.substr(0, end + 1) == millimetresLine;
}

const char* words(Unit unit)
{
    return unit == Unit::millimetres ? "mm" : "tracker units";
}

const char* keySuffix(Unit unit)
{
    return unit == Unit::millimetres ? "mm" : "tracker_units";
}

} // namespace PupilUnit
