#include "platform/known_folders.h"

#include <cstdlib>

namespace platform {

namespace {

std::optional<std::filesystem::path> environmentFolder(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::filesystem::path(value);
}

} // namespace

std::optional<std::filesystem::path> roamingAppDataFolder()
{
    if (auto config = environmentFolder("XDG_CONFIG_HOME"))
        return config;
    if (auto home = environmentFolder("HOME"))
        return *home / ".config";
    return std::nullopt;
}

std::filesystem::path programFilesFolder()
{
    if (auto x86 = environmentFolder("ProgramFiles(x86)"))
        return *x86;
    if (auto programFiles = environmentFolder("ProgramFiles"))
        return *programFiles;
    return "/opt";
}

} // namespace platform
