#pragma once

#include "player/data/PupilStep.h"
#include "player/data/TimeLine.h"

#include <filesystem>
#include <functional>
#include <vector>

// Every results file loaded at one time, walked together at a movie time, with the
// pupil statistics of the whole set. Used from one thread; addAll() loads on
// helper threads of its own.
class TimeLineManager
{
public:
    TimeLineManager();
    ~TimeLineManager();
    TimeLineManager(const TimeLineManager&) = delete;
    TimeLineManager& operator=(const TimeLineManager&) = delete;

    // Loads the file and derives its values; returns 0 or the load status, in
    // which case nothing is kept.
    int add(const std::filesystem::path& path, int eventsNum, int filterRadius, int actionRadiusMs);

    // Called on the thread of addAll() after each file: files done, files in all.
    using Progress = std::function<void(size_t done, size_t total)>;

    // add() for every path, on as many threads as the machine has cores (or
    // `threads` when above 0); the files keep the order of paths. Returns the
    // status of every path.
    std::vector<int> addAll(const std::vector<std::filesystem::path>& paths, int eventsNum, int filterRadius,
                            int actionRadiusMs, const Progress& progress = {}, unsigned threads = 0);

    // Drops every file and the pupil series; the statistics values stay until the next calculateStats().
    void clear();

    // Pupil series and ranges over all files; call after the last add(). Large
    // sets are walked on as many threads as the machine has cores (or `threads`
    // when above 0); the result does not depend on how many.
    void calculateStats(unsigned threads = 0);

    // Overlay pass: rewind(), then getNextItem(t) while anyMore(); the n-th item
    // belongs to the n-th loaded file.
    void rewind();
    bool anyMore() const;
    TimeLineItem getNextItem(int t);

    // The heat map's overlay pass: visit(GazeSample) for the item at t of every
    // loaded file, in loading order, leaving out items whose blink is -1.
    template <typename Visit> void forEachGaze(int t, bool smoothed, Visit visit)
    {
        // The files lie apart in memory; asking for a later one's samples early
        // hides the wait for them.
        constexpr size_t ahead = 16;
        for (size_t f = 0; f < timeLines_.size(); ++f) {
            if (f + ahead < timeLines_.size())
                timeLines_[f + ahead].prefetch(hints_[f + ahead]);
            if (const auto gaze = timeLines_[f].gazeAt(t, hints_[f], smoothed))
                visit(*gaze);
        }
    }

    // Keypoint navigation, asked of the first loaded file only; -1 when none.
    int GetFirstPreviousActionTime(int t) const;
    int GetFirstNextActionTime(int t) const;

    // The first step at or after t, clamped to the series; all zero when empty.
    PupilStep pupilStepAt(int t) const;

    // The pupil series as runs of equal steps; it costs in proportion to the
    // samples, however far apart their times are.
    const std::vector<PupilRun>& pupilRuns() const { return pupilRuns_; }
    // Every step of the series, built anew.
    std::vector<PupilStep> pupilSeries() const;
    size_t pupilStepCount() const;

    // Files with an interesting point at or after from and before to (to = -1: to the end).
    int countWithInterestingPoint(int to, int from) const;

    const std::vector<std::filesystem::path>& paths() const { return paths_; }
    const std::vector<TimeLine>& timeLines() const { return timeLines_; }
    int minDiameter() const { return minDiameter_; }
    int maxDiameter() const { return maxDiameter_; }
    int maxDiameterTime() const { return maxDiameterTime_; }
    int smallestDeviation() const { return smallestDeviation_; }
    int largestDeviation() const { return largestDeviation_; }

    static constexpr int statsStepMs = 32;

private:
    // Walks the steps from `from` (a step time) while below `to`, appending the runs
    // of steps with a pupil; returns the step it stopped at. end: where the series ends.
    std::int64_t stepRuns(std::int64_t from, std::int64_t to, std::int64_t end,
                          const std::vector<std::vector<int>>& sortedTimes,
                          std::vector<PupilRun>& runs) const;

    std::vector<std::filesystem::path> paths_;
    std::vector<TimeLine> timeLines_;
    std::vector<size_t> hints_; // where getNextItem() found each file's item last
    size_t cursor_ = 0;
    int minDiameter_ = 1000000;
    int maxDiameter_ = -1;
    int smallestDeviation_ = 1000000;
    int largestDeviation_ = -1;
    int maxDiameterTime_ = 0;
    std::vector<PupilRun> pupilRuns_;
};
