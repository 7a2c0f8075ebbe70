#pragma once

#include "player/data/TimeLineItem.h"

#include <vector>

// Sets stillCount of every item: the number of directly preceding items q with
// blink > 0 whose smoothed position lies strictly within radius of the item's own,
// counted backwards until the first that does not.
//
// Walking back sample by sample costs the length of the run for every sample, so a
// gaze that stands still makes it quadratic. The walk here skips whole aligned
// blocks of samples whose bounding box lies entirely inside the circle, which gives
// the same counts in logarithmic steps per sample while the gaze stays put.
void countSteadyRuns(std::vector<TimeLineItem>& items, int radius);
