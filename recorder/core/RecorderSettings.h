#pragma once

#include "common/ScreenGeometry.h"

#include <filesystem>
#include <optional>

// The recorder's settings file, Gazelog.ini in the settings folder: what the
// operator sets on the settings tab and expects to find again at the next start.
namespace RecorderSettings {

inline constexpr int defaultViewingDistanceMm = ScreenGeometry::defaultDistanceMm;
inline constexpr int minViewingDistanceMm = 100;
inline constexpr int maxViewingDistanceMm = 20000;

// Gazelog.ini in the settings folder; none when that folder is unavailable.
std::optional<std::filesystem::path> defaultFile();

// How far the viewer's eyes are from the screen. The default when the file, the key
// or a usable value is missing; a value outside the range is logged and replaced.
int readViewingDistanceMm(const std::filesystem::path& file);
// False when the file cannot be written (logged).
bool writeViewingDistanceMm(const std::filesystem::path& file, int distanceMm);

} // namespace RecorderSettings
