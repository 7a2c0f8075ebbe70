#pragma once

#include "common/ScreenGeometry.h"

// The display a tracker maps gaze onto, as the tracker reports it.
struct TrackerScreen
{
    int widthPx = 0;
    int heightPx = 0;
    int widthMm = 0;
    int heightMm = 0;

    bool operator==(const TrackerScreen&) const = default;

    // Every size known and within what a results file can name.
    bool isComplete() const
    {
        for (const int size : {widthPx, heightPx, widthMm, heightMm})
            if (size < 1 || size > ScreenGeometry::maxDimension)
                return false;
        return true;
    }
};
