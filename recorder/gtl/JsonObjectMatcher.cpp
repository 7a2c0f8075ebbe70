#include "recorder/gtl/JsonObjectMatcher.h"

#include <array>

namespace gtl {

namespace {

// The bytes the scans look at; every other byte is passed over in a tight loop.
enum ByteKind : unsigned char
{
    plain = 0,
    open_brace,
    close_brace,
    open_bracket,
    close_bracket,
    quote,
    backslash,
};

constexpr auto byteKinds = [] {
    std::array<unsigned char, 256> kinds{};
    kinds[static_cast<unsigned char>('{')] = open_brace;
    kinds[static_cast<unsigned char>('}')] = close_brace;
    kinds[static_cast<unsigned char>('[')] = open_bracket;
    kinds[static_cast<unsigned char>(']')] = close_bracket;
    kinds[static_cast<unsigned char>('"')] = quote;
    kinds[static_cast<unsigned char>('\\')] = backslash;
    return kinds;
}();

inline unsigned char kindOf(char c)
{
    return byteKinds[static_cast<unsigned char>(c)];
}

} // namespace

JsonObjectMatcher::Result JsonObjectMatcher::scan(std::string_view chunk)
{
    const std::size_t size = chunk.size();
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char kind = kindOf(chunk[i]);
        if (kind == plain && !escaped_)
            continue;
        if (inString_) {
            if (escaped_)
                escaped_ = false;
            else if (kind == backslash)
                escaped_ = true;
            else if (kind == quote)
                inString_ = false;
            continue;
        }
        if (kind == open_brace) {
            started_ = true;
            ++depth_;
        } else if (kind == close_brace) {
            if (depth_ > 0)
                --depth_;
        } else if (kind == quote && started_) {
            inString_ = true;
        }
        if (started_ && depth_ == 0) {
            std::size_t end = i + 1;
            while (end < size && chunk[end] != '{')
                ++end;
            started_ = false;
            return {end, true, i + 1};
        }
    }
    return {size, false, 0};
}

bool JsonObjectMatcher::nestedDeeperThan(std::string_view text, int levels)
{
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char kind = kindOf(text[i]);
        if (kind == plain)
            continue;
        if (inString) {
            if (kind == backslash)
                ++i; // the escaped byte, whatever it is
            else if (kind == quote)
                inString = false;
        } else if (kind == quote) {
            inString = true;
        } else if (kind == open_brace || kind == open_bracket) {
            if (++depth > levels)
                return true;
        } else if (kind == close_brace || kind == close_bracket) {
            --depth;
        }
    }
    return false;
}

} // namespace gtl
