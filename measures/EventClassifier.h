#pragma once

#include "common/ScreenGeometry.h"
#include "measures/EventParameters.h"
#include "measures/GazeEvent.h"
#include "measures/GazeSample.h"

#include <span>
#include <vector>

namespace measures {

// Splits one viewer's samples into fixations, saccades, pursuits and losses.
//
// samples: in recorded order; a sample whose time is not after the one before
// it is taken as lost. geometry turns positions into visual angles. The events
// come back in time order and cover every sample exactly once; silences
// longer than parameters.maxGapMs add a loss of their own. Work and memory grow
// with the number of samples only.
std::vector<GazeEvent> classifyEvents(const GazeColumns& samples, const ScreenGeometry& geometry,
                                      const EventParameters& parameters = {});
std::vector<GazeEvent> classifyEvents(std::span<const GazeSample> samples, const ScreenGeometry& geometry,
                                      const EventParameters& parameters = {});

} // namespace measures
