#include "player/data/TimeLine.h"

#include "common/Logger.h"
#include "player/data/SteadyRuns.h"
#include "player/data/TextFields.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <fstream>
#include <new>
#include <span>

namespace {

constexpr std::string_view movieComment = "#Movie path: ";

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The C library's atoi over the field starting at p, saturating at the int
// range; p is left on the first character that is not part of the number.
int fieldValueSlow(const char*& p, const char* end)
{
    while (p < end && isBlank(*p))
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

// The same. Bytes up to readableEnd may be read, and the one at end (when
// before readableEnd) is not a digit. Numbers of up to seven digits with eight
// readable bytes from their start, which is nearly every field of a recording,
// are taken eight bytes at a time: no branch depends on how many digits there are.
inline __attribute__((always_inline)) int fieldValue(const char*& p, const char* end, const char* readableEnd)
{
    const char* q = p;
    if (q < end && *q == '-')
        ++q;
    if (readableEnd - q < 8)
        return fieldValueSlow(p, end);
    std::uint64_t chunk;
    std::memcpy(&chunk, q, sizeof chunk);
    // Digits become 0..9, every other byte 10 or more; the first byte of
    // 10 or more ends the number (what a carry does to the bytes after it does not matter).
    const std::uint64_t digits = chunk ^ 0x3030303030303030u;
    const std::uint64_t stops = ((digits + 0x7676767676767676u) | digits) & 0x8080808080808080u;
    const int length = std::countr_zero(stops) / 8;
    // No digit leaves blanks or a '+' to the careful reader; eight may go on.
    if (length == 0 || length == 8)
        return fieldValueSlow(p, end);
    // Leading zero bytes in front of the digits, then the usual pairwise sums.
    std::uint64_t value = digits << (8 * (8 - length));
    value = ((value & 0x0F0F0F0F0F0F0F0Fu) * 2561) >> 8;
    value = ((value & 0x00FF00FF00FF00FFu) * 6553601) >> 16;
    value = ((value & 0x0000FFFF0000FFFFu) * 42949672960001u) >> 32;
    const bool negative = q != p;
    p = q + length;
    const auto number = static_cast<int>(value);
    return negative ? -number : number;
}

// What the derivation works in, kept by each thread from one file to the
// next: fresh pages for every file would cost more than the work done in them.
struct DeriveBuffers
{
    // Buffers beyond this many samples (about five hours at 60 Hz) are not kept.
    static constexpr size_t kKept = size_t{1} << 20;

    std::vector<int> avgX;
    std::vector<int> avgY;
    std::vector<char> usable;
    std::vector<int> counts;

    void fit(size_t n)
    {
        if (avgX.size() >= n)
            return;
        avgX = std::vector<int>(n);
        avgY = std::vector<int>(n);
        usable = std::vector<char>(n);
        counts = std::vector<int>(n);
    }

    void release()
    {
        if (avgX.size() > kKept)
            *this = {};
    }
};

thread_local DeriveBuffers deriveBuffers;

// sum / count (count > 0) truncated as in 64 bits; a 32-bit division, far
// quicker, gives the same whenever the sum fits, as screen positions do.
int quotient(std::int64_t sum, std::int64_t count)
{
    if (sum >= INT_MIN && sum <= INT_MAX && count <= INT_MAX)
        return static_cast<int>(sum) / static_cast<int>(count);
    return static_cast<int>(sum / count);
}

// Bit i set where line[i] is ';', for a line of at most 64 bytes that may be
// read up to 8 bytes past its end.
std::uint64_t separatorMask(std::string_view line)
{
    std::uint64_t mask = 0;
    for (size_t word = 0; word * 8 < line.size(); ++word) {
        std::uint64_t chunk;
        std::memcpy(&chunk, line.data() + word * 8, sizeof chunk);
        // 0x80 in every byte that was ';', exactly (no borrow from one byte to the next).
        const std::uint64_t x = chunk ^ 0x3B3B3B3B3B3B3B3Bu;
        const std::uint64_t zero =
            ~(((x & 0x7F7F7F7F7F7F7F7Fu) + 0x7F7F7F7F7F7F7F7Fu) | x) & 0x8080808080808080u;
        // One bit per byte, byte i to bit i.
        mask |= (((zero >> 7) * 0x0102040810204080u) >> 56) << (word * 8);
    }
    return line.size() < 64 ? mask & ((std::uint64_t{1} << line.size()) - 1) : mask;
}

} // namespace

void TimeLine::clear()
{
    columns_.clear();
    movieName_.clear();
    pupilUnit_ = PupilUnit::Unit::trackerUnits;
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
    const std::uintmax_t bytes = std::filesystem::file_size(path, error);
    return readStream(in, error ? 0 : bytes);
}

int TimeLine::loadStream(std::istream& in)
{
    return readStream(in, 0);
}

int TimeLine::readStream(std::istream& in, std::uintmax_t bytes)
{
    text_fields::LineReader reader(in);
    return read(
        [&reader](std::string_view& line, const char*& readableEnd) {
            const auto result = reader.next(line);
            // At the end there is no line, and no pointer to count on from.
            if (result == text_fields::LineReader::Result::Line)
                readableEnd = line.data() + line.size() + text_fields::LineReader::kReadAhead;
            return result;
        },
        bytes);
}

int TimeLine::loadText(std::string_view text)
{
    const char* const textEnd = text.data() + text.size();
    return read(
        [&text, textEnd](std::string_view& line, const char*& readableEnd) {
            readableEnd = textEnd;
            return text_fields::nextLine(text, line) ? text_fields::LineReader::Result::Line
                                                     : text_fields::LineReader::Result::End;
        },
        text.size());
}

template <typename NextLine> int TimeLine::read(NextLine nextLine, std::uintmax_t bytes)
{
    using Result = text_fields::LineReader::Result;
    clear();
    try {
        std::string_view line;
        const char* readableEnd = nullptr;
        Result result;
        while ((result = nextLine(line, readableEnd)) == Result::Line && text_fields::isSkipped(line)) {
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

        LineLayout layout;
        for (size_t c = 0; c < columns_.size(); ++c) {
            if (columns_[c] != ResultColumn::Ignored) {
                layout.slot.resize(c + 1, -1);
                layout.slot[c] = static_cast<int>(columns_[c]);
            }
        }
        const auto position = [this](ResultColumn kind) {
            return std::find(columns_.begin(), columns_.end(), kind) - columns_.begin();
        };
        layout.timeFirst = position(ResultColumn::Time) < position(ResultColumn::Pupil);
        // The first lines tell how long the others are likely to be: the columns
        // are then made as long as the file needs at once, instead of growing
        // (and being copied) step by step.
        constexpr size_t sampleLines = 4096;
        std::uintmax_t sampledBytes = 0;
        for (size_t lines = 0; (result = nextLine(line, readableEnd)) == Result::Line; ++lines) {
            if (const int status = readLine(line, readableEnd, layout); status != Loaded)
                return status;
            if (lines < sampleLines) {
                sampledBytes += line.size() + 1;
                if (lines + 1 == sampleLines && bytes > sampledBytes)
                    reserveColumns(static_cast<size_t>(
                        std::min<std::uintmax_t>(bytes / sampledBytes * sampleLines, kMaxSamples)));
            }
        }
        if (result == Result::TooLong)
            return LineTooLong;
        if (result == Result::Failed)
            return CannotOpen;
        // Trimming copies every column: worth it only for more than a little room.
        if (time_.capacity() - time_.size() > time_.size() / 16) {
            time_.shrink_to_fit();
            x_.shrink_to_fit();
            y_.shrink_to_fit();
            blink_.shrink_to_fit();
            pupil_.shrink_to_fit();
            flags_.shrink_to_fit();
        }
        return Loaded;
    } catch (const std::bad_alloc&) {
        clear();
        return TooLarge;
    }
}

int TimeLine::readLine(std::string_view line, const char* readableEnd, const LineLayout& layout)
{
    if (line.empty())
        return Loaded;
    if (line.front() == '#') {
        if (line.starts_with(movieComment)) {
            const std::string_view moviePath = line.substr(movieComment.size());
            const size_t slash = moviePath.rfind('/');
            movieName_ = slash == std::string_view::npos ? moviePath : moviePath.substr(slash + 1);
        } else if (PupilUnit::saysMillimetres(line)) {
            pupilUnit_ = PupilUnit::Unit::millimetres;
        }
        return Loaded;
    }
    if (time_.size() >= kMaxSamples)
        return TooLarge;
    // Values by kind; a field the line lacks stays 0. A field starts after the
    // first ';' at or after the start of the one before (its number holds none);
    // fields past the last one read are not looked at.
    int values[6] = {};
    const char* const end = line.data() + line.size();
    if (line.size() <= 64 && readableEnd - end >= 8) {
        // The separators of a short line are found first, all at once, so that
        // its numbers do not wait for each other.
        std::uint64_t separators = separatorMask(line);
        const char* field = line.data();
        for (const int slot : layout.slot) {
            if (slot >= 0) {
                const char* p = field;
                values[slot] = fieldValue(p, end, readableEnd);
            }
            if (separators == 0)
                break;
            field = line.data() + std::countr_zero(separators) + 1;
            separators &= separators - 1;
        }
    } else {
        const char* field = line.data();
        for (const int slot : layout.slot) {
            if (slot >= 0)
                values[slot] = fieldValue(field, end, readableEnd);
            const void* separator = std::memchr(field, ';', static_cast<size_t>(end - field));
            if (!separator)
                break;
            field = static_cast<const char*>(separator) + 1;
        }
    }
    const int time = values[static_cast<int>(ResultColumn::Time)];
    const int x = values[static_cast<int>(ResultColumn::PosX)];
    const int y = values[static_cast<int>(ResultColumn::PosY)];
    const int blink = values[static_cast<int>(ResultColumn::Blink)];
    const int pupilRead = values[static_cast<int>(ResultColumn::Pupil)];
    const bool badTime = time < 0;
    const bool badPupil = pupilRead < -1;
    if (badTime || badPupil)
        return badTime && (!badPupil || layout.timeFirst) ? NegativeTime : PupilBelowMinusOne;
    const int pupil = pupilRead == -1 ? 0 : pupilRead;
    const std::uint8_t flags =
        values[static_cast<int>(ResultColumn::InterestingPoint)] >= 1 ? kInteresting : 0;
    if (!time_.empty() && time < time_.back())
        ascending_ = false;
    // Columns grow together, by half at a time, to spare memory on long recordings.
    if (time_.capacity() == time_.size())
        reserveColumns(time_.size() + std::max<size_t>(1024, time_.size() / 2));
    time_.push_back(time);
    x_.push_back(x);
    y_.push_back(y);
    blink_.push_back(blink);
    pupil_.push_back(pupil);
    flags_.push_back(flags);
    return Loaded;
}

void TimeLine::reserveColumns(size_t count)
{
    time_.reserve(count);
    x_.reserve(count);
    y_.reserve(count);
    flags_.reserve(count);
    blink_.reserve(count);
    pupil_.reserve(count);
}

void TimeLine::smoothAndCountRuns(int eventsNum, int filterRadius)
{
    // The window of item k is k-n+1..k over the values as loaded; a running sum
    // gives the same averages as summing each window anew.
    const size_t n = time_.size();
    const size_t window = eventsNum > 0 ? static_cast<size_t>(eventsNum) : 0;
    DeriveBuffers& buffers = deriveBuffers;
    buffers.fit(n);
    const std::span<int> avgX(buffers.avgX.data(), n);
    const std::span<int> avgY(buffers.avgY.data(), n);
    const std::span<char> usable(buffers.usable.data(), n);
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
            avgX[k] = quotient(sumX, count);
            avgY[k] = quotient(sumY, count);
            flags_[k] &= static_cast<std::uint8_t>(~kNoPosition);
            usable[k] = blink_[k] > 0;
        } else {
            avgX[k] = -1;
            avgY[k] = -1;
            flags_[k] |= kNoPosition;
            usable[k] = 0;
        }
    }

    const std::span<int> counts(buffers.counts.data(), n);
    countSteadyRuns(avgX, avgY, usable, filterRadius, counts);
    stillCount_.clear();
    stillCount_.reserve(n);
    for (const int still : counts)
        stillCount_.push_back(still);
    stillCount_.shrink_to_fit();
    window_ = static_cast<int>(std::min<size_t>(window, INT_MAX));
    if (window_ > kComputedWindow) {
        avgX_.assign(avgX.begin(), avgX.end());
        avgY_.assign(avgY.begin(), avgY.end());
    } else {
        avgX_ = {};
        avgY_ = {};
    }
    buffers.release();
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
        // With ascending times the walks from one interesting point need not pass
        // the last item the one before reached: anything before it that is close
        // enough was close enough to that point too. A walk ahead stops at the
        // next interesting point, which walks on by itself. So no item is passed
        // more than twice, however dense the points.
        size_t settled = 0; // items before this are marked if they are to be
        for (size_t i = 0; i < n; ++i) {
            if (!interestingAt(i))
                continue;
            const std::int64_t t = time_[i];
            for (size_t k = i; k-- > settled && t - time_[k] < radius;)
                mark(k);
            mark(i);
            size_t k = i + 1;
            for (; k < n && !interestingAt(k) && time_[k] - t < radius; ++k)
                mark(k);
            settled = k;
            i = k - 1;
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
