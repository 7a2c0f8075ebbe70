#include "common/InstallLayout.h"

#include <system_error>

namespace InstallLayout {

std::filesystem::path dataFolder(const std::filesystem::path& programFolder)
{
    // The build passes the path from the installed bin folder to the data folder.
    return (programFolder / GAZE_DATA_FROM_BIN).lexically_normal();
}

std::filesystem::path findCatalogue(const std::filesystem::path& programFolder, std::string_view fileName)
{
    std::error_code error;
    for (const auto& candidate :
         {programFolder / fileName, dataFolder(programFolder) / "translations" / fileName}) {
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate;
    }
    return {};
}

} // namespace InstallLayout
