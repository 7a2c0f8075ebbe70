#include "recorder/trackers/ExaminationStatistics.h"

#include <QCoreApplication>
#include <algorithm>

ExaminationStatistics computeExaminationStatistics(const std::vector<GazePoint>& points)
{
    ExaminationStatistics stats;
    if (points.empty())
        return stats;
    const GazePoint& first = points.front();
    const GazePoint& last = points.back();
    const auto n = static_cast<double>(points.size());
    stats.realFps = n * 1000.0 / static_cast<double>(int64_t(last.time) - first.time);

    int64_t invalid = 0;
    int64_t lastValidTime = first.time;
    bool previousValid = true;
    for (size_t i = 0; i < points.size(); ++i) {
        const GazePoint& p = points[i];
        if (p.isValid()) {
            if (!previousValid)
                stats.longestValidGapMs = std::max(stats.longestValidGapMs, p.time - lastValidTime);
            lastValidTime = p.time;
            previousValid = true;
        } else {
            ++invalid;
            previousValid = false;
        }
        if (i >= 1)
            stats.longestGapMs = std::max(stats.longestGapMs, int64_t(p.time) - points[i - 1].time);
    }
    if (!last.isValid())
        stats.longestValidGapMs = std::max(stats.longestValidGapMs, last.time - lastValidTime);
    stats.invalidPercent = static_cast<double>(invalid) * 100.0 / n;
    return stats;
}

QString examinationStatisticsMessage(const ExaminationStatistics& stats, bool finishedWithError)
{
    const QString opening =
        finishedWithError ? QCoreApplication::translate("EyeTrackerController",
                                                        "Examination wasn't finished in conventional way.\n")
                          : QCoreApplication::translate("EyeTrackerController",
                                                        "Examination was finished in conventional way.\n");
    const QString body = QCoreApplication::translate(
                             "EyeTrackerController",
                             "Invalid samples percentage %1\nReal FPS: %2\nLongest gap between samples: %3 "
                             "ms\nLongest gap between valid samples %4 ms\nSave examination results?")
                             .arg(stats.invalidPercent, 0, 'g', 6)
                             .arg(stats.realFps, 0, 'g', 6)
                             .arg(stats.longestGapMs)
                             .arg(stats.longestValidGapMs);
    return opening + body;
}
