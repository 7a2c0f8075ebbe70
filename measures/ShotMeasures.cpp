#include "measures/ShotMeasures.h"

#include <algorithm>

namespace measures {

double ShotEventSums::meanFixationMs() const
{
    return fixations ? fixationMs / static_cast<double>(fixations) : 0.0;
}

double ShotEventSums::meanSaccadeAmplitudeDeg() const
{
    return saccades ? saccadeAmplitudeDeg / static_cast<double>(saccades) : 0.0;
}

double ShotEventSums::pursuitShare() const
{
    return eventMs > 0 ? pursuitMs / eventMs : 0.0;
}

double ShotEventSums::lossShare() const
{
    return eventMs > 0 ? lossMs / eventMs : 0.0;
}

ShotEventSums& ShotEventSums::operator+=(const ShotEventSums& other)
{
    fixations += other.fixations;
    fixationMs += other.fixationMs;
    saccades += other.saccades;
    saccadeAmplitudeDeg += other.saccadeAmplitudeDeg;
    eventMs += other.eventMs;
    pursuitMs += other.pursuitMs;
    lossMs += other.lossMs;
    return *this;
}

std::vector<ShotEventSums> eventSumsPerShot(std::span<const GazeEvent> events,
                                            std::span<const int> shotStartsMs)
{
    std::vector<ShotEventSums> sums(shotStartsMs.size());
    if (shotStartsMs.empty())
        return sums;
    std::size_t shot = 0;
    for (const GazeEvent& event : events) {
        const long long start = event.startMs;
        const long long end = start + event.durationMs;
        // Events come in time order, so the shot of their start only moves on.
        while (shot + 1 < shotStartsMs.size() && shotStartsMs[shot + 1] <= start)
            ++shot;
        if (start >= shotStartsMs[0]) {
            ShotEventSums& own = sums[shot];
            if (event.type == EventType::Fixation) {
                ++own.fixations;
                own.fixationMs += event.durationMs;
            } else if (event.type == EventType::Saccade) {
                ++own.saccades;
                own.saccadeAmplitudeDeg += event.amplitudeDeg;
            }
        }
        // Its time, split over the shots it spans.
        for (std::size_t s = start >= shotStartsMs[0] ? shot : 0; s < shotStartsMs.size(); ++s) {
            const long long from = std::max<long long>(start, shotStartsMs[s]);
            const long long to =
                s + 1 < shotStartsMs.size() ? std::min<long long>(end, shotStartsMs[s + 1]) : end;
            if (from >= end)
                break;
            if (to <= from)
                continue;
            const auto span = static_cast<double>(to - from);
            sums[s].eventMs += span;
            if (event.type == EventType::Pursuit)
                sums[s].pursuitMs += span;
            else if (event.type == EventType::Loss)
                sums[s].lossMs += span;
        }
    }
    return sums;
}

} // namespace measures
