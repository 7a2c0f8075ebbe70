#pragma once

#include <cstddef>
#include <string_view>

namespace gtl {

// Finds where one JSON object ends in a byte stream by counting braces. Braces
// inside strings (with their backslash escapes) are not counted, and a closing
// brace outside any object is ignored, so one odd message never misframes the
// messages after it. The state carries over from one chunk to the next.
class JsonObjectMatcher
{
public:
    struct Result
    {
        std::size_t consumed = 0;  // bytes of the chunk taken by this scan
        bool matched = false;      // an object ended within them
        std::size_t objectEnd = 0; // one past its closing brace, when matched
    };

    // Scans a chunk. On a match the bytes after the object up to the next "{"
    // (or the end of the chunk) are taken with it and the matcher is ready for
    // the next object; otherwise the whole chunk is consumed.
    Result scan(std::string_view chunk);

    void reset() { *this = JsonObjectMatcher{}; }

    // True when objects and arrays in the text nest deeper than the given number
    // of levels. A flat scan without recursion, so any depth is safe to ask about.
    static bool nestedDeeperThan(std::string_view text, int levels);

private:
    bool started_ = false;
    int depth_ = 0;
    bool inString_ = false;
    bool escaped_ = false;
};

} // namespace gtl
