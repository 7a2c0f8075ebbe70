#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Keeps a program from writing over what it reads. An output names an input when
// both reach the same file, through whatever name: "./", "..", a symbolic link or
// a hard link. An output that does not exist yet replaces nothing.
namespace OutputGuard {

// The input that writing output would replace. A folder among the inputs stands
// for the results files in it (names ending in ".csv", case ignored), which is
// what the programs read from a folder.
std::optional<std::filesystem::path> replacedInput(const std::filesystem::path& output,
                                                   const std::vector<std::filesystem::path>& inputs);

// "the output <o> would replace the input <i>" for the first output that names an
// input; empty when none does.
std::string refusal(const std::vector<std::filesystem::path>& outputs,
                    const std::vector<std::filesystem::path>& inputs);

} // namespace OutputGuard
