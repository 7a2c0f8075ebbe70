#pragma once

namespace measures {

// One recorded gaze sample as the measures read it: the movie time and the
// position in results-file units (1,000,000 = the full width or height of the
// screen, which the movie fills). A sample that is not usable (a blink, lost
// tracking) keeps its time only.
struct GazeSample
{
    int timeMs = 0;
    int x = 0;
    int y = 0;
    bool usable = false;
};

} // namespace measures
