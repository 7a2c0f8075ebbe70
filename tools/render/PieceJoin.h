#pragma once

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

// Joins parts of one rendering, written by separate runs with --from/--to
// and --piece, into one .mp4 without encoding their video again: frames and
// sound are laid end to end in the order given, and the sound, kept lossless
// in the parts, is encoded once for the whole. Every part must come from the
// same movie with the same settings.
class PieceJoin
{
public:
    explicit PieceJoin(std::chrono::milliseconds stallLimit = std::chrono::seconds(30));

    // Writes output; false with error() set when a part cannot be read or the
    // parts do not fit together. The output is then not there.
    bool join(const std::filesystem::path& output, const std::vector<std::filesystem::path>& pieces);

    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& text);

    std::chrono::milliseconds stallLimit_;
    std::string error_;
};
