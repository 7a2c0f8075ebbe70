#include "platform/known_folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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

std::string provideRuntimeFolder()
{
    if (environmentFolder("XDG_RUNTIME_DIR"))
        return {};
    const std::filesystem::path top =
        std::filesystem::path("/tmp") / ("orvalis-" + std::to_string(::geteuid()));
    const std::filesystem::path runtime = top / "runtime";
    for (const auto& folder : {top, runtime}) {
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return "cannot create " + folder.string() + ": " + std::strerror(errno);
        struct stat info;
        if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
            return folder.string() + " is not a folder of this user";
    }
    // Qt takes the folder only with exactly these rights; a umask may have left fewer.
    if (::chmod(runtime.c_str(), 0700) != 0)
        return "cannot make " + runtime.string() + " private: " + std::strerror(errno);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    return {};
}

} // namespace platform
