#pragma once

#include "recorder/core/ExaminationInputs.h"

#include <QtGlobal>

// The part of the movie an examination shows: the whole movie, or the part the
// operator typed (in milliseconds), checked against the movie's length.
struct ExaminedPart
{
    enum class Problem
    {
        none = 0,
        start, // not a number, below 0 or after the end
        end,   // not a number or past the movie's end
    };

    // Both 0 when the movie's length is unknown.
    qint64 startMs = 0;
    qint64 endMs = 0;
    // The player is told the part: it is not the whole movie.
    bool part = false;
    Problem problem = Problem::none;

    // durationMs 0: the movie's length is unknown, and the whole movie is shown.
    static ExaminedPart of(const ExaminationInputs& inputs, qint64 durationMs);
};
