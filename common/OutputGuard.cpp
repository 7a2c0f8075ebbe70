#include "common/OutputGuard.h"

#include <algorithm>
#include <cctype>

namespace OutputGuard {

namespace {

bool isResultsFile(const std::filesystem::path& file)
{
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".csv";
}

// The same file, however it is named: equivalent() compares what the names
// resolve to (device and inode), so "./", links and hard links are all seen.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

} // namespace

std::optional<std::filesystem::path> replacedInput(const std::filesystem::path& output,
                                                   const std::vector<std::filesystem::path>& inputs)
{
    std::error_code error;
    if (!std::filesystem::exists(output, error))
        return std::nullopt;
    for (const std::filesystem::path& input : inputs) {
        if (input.empty())
            continue;
        if (sameFile(output, input))
            return input;
        if (!std::filesystem::is_directory(input, error))
            continue;
        for (std::filesystem::directory_iterator it(input, error), end; !error && it != end;
             it.increment(error))
            if (isResultsFile(it->path()) && sameFile(output, it->path()))
                return it->path();
    }
    return std::nullopt;
}

std::string refusal(const std::vector<std::filesystem::path>& outputs,
                    const std::vector<std::filesystem::path>& inputs)
{
    for (const std::filesystem::path& output : outputs)
        if (const auto input = replacedInput(output, inputs))
            return "the output " + output.string() + " would replace the input " + input->string();
    return {};
}

} // namespace OutputGuard
