#pragma once

#include <string_view>
#include <vector>

// Line and field helpers shared by the results-file and shot-file readers.
namespace text_fields {

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

} // namespace text_fields
