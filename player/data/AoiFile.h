#pragma once

#include "player/data/Aoi.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class AoiSet;

// The AOI file beside a movie ("<movie>_aois.csv"): a version comment, the
// header name;shape;time_ms;x;y;width;height and one key a line. Keys of one
// area come in rising time order; lines of different areas may mix.
namespace AoiFile {

enum Status : int
{
    Loaded = 0,
    CannotOpen = 1, // missing, not a regular file, unreadable or too large
    NoHeader = 2,   // no header line, or not the seven columns in order
    BadField = 3,   // too few fields, or a number that is not a whole number
    BadName = 4,    // empty, too long, or a control character
    BadShape = 5,   // not rectangle, ellipse or hidden
    BadTime = 6,    // negative, or not after the area's key before
    BadBox = 7,     // position out of range, or a size not above 0
    TooMany = 8     // more areas or keys than a set holds
};

constexpr std::uintmax_t kMaxFileBytes = 64 * 1024 * 1024;

struct Result
{
    int status = Loaded;
    int line = 0;          // line of the file at fault, from 1; 0 when no one line is
    std::vector<Aoi> aois; // in order of first appearance; empty unless Loaded
};

// A UTF-8 byte-order mark and CR LF line ends are read.
Result read(std::string_view text);
// A missing file gives CannotOpen with line 0 and exists false.
Result load(const std::filesystem::path& path, bool* exists = nullptr);
std::string text(const std::vector<Aoi>& aois);

// "<movie>_aois.csv" beside the movie, the shot file's sibling.
std::filesystem::path fileOf(const std::filesystem::path& movie);

// The problem in words, e.g. "line 4: the shape is not rectangle, ellipse or hidden".
std::string describe(const Result& result);

// Loads the file into aois. A missing file gives an empty set and true; a
// file that exists but fails to load leaves the set empty, remembers in
// loadFailed that it must not be written over, and gives false.
bool load(AoiSet& aois, const std::filesystem::path& path, bool& loadFailed, Result* result = nullptr);

// Writes the set whole or not at all: to path, or beside it
// ("<name>.edited.csv") when its own file failed to load. savedTo receives
// the file written. False when nothing was written.
bool save(const AoiSet& aois, const std::filesystem::path& path, bool loadFailed,
          std::filesystem::path* savedTo = nullptr);

} // namespace AoiFile
