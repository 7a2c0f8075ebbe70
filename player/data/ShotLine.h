#pragma once

#include "player/data/Shot.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class TimeLineManager;

// The shot file of a movie, beside it: "<movie>_shots.csv".
std::filesystem::path shotFileOf(const std::filesystem::path& movie);

// The shot list of the open movie, its file beside the movie ("<movie>_shots.csv")
// and the shot a movie time belongs to. Used from one thread.
class ShotLine
{
public:
    // Load status codes.
    enum Status : int
    {
        Loaded = 0,
        CannotOpen = 1,
        NegativeTime = 2,
        NumbersOutOfOrder = 3, // numbers are not 1, 2, 3, ... in file order
        NoHeader = 20,         // no header line, or its first field is not a known name
        TooFewColumns = 21,
        DuplicateColumn = 31
    };

    // Why the last load failed: its status and the line of the file it failed
    // on, counted from 1 (0 when no one line is to blame).
    struct LoadProblem
    {
        int status = Loaded;
        int line = 0;
    };

    // Shot files larger than this are not read: no real list comes near it.
    static constexpr std::uintmax_t kMaxFileBytes = 16 * 1024 * 1024;

    // The counts of interesting points come from results; it must outlive this list.
    explicit ShotLine(const TimeLineManager& results);

    // Replaces the list with the file's shots, in file order. On a non-zero status
    // the list holds the shots read before the error. A UTF-8 byte-order mark and
    // CR LF line ends (as spreadsheets write them) are read. A missing file gives
    // CannotOpen with no load problem; a file that exists but cannot be read (not
    // a regular file, unreadable, too large) gives CannotOpen as a load problem.
    int load(const std::filesystem::path& path);
    int loadText(std::string_view text);

    // The problem of the last load; status Loaded when it succeeded or found no
    // file. Kept until the next load or clear(), so that saving the list knows
    // the file it came from must not be replaced.
    const LoadProblem& loadProblem() const { return loadProblem_; }
    bool loadFailed() const { return loadProblem_.status != Loaded; }
    // The problem in words for the user, e.g. "line 4: the shot numbers are not 1, 2, 3, ... in order".
    std::string describeLoadProblem() const;

    // Writes the list; the file is replaced only by a complete new one. 0 or CannotOpen.
    int save(const std::filesystem::path& path) const;
    std::string text() const;

    void clear();

    // Inserts in time order unless a shot starts at the same time; renumbers and recounts.
    void addShot(const Shot& shot);

    // Removes the shot starting exactly at t (returns its old number - 1) or inserts
    // one there (returns its number). t <= 0 changes nothing and returns 1.
    int toggleShot(int t);

    // Recomputes interestingCount of every shot from the loaded results.
    void recount();

    // All-zero shots where none applies.
    Shot currentShot(int t) const;
    Shot previousShot(int t) const;
    Shot nextShot(int t) const;

    const std::vector<Shot>& shots() const { return shots_; }
    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

private:
    void renumber();
    // Index of the last shot starting at or before t; -1 before the first.
    std::ptrdiff_t indexAtOrBefore(int t) const;

    int readText(std::string_view text);

    const TimeLineManager& results_;
    std::vector<Shot> shots_;
    LoadProblem loadProblem_;
    bool modified_ = false;
};
