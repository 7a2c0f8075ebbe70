#pragma once

#include "tools/trackercheck/TrackerCheck.h"

#include <ostream>

namespace tools {

// Connects to Pupil Capture at options.pupilAddress, prints its version, the
// publisher's port and the surface, then the rate of the gaze on the surface
// (from Pupil's own time stamps) and the share of it on the surface, measured
// over options.frames samples. Answers one of the TrackerCheckResult codes.
int runPupilCheck(const TrackerCheckOptions& options, std::ostream& out, std::ostream& err);

} // namespace tools
