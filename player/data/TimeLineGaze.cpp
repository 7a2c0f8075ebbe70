#include "player/data/TimeLineGaze.h"

#include "player/data/TimeLine.h"

TimeLineGaze::TimeLineGaze(const TimeLine& timeLine) : timeLine_(timeLine), usable_(timeLine.size())
{
    for (std::size_t i = 0; i < usable_.size(); ++i)
        usable_[i] = timeLine.blinkAt(i) > 0 ? 1 : 0;
}

measures::GazeColumns TimeLineGaze::columns() const
{
    return {timeLine_.times(), timeLine_.xs(), timeLine_.ys(), usable_};
}
