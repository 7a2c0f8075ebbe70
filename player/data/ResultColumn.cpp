#include "player/data/ResultColumn.h"

ResultColumn resultColumnFromHeader(std::string_view name)
{
    if (name == "time_ms")
        return ResultColumn::Time;
    if (name == "pos_x_1m_normalized")
        return ResultColumn::PosX;
    if (name == "pos_y_1m_normalized")
        return ResultColumn::PosY;
    if (name == "blink_bool")
        return ResultColumn::Blink;
    if (name == "pupil_diameter_100nm")
        return ResultColumn::Pupil;
    if (name == "interesting_point_value")
        return ResultColumn::InterestingPoint;
    return ResultColumn::Ignored;
}
