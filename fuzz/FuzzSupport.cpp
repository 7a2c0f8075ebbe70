#include "FuzzSupport.h"

#include "common/Logger.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fuzz_support {

namespace {

std::filesystem::path makeScratchFolder()
{
    std::error_code error;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                           ? "/dev/shm"
                                           : std::filesystem::temp_directory_path();
    const std::filesystem::path folder = base / ("gaze-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder, error);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(scratchFolder(), ignored);
    });
    return folder;
}

} // namespace

void quietLog()
{
    static const bool opened = [] {
        Logger::open(playerLogStyle(), "/dev/null");
        return true;
    }();
    (void)opened;
}

const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path folder = makeScratchFolder();
    return folder;
}

std::filesystem::path writeScratchFile(std::string_view name, std::string_view bytes)
{
    const std::filesystem::path path = scratchFolder() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    check(out.good(), "the scratch file could not be written");
    return path;
}

void check(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

} // namespace fuzz_support
