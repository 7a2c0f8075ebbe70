#include "recorder/trackers/ResultsFile.h"

#include "common/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <sys/statvfs.h>
#include <unistd.h>

namespace ResultsFile {

namespace {

// Truncation toward zero, kept inside the integer range for absurd positions.
long long truncated(double value)
{
    if (!std::isfinite(value))
        return value < 0 ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
    constexpr double limit = 9.0e18;
    return static_cast<long long>(std::trunc(std::clamp(value, -limit, limit)));
}

// The default real notation of a text stream: shortest of fixed and exponent form, 6 digits.
// Always with a decimal point, whatever the user's locale.
std::string realText(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, result.ptr);
}

// The temporary file is gone by the time a write fails, so the folder is asked instead.
std::string whyNotWritten(const std::filesystem::path& folder, const std::error_code& createError)
{
    if (createError)
        return "the folder cannot be created: " + createError.message();
    if (!std::filesystem::is_directory(folder))
        return "the folder does not exist";
    if (::access(folder.c_str(), W_OK) != 0)
        return std::string("the folder cannot be written: ") + std::strerror(errno);
    struct statvfs space;
    if (::statvfs(folder.c_str(), &space) == 0 && space.f_bavail == 0)
        return "the disk is full";
    return "the file could not be written completely";
}

} // namespace

std::string dataLine(const GazePoint& p, const QRect& area)
{
    std::string line = std::to_string(p.time);
    if (p.isValid()) {
        const double width = static_cast<double>(area.right()) - area.left() + 1;
        const double height = static_cast<double>(area.bottom()) - area.top() + 1;
        const double pupil =
            static_cast<double>(truncated((double(p.lefteye.psize) + p.righteye.psize) * 0.5 * 10000));
        line += ';' + std::to_string(truncated(p.avg.x / width * 1000000.0));
        line += ';' + std::to_string(truncated(p.avg.y / height * 1000000.0));
        line += ';' + std::to_string(p.state & GazePoint::StateGazeTracked);
        line += ';' + realText(pupil);
    } else {
        line += ";-1;-1;-1;-1";
    }
    line += ';' + std::to_string(p.interestingPointValue);
    return line;
}

bool write(std::ostream& out, const QStringList& headerLines, const QRect& area,
           const std::vector<GazePoint>& points)
{
    if (area.width() <= 0 || area.height() <= 0)
        return false;
    out << columnHeader << '\n';
    for (const QString& header : headerLines)
        out << '#' << header.toUtf8().constData() << '\n';
    for (const GazePoint& point : points)
        out << dataLine(point, area) << '\n';
    out.flush();
    return out.good();
}

bool save(const std::filesystem::path& file, const QStringList& headerLines, const QRect& screenArea,
          const std::vector<GazePoint>& points, std::string* failure)
{
    std::error_code error;
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    std::filesystem::create_directories(folder, error);
    if (AtomicFile::write(file,
                          [&](std::ostream& out) { return write(out, headerLines, screenArea, points); }))
        return true;
    if (failure)
        *failure = whyNotWritten(folder, error);
    return false;
}

} // namespace ResultsFile
