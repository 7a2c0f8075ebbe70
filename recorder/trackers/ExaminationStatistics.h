#pragma once

#include "recorder/trackers/GazePoint.h"

#include <QString>
#include <cstdint>
#include <vector>

// The quality report of a recording, shown to the operator before saving.
struct ExaminationStatistics
{
    double invalidPercent = 0;
    double realFps = 0;            // samples per second over the recorded span; inf for one sample
    int64_t longestGapMs = 0;      // between consecutive samples
    int64_t longestValidGapMs = 0; // from a valid sample over invalid ones to the next valid one or the end
};

// Expects a non-empty list in increasing time order.
ExaminationStatistics computeExaminationStatistics(const std::vector<GazePoint>& points);

// The text of the "Examination statistics" question.
QString examinationStatisticsMessage(const ExaminationStatistics& stats, bool finishedWithError);
