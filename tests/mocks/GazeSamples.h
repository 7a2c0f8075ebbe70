#pragma once

#include "recorder/trackers/GazePoint.h"

// Samples as the trackers hand them to the controller.
namespace gaze_samples {

// The gaze seen at (x, y), nothing else known.
inline GazePoint tracked(float x = 100, float y = 100)
{
    GazePoint point;
    point.state = GazePoint::StateGazeTracked;
    point.avg = {x, y};
    return point;
}

// A sample with every value a results file keeps.
inline GazePoint sample(int time, int state, float x, float y, float leftPupil, float rightPupil,
                        int interestingPoint = 0)
{
    GazePoint point;
    point.time = time;
    point.state = state;
    point.avg = {x, y};
    point.lefteye.psize = leftPupil;
    point.righteye.psize = rightPupil;
    point.interestingPointValue = interestingPoint;
    return point;
}

} // namespace gaze_samples
