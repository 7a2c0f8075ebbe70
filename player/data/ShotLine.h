#pragma once

#include "player/data/Shot.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class TimeLineManager;

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

    // The counts of interesting points come from results; it must outlive this list.
    explicit ShotLine(const TimeLineManager& results);

    // Replaces the list with the file's shots, in file order. On a non-zero status
    // the list holds the shots read before the error.
    int load(const std::filesystem::path& path);
    int loadText(std::string_view text);

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

    const TimeLineManager& results_;
    std::vector<Shot> shots_;
    bool modified_ = false;
};
