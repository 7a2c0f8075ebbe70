#pragma once

#include "common/ScreenGeometry.h"
#include "measures/GazeEvent.h"
#include "measures/GazeSample.h"

#include <vector>

namespace measures_test {

struct LabelledGaze
{
    std::vector<measures::GazeSample> samples;
    std::vector<measures::EventType> truth; // one per sample
};

struct ViewerShape
{
    double rateHz = 60;
    double noiseDeg = 0.5; // root mean square distance of a sample from the true gaze
    int durationMs = 60000;
    double pursuitShare = 0.3; // chance that a saccade lands on a moving target
    double blinkShare = 0.08;  // chance of a blink after a fixation
};

// A viewer watching a film: fixations of 150-600 ms, saccades of 1-20 degrees
// along the main sequence, pursuits of 2-20 deg/s lasting 0.3-1.2 s, blinks of
// 80-250 ms, Gaussian noise. A sample is labelled saccade when the movement
// since the sample before crosses a saccade, since at low rates a saccade often
// falls entirely between two samples.
LabelledGaze synthesiseViewer(unsigned seed, const ViewerShape& shape, const ScreenGeometry& geometry);

// Results-file units of an angular position (the inverse of horizontalDeg and verticalDeg).
int unitsX(const ScreenGeometry& geometry, double deg);
int unitsY(const ScreenGeometry& geometry, double deg);

} // namespace measures_test
