#pragma once

#include "player/data/ResultColumn.h"
#include "player/data/TimeLineItem.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// One examination results file in memory, with the values derived after loading.
// Searches assume ascending times, as the recorder writes them; items are kept in
// file order and never sorted.
class TimeLine
{
public:
    // Load status codes.
    enum Status : int
    {
        Loaded = 0,
        CannotOpen = 1,
        NegativeTime = 2,
        PupilBelowMinusOne = 11,
        NoHeader = 20,       // no header line, or its first field is not a known name
        TooFewColumns = 21,  // 21..24: fewer than 2..5 header fields
        DuplicateColumn = 31 // two header fields of the same kind (unknown names count as one kind)
    };

    // Reads the file at path; on a non-zero status the items read before the
    // error stay (a caller is expected to discard the whole object).
    int load(const std::filesystem::path& path);

    // The reader behind load(), over the whole file content.
    int loadText(std::string_view text);

    // Smoothed positions over the last eventsNum samples, steady-run counts within
    // filterRadius, and the pupil range.
    void smoothAndCountRuns(int eventsNum, int filterRadius);

    // Marks the samples less than actionRadiusMs away from an interesting point.
    void markActions(int actionRadiusMs);

    // The first item at or after t, clamped to the first and last item; all zero when empty.
    TimeLineItem itemAt(int t) const;

    // Time of the last interesting point of the previous run of interesting
    // points before t, or -1.
    int previousActionTime(int t) const;

    // Time of the first interesting point of the next run of interesting points
    // at or after t, or -1.
    int nextActionTime(int t) const;

    int minPupil() const { return minPupil_; }
    int maxPupil() const { return maxPupil_; }
    const std::filesystem::path& path() const { return path_; }
    // Movie file name (without folder) from the last "#Movie path: " comment after the header.
    const std::string& movieName() const { return movieName_; }
    const std::vector<TimeLineItem>& items() const { return items_; }
    // Kind of every header field, by position.
    const std::vector<ResultColumn>& columns() const { return columns_; }

private:
    size_t firstIndexAtOrAfter(int t) const;

    int minPupil_ = 1000000;
    int maxPupil_ = -1;
    std::filesystem::path path_;
    std::string movieName_;
    std::vector<TimeLineItem> items_;
    std::vector<ResultColumn> columns_;
};
