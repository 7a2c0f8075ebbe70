#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Private-profile INI files, read and written like the Windows calls: every call
// reads the file anew; a missing file, section or key gives the default; section
// and key names match without regard to case. Only regular files of up to 1 MiB
// are read; anything else reads as empty and is never written over. Writes replace only the key's line
// and reach the disk through a temporary file renamed into place.
namespace IniFile {

// Leading blanks, an optional sign and decimal digits ("33abc" -> 33, "abc" -> 0).
// Callers that read unsigned settings convert the result themselves, so "-5"
// read into an unsigned field wraps as it does on Windows.
int readInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
            int defaultValue);

// The value with surrounding blanks and one pair of enclosing quotes removed.
std::string readString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                       std::string_view defaultValue);

// Creates the file or section when missing. Returns false when the file cannot be written.
bool writeString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value);

// The integer conversion used by readInt, for values that arrive as text.
int toInt(std::string_view text);

} // namespace IniFile
