#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Line and field helpers shared by the results-file and shot-file readers.
namespace text_fields {

// Shot lists and the like are read whole; nothing of theirs comes near this size.
constexpr std::uintmax_t kMaxWholeFileBytes = 64u << 20;

// The whole content of a regular file of at most kMaxWholeFileBytes; false for
// anything else or when it cannot be read.
bool readWholeFile(const std::filesystem::path& path, std::string& content);

// A stream read line by line ("\n", a trailing "\r" dropped) through a buffer
// of bounded size, so that a file without line breaks cannot take all memory.
// Every line is followed in memory by at least kReadAhead bytes that may be
// read, the first of them the '\r' or '\n' that ended it (a '\n' after the last
// line), so that a parser can take several bytes at a time.
class LineReader
{
public:
    enum class Result
    {
        Line,
        End,
        TooLong, // a line longer than the buffer; nothing more is read
        Failed,  // the stream reported an error
    };

    static constexpr size_t kMaxLineBytes = 1u << 20;
    static constexpr size_t kReadAhead = 8;

    explicit LineReader(std::istream& in, size_t maxLineBytes = kMaxLineBytes);

    // The line stays valid until the next call.
    Result next(std::string_view& line);

private:
    bool fill();

    std::istream& in_;
    // kReadAhead bytes longer than the longest line; left uninitialised, as only
    // the start of it is used unless lines are long.
    std::unique_ptr<char[]> buffer_;
    size_t bufferSize_ = 0;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool atEnd_ = false;
};

// Takes the next line off the front of text (without "\n" and a trailing "\r",
// so files that went through a Windows text-mode writer read the same).
// Returns false when text is exhausted.
bool nextLine(std::string_view& text, std::string_view& line);

// True for lines the readers skip before and between data: empty or starting with '#'.
inline bool isSkipped(std::string_view line)
{
    return line.empty() || line.front() == '#';
}

// Splits at every ';'; "a;;b" gives three fields, the middle one empty.
void split(std::string_view line, std::vector<std::string_view>& fields);

// The C library's atoi: optional leading blanks and sign, then decimal digits;
// no digits give 0. Values beyond the int range saturate instead of wrapping.
int toInt(std::string_view field);

enum class HeaderResult
{
    Read,
    Missing,   // no header line, or its first field names no known column
    Duplicate, // two fields of the same kind (unknown names count as one kind)
};

// Reads the header line, the first line that is not skipped, and maps each of
// its fields to a column kind.
template <typename Column, typename KindOf>
HeaderResult readHeader(std::string_view& text, std::vector<Column>& columns, KindOf kindOf, Column unknown)
{
    std::string_view line;
    bool found = false;
    while (nextLine(text, line)) {
        if (!isSkipped(line)) {
            found = true;
            break;
        }
    }
    if (!found)
        return HeaderResult::Missing;
    std::vector<std::string_view> fields;
    split(line, fields);
    for (std::string_view name : fields) {
        const Column kind = kindOf(name);
        if (std::find(columns.begin(), columns.end(), kind) != columns.end())
            return HeaderResult::Duplicate;
        columns.push_back(kind);
    }
    return columns.front() == unknown ? HeaderResult::Missing : HeaderResult::Read;
}

} // namespace text_fields
