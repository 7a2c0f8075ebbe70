#pragma once

#include "recorder/gtl/JsonObjectMatcher.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace gtl {

// Cuts the bytes read from the server into message texts. A message text runs
// from the start of the unread bytes to the end of one object plus whatever
// follows it up to the next "{" (such as a line break).
class MessageFramer
{
public:
    static constexpr std::size_t defaultMaxMessageBytes = 1024 * 1024;

    explicit MessageFramer(std::size_t maxMessageBytes = defaultMaxMessageBytes);

    void append(std::string_view bytes);

    // The next complete message, if the bytes so far hold one.
    std::optional<std::string> next();

    // True once the unfinished message has grown past the limit: the stream can
    // no longer be trusted and the connection should be given up.
    bool overflowed() const { return buffer_.size() - begin_ > maxMessageBytes_; }

    void reset();

    // The start of the bytes not yet cut into a message, at most `bytes` of them.
    std::string_view unread(std::size_t bytes) const
    {
        return std::string_view(buffer_).substr(begin_, bytes);
    }

private:
    std::size_t maxMessageBytes_;
    std::string buffer_;
    std::size_t begin_ = 0;   // start of the unread message
    std::size_t scanned_ = 0; // bytes after begin_ the matcher has seen
    JsonObjectMatcher matcher_;
};

} // namespace gtl
