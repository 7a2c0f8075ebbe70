#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The screen a recording was made on, as told by the tracker and the operator:
// its resolution, its physical size and how far the viewer sat from it. Results
// files carry it in one comment line,
//   #Screen: <w>x<h> px, <W>x<H> mm, viewing distance <D> mm
// which readers that do not need it skip like every other "#" line.
//
// Positions in results files are fractions of the screen scaled by 1,000,000
// (ScreenGeometry::unitsPerScreen), and the movie fills the screen, so the
// conversions below take positions in those units.
struct ScreenGeometry
{
    static constexpr int unitsPerScreen = 1000000;
    // Every dimension lies in [1, maxDimension]; the parser refuses anything else.
    static constexpr int maxDimension = 100000;
    // Used when a file says nothing: a 23" 16:9 monitor seen from a usual seat.
    static constexpr int defaultWidthMm = 510;
    static constexpr int defaultHeightMm = 290;
    static constexpr int defaultDistanceMm = 650;

    int widthPx = 0;
    int heightPx = 0;
    int widthMm = defaultWidthMm;
    int heightMm = defaultHeightMm;
    int distanceMm = defaultDistanceMm;

    bool operator==(const ScreenGeometry&) const = default;

    // Angular position, in degrees, of a results-file coordinate seen from the
    // viewer's eye straight in front of the screen's centre (0 at the centre,
    // negative to the left or top). Differences of these approximate visual
    // angles closely over a monitor (well under 1 % within 20 degrees).
    double horizontalDeg(double xUnits) const;
    double verticalDeg(double yUnits) const;

    // Degrees per results-file unit near the centre of the screen, for scaling
    // small displacements (and their inverse for sizes given in degrees).
    double degPerUnitX() const;
    double degPerUnitY() const;

    // The exact visual angle, in degrees, between two screen positions.
    double visualAngleDeg(double x1Units, double y1Units, double x2Units, double y2Units) const;
};

// The comment line for a results file, "#" included, without a line end.
std::string formatScreenLine(const ScreenGeometry& geometry);

struct ScreenLineParse
{
    bool ok = false;
    ScreenGeometry geometry;
    std::string error; // why the line was refused, for a message to the user
};

// Reads a line written by formatScreenLine (a trailing carriage return is
// allowed). Strict: exact words and spacing, plain decimal integers within
// [1, ScreenGeometry::maxDimension], nothing after the last word.
ScreenLineParse parseScreenLine(std::string_view line);

// The screen line of a results file, looked for among the comment lines
// between the header and the first data line (at most the first 64 KiB).
// Nothing when the file has none; a failed parse when its line is malformed.
std::optional<ScreenLineParse> readScreenLine(const std::filesystem::path& file);

// True when the line is meant to be a screen line (starts with "#Screen:"),
// so that a malformed one can be reported rather than silently skipped.
bool isScreenLine(std::string_view line);
