#pragma once

#include <span>
#include <vector>

// The steady-run count of every sample p: the number of directly preceding
// samples q that are usable and whose smoothed position lies strictly within
// radius of p's own, counted backwards until the first that is not.
//
// Walking back sample by sample costs the length of the run for every sample, so a
// gaze that stands still makes it quadratic. The walk here skips whole aligned
// blocks of samples whose bounding box lies entirely inside the circle, which gives
// the same counts in logarithmic steps per sample while the gaze stays put.
std::vector<int> countSteadyRuns(std::span<const int> avgX, std::span<const int> avgY,
                                 std::span<const char> usable, int radius);
// The same into counts, of the same length as avgX.
void countSteadyRuns(std::span<const int> avgX, std::span<const int> avgY, std::span<const char> usable,
                     int radius, std::span<int> counts);
