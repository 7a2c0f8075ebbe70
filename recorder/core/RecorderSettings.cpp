#include "recorder/core/RecorderSettings.h"

#include "common/AppDataFolder.h"
#include "common/IniFile.h"
#include "common/Logger.h"

#include <string>

namespace RecorderSettings {

namespace {

constexpr const char* section = "Screen";
constexpr const char* distanceKey = "viewingDistanceMm";

} // namespace

std::optional<std::filesystem::path> defaultFile()
{
    const auto folder = appDataFolder();
    if (!folder)
        return std::nullopt;
    return *folder / "Gazelog.ini";
}

int readViewingDistanceMm(const std::filesystem::path& file)
{
    const std::string text = IniFile::readString(file, section, distanceKey, "");
    if (text.empty())
        return defaultViewingDistanceMm;
    const int distance = IniFile::toInt(text);
    if (distance < minViewingDistanceMm || distance > maxViewingDistanceMm) {
        LOG("viewing distance out of range: ", text, ", using ", defaultViewingDistanceMm, " mm");
        return defaultViewingDistanceMm;
    }
    return distance;
}

bool writeViewingDistanceMm(const std::filesystem::path& file, int distanceMm)
{
    if (IniFile::writeString(file, section, distanceKey, std::to_string(distanceMm)))
        return true;
    LOG("IniFile::writeString failed: the viewing distance was not saved, file: ", file.string(),
        ", result: ", false);
    return false;
}

} // namespace RecorderSettings
