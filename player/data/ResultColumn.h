#pragma once

#include <string_view>

// Kind of a results-file column, chosen by its exact header name.
enum class ResultColumn : int
{
    Ignored = -1,
    Time = 0,             // "time_ms"
    PosX = 1,             // "pos_x_1m_normalized"
    PosY = 2,             // "pos_y_1m_normalized"
    Blink = 3,            // "blink_bool"
    Pupil = 4,            // "pupil_diameter_100nm"
    InterestingPoint = 5, // "interesting_point_value"
};

// Case-sensitive and untrimmed: "Time_ms" or " time_ms" are Ignored.
ResultColumn resultColumnFromHeader(std::string_view name);
