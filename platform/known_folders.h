#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// The per-user roaming settings folder: $XDG_CONFIG_HOME, else $HOME/.config.
// Neither set (or empty): no folder, the caller's failure path.
std::optional<std::filesystem::path> roamingAppDataFolder();

// Where outside programs are installed: $ProgramFiles(x86), else $ProgramFiles, else /opt.
std::filesystem::path programFilesFolder();

// A program that needs the GUI side of Qt but runs without a session (batch
// tools, services) gets a runtime folder: when $XDG_RUNTIME_DIR is not set it
// is pointed at /tmp/orvalis-<uid>/runtime, private to the user, so that Qt
// finds one and has nothing to warn of. Call before the application object;
// returns what went wrong, or nothing.
std::string provideRuntimeFolder();

} // namespace platform
