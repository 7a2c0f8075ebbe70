#include "recorder/gtl/JsonObjectMatcher.h"

namespace gtl {

JsonObjectMatcher::Result JsonObjectMatcher::scan(std::string_view chunk)
{
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        const char c = chunk[i];
        if (inString_) {
            if (escaped_)
                escaped_ = false;
            else if (c == '\\')
                escaped_ = true;
            else if (c == '"')
                inString_ = false;
            continue;
        }
        if (c == '{') {
            started_ = true;
            ++depth_;
        } else if (c == '}') {
            if (depth_ > 0)
                --depth_;
        } else if (c == '"' && started_) {
            inString_ = true;
        }
        if (started_ && depth_ == 0) {
            std::size_t end = i + 1;
            while (end < chunk.size() && chunk[end] != '{')
                ++end;
            started_ = false;
            return {end, true, i + 1};
        }
    }
    return {chunk.size(), false, 0};
}

std::string_view JsonObjectMatcher::firstObject(std::string_view text)
{
    const std::size_t begin = text.find('{');
    if (begin == std::string_view::npos)
        return {};
    JsonObjectMatcher matcher;
    const Result result = matcher.scan(text.substr(begin));
    if (!result.matched)
        return {};
    return text.substr(begin, result.objectEnd);
}

} // namespace gtl
