#include "player/data/TimeLine.h"

#include "common/Logger.h"
#include "player/data/SteadyRuns.h"
#include "player/data/TextFields.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::string_view movieComment = "#Movie path: ";

} // namespace

int TimeLine::load(const std::filesystem::path& path)
{
    path_ = path;
    items_.clear();
    std::string content;
    if (!text_fields::readWholeFile(path, content))
        return CannotOpen;
    LOG("TimeLine file '", path.string(), "' load");
    return loadText(content);
}

int TimeLine::loadText(std::string_view text)
{
    items_.clear();
    columns_.clear();
    movieName_.clear();

    std::string_view line;
    std::vector<std::string_view> fields;
    switch (text_fields::readHeader(text, columns_, resultColumnFromHeader, ResultColumn::Ignored)) {
    case text_fields::HeaderResult::Missing:
        return NoHeader;
    case text_fields::HeaderResult::Duplicate:
        return DuplicateColumn;
    case text_fields::HeaderResult::Read:
        break;
    }
    if (columns_.size() < 5)
        return TooFewColumns + static_cast<int>(columns_.size()) - 1;

    items_.reserve(text.size() / 32);
    while (text_fields::nextLine(text, line)) {
        if (line.empty())
            continue;
        if (line.front() == '#') {
            if (line.starts_with(movieComment)) {
                const std::string_view moviePath = line.substr(movieComment.size());
                const size_t slash = moviePath.rfind('/');
                movieName_ = slash == std::string_view::npos ? moviePath : moviePath.substr(slash + 1);
            }
            continue;
        }
        TimeLineItem item;
        text_fields::split(line, fields);
        const size_t count = std::min(fields.size(), columns_.size());
        for (size_t k = 0; k < count; ++k) {
            const ResultColumn kind = columns_[k];
            if (kind == ResultColumn::Ignored)
                continue;
            const int value = text_fields::toInt(fields[k]);
            switch (kind) {
            case ResultColumn::Time:
                if (value < 0)
                    return NegativeTime;
                item.time = value;
                break;
            case ResultColumn::PosX:
                item.x = value;
                break;
            case ResultColumn::PosY:
                item.y = value;
                break;
            case ResultColumn::Blink:
                item.blink = value;
                break;
            case ResultColumn::Pupil:
                if (value < -1)
                    return PupilBelowMinusOne;
                item.pupil = value == -1 ? 0 : value;
                break;
            case ResultColumn::InterestingPoint:
                item.interestingPoint = std::clamp(value, 0, 1);
                break;
            case ResultColumn::Ignored:
                break;
            }
        }
        items_.push_back(item);
    }
    return Loaded;
}

void TimeLine::smoothAndCountRuns(int eventsNum, int filterRadius)
{
    // The window of item k is k-n+1..k over the values as loaded; a running sum
    // gives the same averages as summing each window anew.
    const size_t window = eventsNum > 0 ? static_cast<size_t>(eventsNum) : 0;
    std::vector<char> usable(items_.size());
    for (size_t k = 0; k < items_.size(); ++k)
        usable[k] = items_[k].blink > 0;
    std::int64_t sumX = 0;
    std::int64_t sumY = 0;
    std::int64_t count = 0;
    for (size_t k = 0; k < items_.size(); ++k) {
        if (usable[k]) {
            sumX += items_[k].x;
            sumY += items_[k].y;
            ++count;
        }
        if (k >= window && usable[k - window]) {
            sumX -= items_[k - window].x;
            sumY -= items_[k - window].y;
            --count;
        }
        TimeLineItem& item = items_[k];
        if (count > 0) {
            item.avgX = static_cast<int>(sumX / count);
            item.avgY = static_cast<int>(sumY / count);
        } else {
            item.avgX = -1;
            item.avgY = -1;
            item.blink = -1;
        }
    }

    countSteadyRuns(items_, filterRadius);

    minPupil_ = 1000000;
    maxPupil_ = -1;
    for (const TimeLineItem& item : items_) {
        if (item.pupil >= 1) {
            minPupil_ = std::min(minPupil_, item.pupil);
            maxPupil_ = std::max(maxPupil_, item.pupil);
        }
    }
}

void TimeLine::markActions(int actionRadiusMs)
{
    const std::int64_t radius = actionRadiusMs;
    const size_t n = items_.size();
    for (TimeLineItem& item : items_)
        item.nearAction = 0;
    const bool ascending =
        std::is_sorted(items_.begin(), items_.end(),
                       [](const TimeLineItem& a, const TimeLineItem& b) { return a.time < b.time; });
    if (ascending) {
        // With ascending times the walk from an interesting point reaches an item
        // exactly when the nearest interesting point on that side is close enough,
        // so one pass each way marks the same items as walking from every point.
        std::int64_t previous = 0;
        bool havePrevious = false;
        for (TimeLineItem& item : items_) {
            if (item.interestingPoint == 1) {
                previous = item.time;
                havePrevious = true;
            }
            if (item.interestingPoint == 1 || (havePrevious && item.time - previous < radius))
                item.nearAction = 1;
        }
        bool haveNext = false;
        std::int64_t next = 0;
        for (size_t k = n; k-- > 0;) {
            if (items_[k].interestingPoint == 1) {
                next = items_[k].time;
                haveNext = true;
            }
            if (haveNext && next - items_[k].time < radius)
                items_[k].nearAction = 1;
        }
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        if (items_[i].interestingPoint != 1)
            continue;
        const std::int64_t t = items_[i].time;
        items_[i].nearAction = 1;
        for (size_t k = i; k-- > 0 && t - items_[k].time < radius;)
            items_[k].nearAction = 1;
        for (size_t k = i + 1; k < n && items_[k].time - t < radius; ++k)
            items_[k].nearAction = 1;
    }
}

size_t TimeLine::firstIndexAtOrAfter(int t) const
{
    const auto it = std::lower_bound(items_.begin(), items_.end(), t,
                                     [](const TimeLineItem& item, int time) { return item.time < time; });
    return static_cast<size_t>(it - items_.begin());
}

TimeLineItem TimeLine::itemAt(int t) const
{
    if (items_.empty())
        return {};
    if (t < items_.front().time)
        return items_.front();
    if (t > items_.back().time)
        return items_.back();
    return items_[firstIndexAtOrAfter(t)];
}

int TimeLine::previousActionTime(int t) const
{
    if (items_.empty() || t < items_.front().time)
        return -1;
    const auto after = std::upper_bound(items_.begin(), items_.end(), t,
                                        [](int time, const TimeLineItem& item) { return time < item.time; });
    auto i = static_cast<std::ptrdiff_t>(after - items_.begin()) - 1;
    while (i >= 0 && items_[static_cast<size_t>(i)].interestingPoint == 1)
        --i;
    while (i >= 0 && items_[static_cast<size_t>(i)].interestingPoint == 0)
        --i;
    return i >= 0 ? items_[static_cast<size_t>(i)].time : -1;
}

int TimeLine::nextActionTime(int t) const
{
    if (items_.empty() || t > items_.back().time)
        return -1;
    size_t i = firstIndexAtOrAfter(t);
    while (i < items_.size() && items_[i].interestingPoint == 1)
        ++i;
    while (i < items_.size() && items_[i].interestingPoint == 0)
        ++i;
    return i < items_.size() ? items_[i].time : -1;
}
