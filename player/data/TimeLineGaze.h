#pragma once

#include "measures/GazeSample.h"

#include <cstdint>
#include <vector>

class TimeLine;

// A loaded results file as the measures read it: its time and position
// columns as they are, and a usable column (blink_bool above 0) made here and
// owned by the object. The TimeLine must outlive it and stay unchanged.
class TimeLineGaze
{
public:
    explicit TimeLineGaze(const TimeLine& timeLine);
    measures::GazeColumns columns() const;

private:
    const TimeLine& timeLine_;
    std::vector<std::uint8_t> usable_;
};
