#include "common/IniFile.h"

#include "common/AtomicFile.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <fstream>
#include <optional>
#include <vector>

namespace {

std::string_view trim(std::string_view s)
{
    const auto notBlank = [](char c) { return !std::isspace(static_cast<unsigned char>(c)); };
    const auto first = std::find_if(s.begin(), s.end(), notBlank);
    const auto last = std::find_if(s.rbegin(), s.rend(), notBlank).base();
    return first < last ? std::string_view(&*first, static_cast<size_t>(last - first)) : std::string_view();
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Settings files are a few kilobytes; anything far larger is not one.
constexpr std::uintmax_t kMaxIniBytes = 1u << 20;

enum class Readable
{
    Yes,
    Missing,
    No, // not a regular file (a FIFO would block, a device never end) or too large
};

Readable readable(const std::filesystem::path& file)
{
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return Readable::Missing;
    if (error || status.type() != std::filesystem::file_type::regular)
        return Readable::No;
    const auto size = std::filesystem::file_size(file, error);
    return error || size > kMaxIniBytes ? Readable::No : Readable::Yes;
}

std::vector<std::string> readLines(const std::filesystem::path& file)
{
    std::vector<std::string> lines;
    if (readable(file) != Readable::Yes)
        return lines;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    std::uintmax_t total = 0;
    // The file may have grown since its size was looked at.
    while (total <= kMaxIniBytes && std::getline(in, line)) {
        total += line.size() + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

// "[name]" -> name
std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trim(line.substr(1, close - 1));
}

// "key=value" -> key; comments and lines without '=' have no key.
std::optional<std::string_view> keyName(std::string_view line)
{
    const std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#')
        return std::nullopt;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return trim(line.substr(0, eq));
}

struct Location
{
    std::optional<size_t> sectionLine;
    std::optional<size_t> keyLine;
    size_t sectionEnd = 0; // one past the last line that belongs to the section
};

Location locate(const std::vector<std::string>& lines, std::string_view section, std::string_view key)
{
    Location at;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i])) {
            if (inSection)
                break;
            inSection = sameName(*name, section);
            if (inSection)
                at.sectionLine = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!trim(lines[i]).empty())
            at.sectionEnd = i + 1;
        const auto name = keyName(lines[i]);
        if (name && sameName(*name, key) && !at.keyLine)
            at.keyLine = i;
    }
    if (at.sectionLine && at.sectionEnd == 0)
        at.sectionEnd = *at.sectionLine + 1;
    return at;
}

std::optional<std::string> lookup(const std::filesystem::path& file, std::string_view section,
                                  std::string_view key)
{
    const auto lines = readLines(file);
    const Location at = locate(lines, section, key);
    if (!at.keyLine)
        return std::nullopt;
    const std::string& line = lines[*at.keyLine];
    std::string_view value = trim(std::string_view(line).substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

} // namespace

namespace IniFile {

int toInt(std::string_view text)
{
    text = trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(UINT_MAX))
            value = static_cast<long long>(UINT_MAX);
    }
    // Wraps to 32 bits like the Windows conversion.
    const auto bits = static_cast<unsigned>(negative ? -value : value);
    return static_cast<int>(bits);
}

int readInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
            int defaultValue)
{
    const auto value = lookup(file, section, key);
    return value ? toInt(*value) : defaultValue;
}

std::string readString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                       std::string_view defaultValue)
{
    const auto value = lookup(file, section, key);
    return value ? *value : std::string(defaultValue);
}

bool writeString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value)
{
    // A file that cannot be read as settings is not replaced by one holding a single key.
    if (readable(file) == Readable::No)
        return false;
    auto lines = readLines(file);
    const Location at = locate(lines, section, key);
    const std::string entry = std::string(key) + "=" + std::string(value);
    if (at.keyLine) {
        lines[*at.keyLine] = entry;
    } else if (at.sectionLine) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at.sectionEnd), entry);
    } else {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(entry);
    }
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return AtomicFile::write(file, text);
}

} // namespace IniFile
