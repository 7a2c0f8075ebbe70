#pragma once

#include "common/PupilUnit.h"
#include "player/data/PackedColumn.h"
#include "player/data/ResultColumn.h"
#include "player/data/TimeLineItem.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct GazeSample
{
    int x = 0;
    int y = 0;
    int stillCount = 0;
};

// One examination results file in memory, with the values derived after loading.
// Searches assume ascending times, as the recorder writes them; items are kept in
// file order and never sorted.
//
// Samples are held column by column in as few bytes as their values allow
// (about 18 per sample for a recording); the smoothed position is worked out
// from its window when asked for, unless the window is long.
class TimeLine
{
public:
    // Load status codes.
    enum Status : int
    {
        Loaded = 0,
        CannotOpen = 1,
        NegativeTime = 2,
        LineTooLong = 3, // a data line longer than 1 MiB
        TooLarge = 4,    // more samples than can be held
        PupilBelowMinusOne = 11,
        NoHeader = 20,       // no header line, or its first field is not a known name
        TooFewColumns = 21,  // 21..24: fewer than 2..5 header fields
        DuplicateColumn = 31 // two header fields of the same kind (unknown names count as one kind)
    };

    // Files of more samples are refused (nearly two weeks at 60 Hz).
    static constexpr size_t kMaxSamples = size_t{1} << 26;

    // Reads the regular file at path; on a non-zero status the items read before
    // the error stay (a caller is expected to discard the whole object).
    int load(const std::filesystem::path& path);

    // The reader behind load(), line by line.
    int loadStream(std::istream& in);
    // The same over a text in memory.
    int loadText(std::string_view text);

    // Smoothed positions over the last eventsNum samples, steady-run counts within
    // filterRadius, and the pupil range.
    void smoothAndCountRuns(int eventsNum, int filterRadius);

    // Marks the samples less than actionRadiusMs away from an interesting point.
    void markActions(int actionRadiusMs);

    // The first item at or after t, clamped to the first and last item; all zero when empty.
    TimeLineItem itemAt(int t) const;
    // The same, starting the search at hint, which is left on the item found:
    // a caller that moves through the times a little at a time pays no search.
    TimeLineItem itemAt(int t, size_t& hint) const;

    // What the heat map needs of the item at t (found as with hint): the
    // position, raw or smoothed, and the steady-run count; nothing when the
    // item's blink is -1.
    std::optional<GazeSample> gazeAt(int t, size_t& hint, bool smoothed) const;
    // Asks the memory for what gazeAt() around hint will read.
    void prefetch(size_t hint) const;
    // Asks the memory for the time and the pupil at index, when there is one.
    void prefetchTimeAndPupil(size_t index) const
    {
        // Clamping the index instead lets GCC 12 drop the prefetch altogether.
        if (index >= time_.size())
            return;
        __builtin_prefetch(time_.data() + index);
        pupil_.prefetch(index);
    }

    // Time of the last interesting point of the previous run of interesting
    // points before t, or -1.
    int previousActionTime(int t) const;

    // Time of the first interesting point of the next run of interesting points
    // at or after t, or -1.
    int nextActionTime(int t) const;

    size_t size() const { return time_.size(); }
    bool empty() const { return time_.empty(); }
    TimeLineItem item(size_t index) const;
    int timeAt(size_t index) const { return time_[index]; }
    int pupilAt(size_t index) const { return pupil_[index]; }
    // The columns as read, for measures that walk a whole recording.
    std::span<const int> times() const { return time_; }
    std::span<const int> xs() const { return x_; }
    std::span<const int> ys() const { return y_; }
    int blinkAt(size_t index) const { return blink_[index]; }
    bool interestingAt(size_t index) const { return (flags_[index] & kInteresting) != 0; }
    // True when every time is at least the one before it.
    bool timesAscend() const { return ascending_; }
    // Index of the first item whose time is at least t (size() when none); a
    // binary search, so only meaningful with ascending times.
    size_t firstIndexAtOrAfter(int t) const;

    // Every item, built anew: for small files and inspection.
    std::vector<TimeLineItem> items() const;

    int minPupil() const { return minPupil_; }
    int maxPupil() const { return maxPupil_; }
    const std::filesystem::path& path() const { return path_; }
    // Movie file name (without folder) from the last "#Movie path: " comment after the header.
    const std::string& movieName() const { return movieName_; }
    // Millimetres when the header says so (see PupilUnit), else the tracker's own units.
    PupilUnit::Unit pupilUnit() const { return pupilUnit_; }
    // Kind of every header field, by position.
    const std::vector<ResultColumn>& columns() const { return columns_; }

private:
    static constexpr std::uint8_t kInteresting = 1;
    static constexpr std::uint8_t kNearAction = 2;
    static constexpr std::uint8_t kNoPosition = 4; // no usable sample in the window: blink and position -1
    // Windows up to this length are summed when asked for; longer ones are kept.
    static constexpr int kComputedWindow = 32;

    // Where the header put each kind of value: slot[field] is the kind's number,
    // -1 for a field that is not read.
    struct LineLayout
    {
        std::vector<int> slot; // up to the last field read
        bool timeFirst = true; // time comes before the pupil (decides which error a line gives)
    };

    // bytes: the size of the whole input when known (0 otherwise), to make room
    // for its samples early.
    template <typename NextLine> int read(NextLine nextLine, std::uintmax_t bytes);
    int readStream(std::istream& in, std::uintmax_t bytes);
    void reserveColumns(size_t count);
    // The line may be read past its end up to readableEnd (see LineReader).
    int readLine(std::string_view line, const char* readableEnd, const LineLayout& layout);
    void clear();
    size_t indexAt(int t) const;
    size_t indexAt(int t, size_t& hint) const;
    void smoothedPosition(size_t index, int& x, int& y) const;

    // What the overlay reads on every tick comes first, close together.
    std::vector<int> time_;
    std::vector<int> x_;
    std::vector<int> y_;
    std::vector<std::uint8_t> flags_;
    PackedColumn<std::int8_t> blink_; // as read
    PackedColumn<std::uint16_t> stillCount_;
    bool ascending_ = true;
    bool smoothed_ = false;
    int window_ = 0;
    PackedColumn<std::uint16_t> pupil_;
    std::vector<int> avgX_; // only for windows longer than kComputedWindow
    std::vector<int> avgY_;

    int minPupil_ = 1000000;
    int maxPupil_ = -1;
    std::filesystem::path path_;
    std::string movieName_;
    PupilUnit::Unit pupilUnit_ = PupilUnit::Unit::trackerUnits;
    std::vector<ResultColumn> columns_;
};
