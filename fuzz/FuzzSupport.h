#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

// Shared by the fuzz targets: a private scratch folder for the readers that take
// a path, a quiet log, and a check that reports a broken promise as a crash.
namespace fuzz_support {

// Sends the log to /dev/null; once per process.
void quietLog();

// A folder of this process, in memory when the machine offers /dev/shm (the
// writers sync every file), removed at exit or by a later run.
const std::filesystem::path& scratchFolder();

// Replaces the file `name` in the scratch folder with `bytes` and returns its path.
std::filesystem::path writeScratchFile(std::string_view name, std::string_view bytes);

// Aborts with `what` on stderr when `condition` is false, so that libFuzzer
// keeps the input that broke it.
void check(bool condition, const char* what);

// Takes an optional first line "@..." off `input` and returns it without the
// '@'; empty when the input does not start with one. The results-file targets
// carry their preprocessing settings there.
std::string_view takeSettingsLine(std::string_view& input);

// The results files in an input, separated by form feeds: at most four, the
// last one taking the rest.
std::vector<std::string_view> splitFiles(std::string_view input);

inline std::string_view asText(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace fuzz_support
