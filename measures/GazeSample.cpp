#include "measures/GazeSample.h"

namespace measures {

GazeColumnStore::GazeColumnStore(std::span<const GazeSample> samples)
{
    timeMs_.reserve(samples.size());
    x_.reserve(samples.size());
    y_.reserve(samples.size());
    usable_.reserve(samples.size());
    for (const GazeSample& s : samples) {
        timeMs_.push_back(s.timeMs);
        x_.push_back(s.x);
        y_.push_back(s.y);
        usable_.push_back(s.usable ? 1 : 0);
    }
}

} // namespace measures
