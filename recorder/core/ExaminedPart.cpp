#include "recorder/core/ExaminedPart.h"

#include "common/Logger.h"

ExaminedPart ExaminedPart::of(const ExaminationInputs& inputs, qint64 durationMs)
{
    ExaminedPart examined;
    if (durationMs == 0) {
        LOG("Movie length unknown");
        return examined;
    }
    LOG("Movie length known");
    qint64 length = durationMs;
    examined.endMs = durationMs;
    if (inputs.partOfMovie) {
        bool startOk = false;
        bool endOk = false;
        examined.startMs = inputs.partStartText.toLongLong(&startOk, 10);
        examined.endMs = inputs.partEndText.toLongLong(&endOk, 10);
        LOG("movie start=", examined.startMs, ", movie end=", examined.endMs);
        if (!startOk || examined.startMs < 0 || examined.endMs < examined.startMs)
            examined.problem = Problem::start;
        else if (!endOk || examined.endMs > durationMs)
            examined.problem = Problem::end;
        length = examined.endMs - examined.startMs;
    }
    LOG("examination length: ", length);
    // A part that spans the whole movie is the whole movie.
    examined.part = length != durationMs;
    return examined;
}
