#pragma once

#include "shots/CutDetector.h"

#include <filesystem>
#include <string>
#include <vector>

// The shots found in a movie as a shot file the player reads: its own format,
// one shot at 0 ms and one at each cut, with comment lines (which the player
// skips) naming the measure and giving each cut's score.
namespace FoundShots {

std::string text(const std::vector<CutDetector::Cut>& cuts, double threshold);

struct Written
{
    std::filesystem::path path; // where the file went; empty when it could not be written
    bool tookOtherName = false; // the movie already had a shot file
    std::string error;
};

// Writes text beside the movie as "<movie>_shots.csv". An existing file is
// never replaced, not even one that appears while writing: the first free name
// of "<movie>_found_shots.csv", "<movie>_found2_shots.csv", ... is taken instead.
// The file appears complete or not at all.
Written write(const std::filesystem::path& movie, const std::string& text);

} // namespace FoundShots
