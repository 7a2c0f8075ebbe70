#include "player/data/TimeLineManager.h"

#include "common/Logger.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

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
    const int status = timeLine.load(path);
    if (status != TimeLine::Loaded) {
        LOG("TimeLine::load(\"", path.string(), "\") failed: ", status);
        timeLines_.pop_back();
        return status;
    }
    timeLine.smoothAndCountRuns(eventsNum, filterRadius);
    timeLine.markActions(actionRadiusMs);
    paths_.push_back(path);
    return 0;
}

void TimeLineManager::clear()
{
    paths_.clear();
    timeLines_.clear();
    pupilSeries_.clear();
    cursor_ = 0;
}

void TimeLineManager::calculateStats()
{
    if (timeLines_.empty()) {
        LOG("calculateStats on empty");
        return;
    }
    int maxTime = 0;
    for (const TimeLine& timeLine : timeLines_)
        maxTime = std::max(maxTime, timeLine.items().empty() ? -1 : timeLine.items().back().time);
    LOG("timeline maxTime: ", maxTime);

    pupilSeries_.clear();
    minDiameter_ = 1000000;
    maxDiameter_ = -1;
    maxDiameterTime_ = 0;
    smallestDeviation_ = 1000000;
    largestDeviation_ = -1;
    // The deviation at a step needs only that step's mean, so one pass over the
    // steps computes both.
    // Steps ascend, so a file whose times ascend is followed with a cursor instead
    // of a search per step; the item found is the same.
    std::vector<size_t> cursors(timeLines_.size(), 0);
    std::vector<char> ascending(timeLines_.size());
    for (size_t f = 0; f < timeLines_.size(); ++f) {
        const auto& items = timeLines_[f].items();
        ascending[f] =
            std::is_sorted(items.begin(), items.end(),
                           [](const TimeLineItem& a, const TimeLineItem& b) { return a.time < b.time; });
    }
    const auto pupilAt = [&](size_t f, int t) {
        const auto& items = timeLines_[f].items();
        if (!ascending[f] || items.empty())
            return timeLines_[f].itemAt(t).pupil;
        size_t& i = cursors[f];
        while (i < items.size() && items[i].time < t)
            ++i;
        return items[std::min(i, items.size() - 1)].pupil;
    };
    std::vector<int> pupils;
    pupils.reserve(timeLines_.size());
    for (std::int64_t step = 0; step < std::int64_t{maxTime} + statsStepMs; step += statsStepMs) {
        const int t = static_cast<int>(step);
        pupils.clear();
        std::int64_t sum = 0;
        for (size_t f = 0; f < timeLines_.size(); ++f) {
            const int pupil = pupilAt(f, t);
            if (pupil > 0) {
                pupils.push_back(pupil);
                sum += pupil;
            }
        }
        if (pupils.empty() || sum == 0)
            continue;
        const auto mean = static_cast<int>(sum / static_cast<std::int64_t>(pupils.size()));
        minDiameter_ = std::min(minDiameter_, mean);
        if (mean > maxDiameter_) {
            maxDiameter_ = mean;
            maxDiameterTime_ = t;
        }
        float squares = 0.0f;
        for (int pupil : pupils) {
            const auto difference = static_cast<float>(pupil - mean);
            squares += difference * difference;
        }
        const auto deviation = static_cast<int>(std::sqrt(squares / static_cast<float>(pupils.size())));
        smallestDeviation_ = std::min(smallestDeviation_, deviation);
        largestDeviation_ = std::max(largestDeviation_, deviation);
        pupilSeries_.push_back({t, mean, deviation});
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
    return timeLines_[cursor_++].itemAt(t);
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
    if (pupilSeries_.empty())
        return {};
    if (t < pupilSeries_.front().time)
        return pupilSeries_.front();
    if (t > pupilSeries_.back().time)
        return pupilSeries_.back();
    return *std::lower_bound(pupilSeries_.begin(), pupilSeries_.end(), t,
                             [](const PupilStep& step, int time) { return step.time < time; });
}

int TimeLineManager::countWithInterestingPoint(int to, int from) const
{
    int counted = 0;
    for (const TimeLine& timeLine : timeLines_) {
        const std::vector<TimeLineItem>& items = timeLine.items();
        if (items.empty() || items.back().time < from)
            continue;
        auto it = std::lower_bound(items.begin(), items.end(), from,
                                   [](const TimeLineItem& item, int time) { return item.time < time; });
        for (; it != items.end() && (to == -1 || it->time < to); ++it) {
            if (it->interestingPoint == 1) {
                ++counted;
                break;
            }
        }
    }
    return counted;
}
