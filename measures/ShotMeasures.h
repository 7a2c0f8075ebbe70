#pragma once

#include "measures/GazeEvent.h"

#include <cstddef>
#include <span>
#include <vector>

namespace measures {

// One viewer's eye movements within one shot, as sums that add up over viewers.
struct ShotEventSums
{
    std::size_t fixations = 0; // fixations that start in the shot
    double fixationMs = 0;     // their durations
    std::size_t saccades = 0;  // saccades that start in the shot
    double saccadeAmplitudeDeg = 0;
    double eventMs = 0;   // time covered by events of any kind within the shot
    double pursuitMs = 0; // ... of it by pursuits
    double lossMs = 0;    // ... of it by losses

    double meanFixationMs() const;          // 0 without fixations
    double meanSaccadeAmplitudeDeg() const; // 0 without saccades
    double pursuitShare() const;            // of the event time in the shot, 0 without any
    double lossShare() const;

    ShotEventSums& operator+=(const ShotEventSums& other);
};

// Sums per shot for one viewer's events (in time order, as classifyEvents
// gives them). shotStartsMs ascend; a shot runs to the next start, the last one
// to the end. Each event's time (startMs plus durationMs) is split between the
// shots it spans; counts and means go to the shot the event starts in. Events
// before the first shot count nowhere. Costs events plus shots.
std::vector<ShotEventSums> eventSumsPerShot(std::span<const GazeEvent> events,
                                            std::span<const int> shotStartsMs);

} // namespace measures
