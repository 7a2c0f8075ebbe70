#include "common/AppDataFolder.h"

#include "platform/known_folders.h"

#include <system_error>

std::optional<std::filesystem::path> appDataFolder()
{
    const auto roaming = platform::roamingAppDataFolder();
    if (!roaming)
        return std::nullopt;
    return *roaming / "Orvalis";
}

std::optional<std::filesystem::path> ensureAppDataFolder()
{
    auto folder = appDataFolder();
    if (folder) {
        std::error_code error;
        std::filesystem::create_directories(*folder, error);
    }
    return folder;
}
