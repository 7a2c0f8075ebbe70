#include "player/data/TimeLineManager.h"

#include "common/Logger.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <thread>

TimeLineManager::TimeLineManager()
{
    LOG("TimeLineManager started");
}

TimeLineManager::~TimeLineManager()
{
    LOG("TimeLineManager stopped");
}

int TimeLineManager::add(const std::filesystem::path& path, int eventsNum, int filterRadius,
                         int actionRadiusMs)
{
    TimeLine& timeLine = timeLines_.emplace_back();
    int status = timeLine.load(path);
    if (status == TimeLine::Loaded) {
        try {
            timeLine.smoothAndCountRuns(eventsNum, filterRadius);
            timeLine.markActions(actionRadiusMs);
        } catch (const std::bad_alloc&) {
            status = TimeLine::TooLarge;
        }
    }
    if (status != TimeLine::Loaded) {
        LOG("TimeLine::load(\"", path.string(), "\") failed: ", status);
        timeLines_.pop_back();
        return status;
    }
    hints_.push_back(0);
    paths_.push_back(path);
    return 0;
}

void TimeLineManager::clear()
{
    paths_.clear();
    timeLines_.clear();
    hints_.clear();
    pupilRuns_.clear();
    cursor_ = 0;
}

std::vector<int> TimeLineManager::addAll(const std::vector<std::filesystem::path>& paths, int eventsNum,
                                         int filterRadius, int actionRadiusMs, const Progress& progress,
                                         unsigned threads)
{
    const size_t total = paths.size();
    std::vector<TimeLine> loaded(total);
    std::vector<int> statuses(total, TimeLine::Loaded);
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    size_t done = 0;
    // Largest files first, so that no thread is left with a long one at the end.
    std::vector<size_t> order(total);
    std::vector<std::uintmax_t> sizes(total, 0);
    for (size_t i = 0; i < total; ++i) {
        order[i] = i;
        std::error_code error;
        if (const std::uintmax_t size = std::filesystem::file_size(paths[i], error); !error)
            sizes[i] = size;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&sizes](size_t a, size_t b) { return sizes[a] > sizes[b]; });
    const auto work = [&] {
        for (size_t n; (n = next.fetch_add(1)) < total;) {
            const size_t i = order[n];
            TimeLine& timeLine = loaded[i];
            int status = timeLine.load(paths[i]);
            if (status == TimeLine::Loaded) {
                try {
                    timeLine.smoothAndCountRuns(eventsNum, filterRadius);
                    timeLine.markActions(actionRadiusMs);
                } catch (const std::bad_alloc&) {
                    status = TimeLine::TooLarge;
                }
            }
            if (status != TimeLine::Loaded)
                timeLine = TimeLine();
            statuses[i] = status;
            const std::lock_guard lock(mutex);
            ++done;
            finished.notify_one();
        }
    };
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> workers;
    for (unsigned w = 0; w < std::min<size_t>(threads, total); ++w)
        workers.emplace_back(work);
    for (size_t reported = 0; reported < total;) {
        {
            std::unique_lock lock(mutex);
            finished.wait(lock, [&] { return done > reported; });
            reported = done;
        }
        if (progress)
            progress(reported, total);
    }
    for (std::thread& worker : workers)
        worker.join();

    for (size_t i = 0; i < total; ++i) {
        if (statuses[i] != TimeLine::Loaded) {
            LOG("TimeLine::load(\"", paths[i].string(), "\") failed: ", statuses[i]);
            continue;
        }
        timeLines_.push_back(std::move(loaded[i]));
        hints_.push_back(0);
        paths_.push_back(paths[i]);
    }
    return statuses;
}

std::int64_t TimeLineManager::stepRuns(std::int64_t from, std::int64_t to, std::int64_t end,
                                       const std::vector<std::vector<int>>& sortedTimes,
                                       std::vector<PupilRun>& runs) const
{
    // A file's item at t changes only where t passes one of its sample times, so
    // the steps in between share every value and are computed once. Steps ascend,
    // so a file whose times ascend is followed with a cursor instead of a search.
    const size_t files = timeLines_.size();
    std::vector<size_t> cursors(files, 0);
    for (size_t f = 0; f < files; ++f)
        if (timeLines_[f].timesAscend())
            cursors[f] = timeLines_[f].firstIndexAtOrAfter(static_cast<int>(from));
    std::vector<int> pupils;
    pupils.reserve(files);
    std::int64_t step = from;
    while (step < to) {
        const int t = static_cast<int>(step);
        std::int64_t change = end;
        pupils.clear();
        std::int64_t sum = 0;
        for (size_t f = 0; f < files; ++f) {
            const TimeLine& timeLine = timeLines_[f];
            if (timeLine.empty())
                continue;
            int pupil = 0;
            if (timeLine.timesAscend()) {
                size_t& i = cursors[f];
                // A step passes a sample or two at the usual rates: the first few
                // moves are made without a branch to guess.
                if (i + 4 <= timeLine.size()) {
                    i += timeLine.timeAt(i) < t ? 1 : 0;
                    i += timeLine.timeAt(i) < t ? 1 : 0;
                    i += timeLine.timeAt(i) < t ? 1 : 0;
                }
                while (i < timeLine.size() && timeLine.timeAt(i) < t)
                    ++i;
                // A hundred files walked side by side are more streams than the
                // memory's own look-ahead follows.
                timeLine.prefetchTimeAndPupil(i + 64);
                pupil = timeLine.pupilAt(std::min(i, timeLine.size() - 1));
                if (i < timeLine.size())
                    change = std::min(change, std::int64_t{timeLine.timeAt(i)} + 1);
            } else {
                // Every comparison the search makes is with a sample time s, and
                // flips only between s - 1 and s or between s and s + 1.
                pupil = timeLine.itemAt(t).pupil;
                const std::vector<int>& times = sortedTimes[f];
                if (std::binary_search(times.begin(), times.end(), t))
                    change = std::min(change, std::int64_t{t} + 1);
                else if (const auto later = std::upper_bound(times.begin(), times.end(), t);
                         later != times.end())
                    change = std::min<std::int64_t>(change, *later);
            }
            if (pupil > 0) {
                pupils.push_back(pupil);
                sum += pupil;
            }
        }
        const auto steps =
            static_cast<int>(std::max<std::int64_t>(1, (change - step + statsStepMs - 1) / statsStepMs));
        step += std::int64_t{steps} * statsStepMs;
        if (pupils.empty() || sum == 0)
            continue;
        const auto mean = static_cast<int>(sum / static_cast<std::int64_t>(pupils.size()));
        float squares = 0.0f;
        for (int pupil : pupils) {
            const auto difference = static_cast<float>(pupil - mean);
            squares += difference * difference;
        }
        const auto deviation = static_cast<int>(std::sqrt(squares / static_cast<float>(pupils.size())));
        runs.push_back({{t, mean, deviation}, steps});
    }
    return step;
}

void TimeLineManager::calculateStats(unsigned threads)
{
    if (timeLines_.empty()) {
        LOG("calculateStats on empty");
        return;
    }
    int maxTime = 0;
    size_t samples = 0;
    for (const TimeLine& timeLine : timeLines_) {
        maxTime = std::max(maxTime, timeLine.empty() ? -1 : timeLine.timeAt(timeLine.size() - 1));
        samples += timeLine.size();
    }
    LOG("timeline maxTime: ", maxTime);

    pupilRuns_.clear();
    minDiameter_ = 1000000;
    maxDiameter_ = -1;
    maxDiameterTime_ = 0;
    smallestDeviation_ = 1000000;
    largestDeviation_ = -1;

    const size_t files = timeLines_.size();
    std::vector<std::vector<int>> sortedTimes(files);
    for (size_t f = 0; f < files; ++f) {
        const TimeLine& timeLine = timeLines_[f];
        if (timeLine.timesAscend())
            continue;
        for (size_t i = 0; i < timeLine.size(); ++i)
            sortedTimes[f].push_back(timeLine.timeAt(i));
        std::sort(sortedTimes[f].begin(), sortedTimes[f].end());
    }
    // Step times are ints: the walk ends before they would wrap round to negative ones.
    const std::int64_t end = std::min<std::int64_t>(std::int64_t{maxTime} + statsStepMs, INT_MAX);

    // Spans of time are walked on threads of their own. Where a span starts is
    // where the walk of the whole would have stepped only when the span before
    // ends there; otherwise the span's first run lies inside the last run of the
    // one before and is left out. From its second step on a span steps as the
    // whole walk does, since where the next step lies depends only on the step.
    if (threads == 0)
        threads = samples < 1000000 ? 1 : std::max(1u, std::thread::hardware_concurrency());
    const std::int64_t totalSteps = (end + statsStepMs - 1) / statsStepMs;
    const auto spans =
        static_cast<size_t>(std::max<std::int64_t>(1, std::min<std::int64_t>(threads, totalSteps)));
    std::vector<std::vector<PupilRun>> spanRuns(spans);
    std::vector<std::int64_t> spanEnds(spans);
    const auto spanStart = [&](size_t k) {
        return totalSteps * static_cast<std::int64_t>(k) / static_cast<std::int64_t>(spans) * statsStepMs;
    };
    const auto walk = [&](size_t k) {
        spanEnds[k] =
            stepRuns(spanStart(k), k + 1 < spans ? spanStart(k + 1) : end, end, sortedTimes, spanRuns[k]);
    };
    std::vector<std::thread> workers;
    for (size_t k = 1; k < spans; ++k)
        workers.emplace_back(walk, k);
    walk(0);
    for (std::thread& worker : workers)
        worker.join();
    std::int64_t reached = 0;
    for (size_t k = 0; k < spans; ++k) {
        for (const PupilRun& run : spanRuns[k])
            if (run.first.time >= reached)
                pupilRuns_.push_back(run);
        reached = std::max(reached, spanEnds[k]);
        spanRuns[k] = {};
    }

    for (const PupilRun& run : pupilRuns_) {
        minDiameter_ = std::min(minDiameter_, run.first.mean);
        if (run.first.mean > maxDiameter_) {
            maxDiameter_ = run.first.mean;
            maxDiameterTime_ = run.first.time;
        }
        smallestDeviation_ = std::min(smallestDeviation_, run.first.deviation);
        largestDeviation_ = std::max(largestDeviation_, run.first.deviation);
    }
    LOG("minDiameter: ", minDiameter_, ", maxDiameter: ", maxDiameter_,
        ", maxDiameterTime: ", maxDiameterTime_);
    // The overlay divides by the spread of the deviations.
    if (smallestDeviation_ == largestDeviation_)
        largestDeviation_ = smallestDeviation_ + 1;
}

void TimeLineManager::rewind()
{
    cursor_ = 0;
}

bool TimeLineManager::anyMore() const
{
    if (timeLines_.empty()) {
        LOG("TimeLineManager asked when it was empty");
        return false;
    }
    return cursor_ < timeLines_.size();
}

TimeLineItem TimeLineManager::getNextItem(int t)
{
    if (timeLines_.empty()) {
        LOG("TimeLineManager asked when it was empty");
        return {};
    }
    if (cursor_ >= timeLines_.size())
        return {};
    const size_t file = cursor_++;
    return timeLines_[file].itemAt(t, hints_[file]);
}

int TimeLineManager::GetFirstPreviousActionTime(int t) const
{
    if (timeLines_.empty()) {
        LOG("TimeLineManager asked when it was empty");
        return -1;
    }
    return timeLines_.front().previousActionTime(t);
}

int TimeLineManager::GetFirstNextActionTime(int t) const
{
    if (timeLines_.empty()) {
        LOG("TimeLineManager asked when it was empty");
        return -1;
    }
    return timeLines_.front().nextActionTime(t);
}

PupilStep TimeLineManager::pupilStepAt(int t) const
{
    if (pupilRuns_.empty())
        return {};
    const auto lastStepOf = [](const PupilRun& run) {
        return std::int64_t{run.first.time} + std::int64_t{run.steps - 1} * statsStepMs;
    };
    if (t < pupilRuns_.front().first.time)
        return pupilRuns_.front().first;
    if (t > lastStepOf(pupilRuns_.back())) {
        PupilStep last = pupilRuns_.back().first;
        last.time = static_cast<int>(lastStepOf(pupilRuns_.back()));
        return last;
    }
    const PupilRun& run =
        *std::lower_bound(pupilRuns_.begin(), pupilRuns_.end(), t,
                          [&](const PupilRun& r, int time) { return lastStepOf(r) < time; });
    PupilStep step = run.first;
    if (t > step.time)
        step.time +=
            static_cast<int>((std::int64_t{t} - step.time + statsStepMs - 1) / statsStepMs * statsStepMs);
    return step;
}

std::vector<PupilStep> TimeLineManager::pupilSeries() const
{
    std::vector<PupilStep> series;
    series.reserve(pupilStepCount());
    for (const PupilRun& run : pupilRuns_)
        for (int k = 0; k < run.steps; ++k)
            series.push_back({run.first.time + k * statsStepMs, run.first.mean, run.first.deviation});
    return series;
}

size_t TimeLineManager::pupilStepCount() const
{
    size_t count = 0;
    for (const PupilRun& run : pupilRuns_)
        count += static_cast<size_t>(run.steps);
    return count;
}

int TimeLineManager::countWithInterestingPoint(int to, int from) const
{
    int counted = 0;
    for (const TimeLine& timeLine : timeLines_) {
        if (timeLine.empty() || timeLine.timeAt(timeLine.size() - 1) < from)
            continue;
        for (size_t i = timeLine.firstIndexAtOrAfter(from);
             i < timeLine.size() && (to == -1 || timeLine.timeAt(i) < to); ++i) {
            if (timeLine.interestingAt(i)) {
                ++counted;
                break;
            }
        }
    }
    return counted;
}
