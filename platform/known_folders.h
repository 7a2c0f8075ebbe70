#pragma once

#include <filesystem>
#include <optional>

namespace platform {

// The per-user roaming settings folder: $XDG_CONFIG_HOME, else $HOME/.config.
// Neither set (or empty): no folder, the caller's failure path.
std::optional<std::filesystem::path> roamingAppDataFolder();

// Where outside programs are installed: $ProgramFiles(x86), else $ProgramFiles, else /opt.
std::filesystem::path programFilesFolder();

} // namespace platform
