#include "FuzzSupport.h"

#include "common/Logger.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fuzz_support {

namespace {

// libFuzzer ends some runs without the exit handlers, so folders of processes
// that have gone are removed by the next run.
void removeStaleFolders(const std::filesystem::path& base)
{
    const std::string prefix = "gaze-fuzz-";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0)
            continue;
        const std::string pid = name.substr(prefix.size());
        if (!pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos &&
            !std::filesystem::exists("/proc/" + pid, error))
            std::filesystem::remove_all(entry.path(), error);
    }
}

std::filesystem::path makeScratchFolder()
{
    std::error_code error;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                           ? "/dev/shm"
                                           : std::filesystem::temp_directory_path();
    removeStaleFolders(base);
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

std::string_view takeSettingsLine(std::string_view& input)
{
    if (input.empty() || input.front() != '@')
        return {};
    const size_t end = std::min(input.find('\n'), input.size());
    const std::string_view line = input.substr(1, end - 1);
    input.remove_prefix(std::min(end + 1, input.size()));
    return line;
}

std::vector<std::string_view> splitFiles(std::string_view input)
{
    std::vector<std::string_view> files;
    while (files.size() < 3) {
        const size_t feed = input.find('\f');
        if (feed == std::string_view::npos)
            break;
        files.push_back(input.substr(0, feed));
        input.remove_prefix(feed + 1);
    }
    files.push_back(input);
    return files;
}

} // namespace fuzz_support
