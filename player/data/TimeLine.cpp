#include "player/data/TimeLine.h"

#include "common/Logger.h"
#include "player/data/SteadyRuns.h"
#include "player/data/TextFields.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <new>

namespace {

constexpr std::string_view movieComment = "#Movie path: ";

// The C library's atoi over the field starting at p, saturating at the int
// range; p is left on the first character that is not part of the number.
int fieldValue(const char*& p, const char* end)
{
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    // Eighteen digits cannot overflow 64 bits; only longer numbers need the bound on every digit.
    std::int64_t value = 0;
    const char* const fast = p + std::min<std::ptrdiff_t>(end - p, 18);
    for (; p < fast && *p >= '0' && *p <= '9'; ++p)
        value = value * 10 + (*p - '0');
    value = std::min(value, limit);
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
        value = std::min(value * 10 + (*p - '0'), limit);
    return static_cast<int>(negative ? -value : value);
}

} // namespace

void TimeLine::clear()
{
    columns_.clear();
    movieName_.clear();
    time_ = {};
    x_ = {};
    y_ = {};
    blink_.clear();
    pupil_.clear();
    stillCount_.clear();
    flags_ = {};
    avgX_ = {};
    avgY_ = {};
    ascending_ = true;
    smoothed_ = false;
    window_ = 0;
}

int TimeLine::load(const std::filesystem::path& path)
{
    path_ = path;
    clear();
    // Only regular files: a folder has no text, and a device such as /dev/zero would never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return CannotOpen;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return CannotOpen;
    LOG("TimeLine file '", path.string(), "' load");
    return loadStream(in);
}

int TimeLine::loadStream(std::istream& in)
{
    text_fields::LineReader reader(in);
    return read([&reader](std::string_view& line) { return reader.next(line); });
}

int TimeLine::loadText(std::string_view text)
{
    return read([&text](std::string_view& line) {
        return text_fields::nextLine(text, line) ? text_fields::LineReader::Result::Line
                                                 : text_fields::LineReader::Result::End;
    });
}

template <typename NextLine> int TimeLine::read(NextLine nextLine)
{
    using Result = text_fields::LineReader::Result;
    clear();
    try {
        std::string_view line;
        Result result;
        while ((result = nextLine(line)) == Result::Line && text_fields::isSkipped(line)) {
        }
        if (result == Result::Failed)
            return CannotOpen;
        // A first line past the bound cannot be a header.
        if (result != Result::Line)
            return NoHeader;
        std::vector<std::string_view> fields;
        text_fields::split(line, fields);
        for (std::string_view name : fields) {
            const ResultColumn kind = resultColumnFromHeader(name);
            if (std::find(columns_.begin(), columns_.end(), kind) != columns_.end())
                return DuplicateColumn;
            columns_.push_back(kind);
        }
        if (columns_.front() == ResultColumn::Ignored)
            return NoHeader;
        if (columns_.size() < 5)
            return TooFewColumns + static_cast<int>(columns_.size()) - 1;

        while ((result = nextLine(line)) == Result::Line) {
            if (const int status = readLine(line); status != Loaded)
                return status;
        }
        if (result == Result::TooLong)
            return LineTooLong;
        if (result == Result::Failed)
            return CannotOpen;
        time_.shrink_to_fit();
        x_.shrink_to_fit();
        y_.shrink_to_fit();
        blink_.shrink_to_fit();
        pupil_.shrink_to_fit();
        flags_.shrink_to_fit();
        return Loaded;
    } catch (const std::bad_alloc&) {
        clear();
        return TooLarge;
    }
}

int TimeLine::readLine(std::string_view line)
{
    if (line.empty())
        return Loaded;
    if (line.front() == '#') {
        if (line.starts_with(movieComment)) {
            const std::string_view moviePath = line.substr(movieComment.size());
            const size_t slash = moviePath.rfind('/');
            movieName_ = slash == std::string_view::npos ? moviePath : moviePath.substr(slash + 1);
        }
        return Loaded;
    }
    if (time_.size() >= kMaxSamples)
        return TooLarge;
    int time = 0, x = 0, y = 0, blink = 0, pupil = 0;
    std::uint8_t flags = 0;
    const char* field = line.data();
    const char* const end = field + line.size();
    // Fields past the header's are not looked at.
    for (const ResultColumn kind : columns_) {
        if (kind != ResultColumn::Ignored) {
            const int value = fieldValue(field, end);
            switch (kind) {
            case ResultColumn::Time:
                if (value < 0)
                    return NegativeTime;
                time = value;
                break;
            case ResultColumn::PosX:
                x = value;
                break;
            case ResultColumn::PosY:
                y = value;
                break;
            case ResultColumn::Blink:
                blink = value;
                break;
            case ResultColumn::Pupil:
                if (value < -1)
                    return PupilBelowMinusOne;
                pupil = value == -1 ? 0 : value;
                break;
            case ResultColumn::InterestingPoint:
                flags = value >= 1 ? kInteresting : 0;
                break;
            case ResultColumn::Ignored:
                break;
            }
        }
        // Usually the number ends right at the separator.
        if (field < end && *field == ';') {
            ++field;
            continue;
        }
        const void* separator = std::memchr(field, ';', static_cast<size_t>(end - field));
        if (!separator)
            break;
        field = static_cast<const char*>(separator) + 1;
    }
    if (!time_.empty() && time < time_.back())
        ascending_ = false;
    if (time_.capacity() == time_.size()) {
        // Columns grow together, by half at a time, to spare memory on long recordings.
        const size_t more = std::max<size_t>(1024, time_.size() / 2);
        time_.reserve(time_.size() + more);
        x_.reserve(time_.size() + more);
        y_.reserve(time_.size() + more);
        flags_.reserve(time_.size() + more);
        blink_.reserve(time_.size() + more);
        pupil_.reserve(time_.size() + more);
    }
    time_.push_back(time);
    x_.push_back(x);
    y_.push_back(y);
    blink_.push_back(blink);
    pupil_.push_back(pupil);
    flags_.push_back(flags);
    return Loaded;
}

void TimeLine::smoothAndCountRuns(int eventsNum, int filterRadius)
{
    // The window of item k is k-n+1..k over the values as loaded; a running sum
    // gives the same averages as summing each window anew.
    const size_t n = time_.size();
    const size_t window = eventsNum > 0 ? static_cast<size_t>(eventsNum) : 0;
    std::vector<int> avgX(n);
    std::vector<int> avgY(n);
    std::vector<char> usable(n);
    std::int64_t sumX = 0;
    std::int64_t sumY = 0;
    std::int64_t count = 0;
    for (size_t k = 0; k < n; ++k) {
        if (blink_[k] > 0) {
            sumX += x_[k];
            sumY += y_[k];
            ++count;
        }
        if (k >= window && blink_[k - window] > 0) {
            sumX -= x_[k - window];
            sumY -= y_[k - window];
            --count;
        }
        if (count > 0) {
            avgX[k] = static_cast<int>(sumX / count);
            avgY[k] = static_cast<int>(sumY / count);
            flags_[k] &= static_cast<std::uint8_t>(~kNoPosition);
            usable[k] = blink_[k] > 0;
        } else {
            avgX[k] = -1;
            avgY[k] = -1;
            flags_[k] |= kNoPosition;
            usable[k] = 0;
        }
    }

    stillCount_.clear();
    stillCount_.reserve(n);
    for (const int still : countSteadyRuns(avgX, avgY, usable, filterRadius))
        stillCount_.push_back(still);
    stillCount_.shrink_to_fit();
    window_ = static_cast<int>(std::min<size_t>(window, INT_MAX));
    if (window_ > kComputedWindow) {
        avgX_ = std::move(avgX);
        avgY_ = std::move(avgY);
    } else {
        avgX_ = {};
        avgY_ = {};
    }
    smoothed_ = true;

    minPupil_ = 1000000;
    maxPupil_ = -1;
    for (size_t k = 0; k < n; ++k) {
        if (const int pupil = pupil_[k]; pupil >= 1) {
            minPupil_ = std::min(minPupil_, pupil);
            maxPupil_ = std::max(maxPupil_, pupil);
        }
    }
}

void TimeLine::markActions(int actionRadiusMs)
{
    const std::int64_t radius = actionRadiusMs;
    const size_t n = time_.size();
    for (std::uint8_t& f : flags_)
        f &= static_cast<std::uint8_t>(~kNearAction);
    const auto mark = [this](size_t k) { flags_[k] |= kNearAction; };
    if (ascending_) {
        // With ascending times the walk from an interesting point reaches an item
        // exactly when the nearest interesting point on that side is close enough,
        // so one pass each way marks the same items as walking from every point.
        std::int64_t previous = 0;
        bool havePrevious = false;
        for (size_t k = 0; k < n; ++k) {
            if (interestingAt(k)) {
                previous = time_[k];
                havePrevious = true;
            }
            if (interestingAt(k) || (havePrevious && time_[k] - previous < radius))
                mark(k);
        }
        bool haveNext = false;
        std::int64_t next = 0;
        for (size_t k = n; k-- > 0;) {
            if (interestingAt(k)) {
                next = time_[k];
                haveNext = true;
            }
            if (haveNext && next - time_[k] < radius)
                mark(k);
        }
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        if (!interestingAt(i))
            continue;
        const std::int64_t t = time_[i];
        mark(i);
        for (size_t k = i; k-- > 0 && t - time_[k] < radius;)
            mark(k);
        for (size_t k = i + 1; k < n && time_[k] - t < radius; ++k)
            mark(k);
    }
}

TimeLineItem TimeLine::item(size_t index) const
{
    TimeLineItem item;
    item.time = time_[index];
    item.x = x_[index];
    item.y = y_[index];
    item.blink = blink_[index];
    item.pupil = pupil_[index];
    const std::uint8_t flags = flags_[index];
    item.interestingPoint = (flags & kInteresting) ? 1 : 0;
    item.nearAction = (flags & kNearAction) ? 1 : 0;
    if (!smoothed_)
        return item;
    item.stillCount = stillCount_[index];
    if (flags & kNoPosition) {
        item.blink = -1;
        item.avgX = -1;
        item.avgY = -1;
    } else {
        smoothedPosition(index, item.avgX, item.avgY);
    }
    return item;
}

void TimeLine::smoothedPosition(size_t index, int& x, int& y) const
{
    if (!avgX_.empty()) {
        x = avgX_[index];
        y = avgY_[index];
        return;
    }
    // The window holds a usable sample, or the item would have no position.
    const size_t first = index + 1 >= static_cast<size_t>(window_) ? index + 1 - window_ : 0;
    std::int64_t sumX = 0;
    std::int64_t sumY = 0;
    std::int64_t count = 0;
    for (size_t k = first; k <= index; ++k) {
        if (blink_[k] > 0) {
            sumX += x_[k];
            sumY += y_[k];
            ++count;
        }
    }
    x = static_cast<int>(sumX / count);
    y = static_cast<int>(sumY / count);
}

std::vector<TimeLineItem> TimeLine::items() const
{
    std::vector<TimeLineItem> all;
    all.reserve(size());
    for (size_t i = 0; i < size(); ++i)
        all.push_back(item(i));
    return all;
}

size_t TimeLine::firstIndexAtOrAfter(int t) const
{
    return static_cast<size_t>(std::lower_bound(time_.begin(), time_.end(), t) - time_.begin());
}

size_t TimeLine::indexAt(int t) const
{
    if (t < time_.front())
        return 0;
    if (t > time_.back())
        return time_.size() - 1;
    return firstIndexAtOrAfter(t);
}

TimeLineItem TimeLine::itemAt(int t) const
{
    if (time_.empty())
        return {};
    return item(indexAt(t));
}

size_t TimeLine::indexAt(int t, size_t& hint) const
{
    if (!ascending_ || t < time_.front() || t > time_.back())
        return indexAt(t);
    // Playback moves on a tick of a few samples at a time: look a little ahead
    // of the last place before searching.
    const size_t n = time_.size();
    size_t i = std::min(hint, n - 1);
    if (i > 0 && time_[i - 1] >= t) {
        i = firstIndexAtOrAfter(t);
    } else {
        const size_t limit = std::min(n, i + 32);
        while (i < limit && time_[i] < t)
            ++i;
        if (i == limit)
            i = firstIndexAtOrAfter(t);
    }
    hint = i;
    return i;
}

TimeLineItem TimeLine::itemAt(int t, size_t& hint) const
{
    if (time_.empty())
        return {};
    return item(indexAt(t, hint));
}

std::optional<GazeSample> TimeLine::gazeAt(int t, size_t& hint, bool smoothed) const
{
    if (time_.empty())
        return GazeSample{};
    const size_t i = indexAt(t, hint);
    if (smoothed_ && (flags_[i] & kNoPosition))
        return std::nullopt;
    if (blink_[i] == -1)
        return std::nullopt;
    GazeSample gaze;
    if (!smoothed) {
        gaze.x = x_[i];
        gaze.y = y_[i];
    } else if (smoothed_) {
        smoothedPosition(i, gaze.x, gaze.y);
    }
    gaze.stillCount = smoothed_ ? stillCount_[i] : 0;
    return gaze;
}

void TimeLine::prefetch(size_t hint) const
{
    if (time_.empty())
        return;
    const size_t i = std::min(hint, time_.size() - 1);
    __builtin_prefetch(&time_[i]);
    __builtin_prefetch(&time_.front());
    __builtin_prefetch(&time_.back());
    __builtin_prefetch(&x_[i]);
    __builtin_prefetch(&y_[i]);
    __builtin_prefetch(&flags_[i]);
    blink_.prefetch(i);
    stillCount_.prefetch(i);
}

int TimeLine::previousActionTime(int t) const
{
    if (time_.empty() || t < time_.front())
        return -1;
    auto i = static_cast<std::ptrdiff_t>(std::upper_bound(time_.begin(), time_.end(), t) - time_.begin()) - 1;
    while (i >= 0 && interestingAt(static_cast<size_t>(i)))
        --i;
    while (i >= 0 && !interestingAt(static_cast<size_t>(i)))
        --i;
    return i >= 0 ? time_[static_cast<size_t>(i)] : -1;
}

int TimeLine::nextActionTime(int t) const
{
    if (time_.empty() || t > time_.back())
        return -1;
    size_t i = firstIndexAtOrAfter(t);
    while (i < time_.size() && interestingAt(i))
        ++i;
    while (i < time_.size() && !interestingAt(i))
        ++i;
    return i < time_.size() ? time_[i] : -1;
}
