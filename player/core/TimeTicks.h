#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// The marks of movie time along the position slider: ticks at a round step of
// time (1 s, 2 s, 5 s, 10 s, ... 1 h, 2 h, ...), the smallest step at which the
// time labels stand apart, each labelled "m:ss", or "h:mm:ss" in a movie of an
// hour or more. A label that would still touch the one before it (near the
// ends, where labels are kept inside the slider) is left empty.
struct TimeTick
{
    std::int64_t timeMs = 0;
    double x = 0.0; // pixels from the start of the span
    QString label;  // empty: a tick without a label
    double labelLeft = 0.0;
};

// span: the slider's pixels from the time 0 to totalMs; textWidth measures a
// label in pixels; gap: the least room between two labels. No ticks without a
// duration or a span.
std::vector<TimeTick> timeTicks(std::int64_t totalMs, int span,
                                const std::function<int(const QString&)>& textWidth, int gap);

// The label of a time in a movie of totalMs.
QString tickLabel(std::int64_t timeMs, std::int64_t totalMs);
