#include "common/ScreenGeometry.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <numbers>

namespace {

constexpr std::string_view prefix = "#Screen: ";
// Far longer than any valid line; longer ones are refused before parsing.
constexpr std::size_t maxLineLength = 128;
constexpr double degPerRad = 180.0 / std::numbers::pi;

// Consumes a plain decimal integer in [1, maxDimension] from the front of text.
bool takeDimension(std::string_view& text, int& out)
{
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return false;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value < 1 || value > ScreenGeometry::maxDimension)
        return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    out = value;
    return true;
}

bool takeWord(std::string_view& text, std::string_view word)
{
    if (!text.starts_with(word))
        return false;
    text.remove_prefix(word.size());
    return true;
}

ScreenLineParse refuse(std::string error)
{
    ScreenLineParse result;
    result.error = std::move(error);
    return result;
}

} // namespace

double ScreenGeometry::horizontalDeg(double xUnits) const
{
    const double mm = (xUnits / unitsPerScreen - 0.5) * widthMm;
    return std::atan(mm / distanceMm) * degPerRad;
}

double ScreenGeometry::verticalDeg(double yUnits) const
{
    const double mm = (yUnits / unitsPerScreen - 0.5) * heightMm;
    return std::atan(mm / distanceMm) * degPerRad;
}

double ScreenGeometry::degPerUnitX() const
{
    return static_cast<double>(widthMm) / unitsPerScreen / distanceMm * degPerRad;
}

double ScreenGeometry::degPerUnitY() const
{
    return static_cast<double>(heightMm) / unitsPerScreen / distanceMm * degPerRad;
}

double ScreenGeometry::visualAngleDeg(double x1Units, double y1Units, double x2Units, double y2Units) const
{
    // Two rays from the eye to the screen; the angle between them from the
    // cross and dot products stays accurate for tiny angles too.
    const double ax = (x1Units / unitsPerScreen - 0.5) * widthMm,
                 ay = (y1Units / unitsPerScreen - 0.5) * heightMm;
    const double bx = (x2Units / unitsPerScreen - 0.5) * widthMm,
                 by = (y2Units / unitsPerScreen - 0.5) * heightMm;
    const double d = distanceMm;
    const double cx = ay * d - d * by, cy = d * bx - ax * d, cz = ax * by - ay * bx;
    const double cross = std::sqrt(cx * cx + cy * cy + cz * cz);
    const double dot = ax * bx + ay * by + d * d;
    return std::atan2(cross, dot) * degPerRad;
}

std::string formatScreenLine(const ScreenGeometry& g)
{
    return "#Screen: " + std::to_string(g.widthPx) + "x" + std::to_string(g.heightPx) + " px, " +
           std::to_string(g.widthMm) + "x" + std::to_string(g.heightMm) + " mm, viewing distance " +
           std::to_string(g.distanceMm) + " mm";
}

bool isScreenLine(std::string_view line)
{
    return line.starts_with("#Screen:");
}

ScreenLineParse parseScreenLine(std::string_view line)
{
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    if (line.size() > maxLineLength)
        return refuse("the screen line is too long");
    std::string_view rest = line;
    if (!takeWord(rest, prefix))
        return refuse("the line does not start with \"#Screen: \"");
    ScreenGeometry g;
    if (!takeDimension(rest, g.widthPx) || !takeWord(rest, "x") || !takeDimension(rest, g.heightPx) ||
        !takeWord(rest, " px, "))
        return refuse("the screen line lacks \"<width>x<height> px, \" with whole numbers from 1 to 100000");
    if (!takeDimension(rest, g.widthMm) || !takeWord(rest, "x") || !takeDimension(rest, g.heightMm) ||
        !takeWord(rest, " mm, "))
        return refuse("the screen line lacks \"<width>x<height> mm, \" with whole numbers from 1 to 100000");
    if (!takeWord(rest, "viewing distance ") || !takeDimension(rest, g.distanceMm) || !takeWord(rest, " mm"))
        return refuse(
            "the screen line lacks \"viewing distance <distance> mm\" with a whole number from 1 to 100000");
    if (!rest.empty())
        return refuse("the screen line has text after \"mm\"");
    ScreenLineParse result;
    result.ok = true;
    result.geometry = g;
    return result;
}

std::optional<ScreenLineParse> readScreenLine(const std::filesystem::path& file)
{
    constexpr std::size_t kMaxBytes = 64 * 1024;
    std::ifstream in(file, std::ios::binary);
    std::string text(kMaxBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::string_view rest = text;
    bool headerSeen = false;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos && text.size() == kMaxBytes)
            break; // a line cut off by the limit
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if (line.front() != '#') {
            if (headerSeen)
                break; // the first data line: the comments are over
            headerSeen = true;
            continue;
        }
        if (headerSeen && isScreenLine(line))
            return parseScreenLine(line);
    }
    return std::nullopt;
}
