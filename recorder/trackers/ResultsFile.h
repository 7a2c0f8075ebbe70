#pragma once

#include "recorder/trackers/GazePoint.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

// The examination results file: a ";"-separated text, UTF-8 without byte-order
// mark, LF line ends. A column header line, "#" comment lines, then one line per
// sample with positions normalised to the screen area and scaled by 1,000,000.
namespace ResultsFile {

inline constexpr const char* columnHeader =
    "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;interesting_point_value";

// One data line without its line end. The area must not be empty.
std::string dataLine(const GazePoint& point, const QRect& screenArea);

// Streams the whole file; false when the stream failed or the area is empty.
bool write(std::ostream& out, const QStringList& headerLines, const QRect& screenArea,
           const std::vector<GazePoint>& points);

// Writes the file next to its final place and renames it there only when every
// line was written and flushed: a failed save leaves no half-written file.
// Creates missing folders on the way. On failure, `failure` (when given) says why,
// in words for the operator.
bool save(const std::filesystem::path& file, const QStringList& headerLines, const QRect& screenArea,
          const std::vector<GazePoint>& points, std::string* failure = nullptr);

} // namespace ResultsFile
