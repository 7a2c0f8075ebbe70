#pragma once

#include "sim/eyetribe/GazePath.h"

#include <optional>
#include <string>

namespace sim {

// Where the Pupil Capture stand-in's viewer looks at each gaze tick. The path runs
// tick by tick until someone tells the movie's time (the notification
// "demo.movie_time" with its "time" in ms, which Pupil Capture itself ignores); from
// then on it plays in movie time, so a viewer made for the movie follows what it shows.
class PupilViewer
{
public:
    PupilViewer() = default;
    PupilViewer(GazePath path, int rate);

    // The subject of the notification that tells the movie's time.
    static constexpr const char* movieTimeSubject = "demo.movie_time";

    // The sample of the tick at the stand-in's time tick / rate.
    const GazeSample& at(long long tick) const;

    // Takes the movie time from a notification's msgpack payload, the stand-in being at
    // nowMs; false, and the clock left alone, when the payload holds no sensible time.
    bool tellMovieTime(const std::string& payload, double nowMs);

private:
    GazePath path_;
    int rate_ = 1;
    // Movie time minus the stand-in's time, once told.
    std::optional<double> movieOffsetMs_;
};

} // namespace sim
