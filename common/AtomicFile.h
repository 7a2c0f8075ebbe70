#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <string_view>

// Writes a file so that readers see either the old content or the complete new
// one: the text goes to a temporary file in the same folder, is flushed and
// renamed over the target. On any failure the temporary file is removed and the
// target is left as it was.
namespace AtomicFile {

// The writer streams the content; returning false (or leaving the stream failed) aborts.
bool write(const std::filesystem::path& target, const std::function<bool(std::ostream&)>& writer);

bool write(const std::filesystem::path& target, std::string_view content);

} // namespace AtomicFile
