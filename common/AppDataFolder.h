#pragma once

#include <filesystem>
#include <optional>

// The system's own settings and log folder: the roaming application-data folder
// with the subfolder "Orvalis". No folder when the known folder is unavailable.
std::optional<std::filesystem::path> appDataFolder();

// As above, creating the folder with its parents when it is missing; a folder
// that cannot be created is still returned (opening the log there then fails).
std::optional<std::filesystem::path> ensureAppDataFolder();
