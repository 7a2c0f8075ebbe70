#include "recorder/gtl/MessageFramer.h"

namespace gtl {

MessageFramer::MessageFramer(std::size_t maxMessageBytes) : maxMessageBytes_(maxMessageBytes) {}

void MessageFramer::append(std::string_view bytes)
{
    // Messages already handed out are dropped here rather than one by one, so a
    // chunk holding many messages is not shifted once per message.
    if (begin_ > 0) {
        buffer_.erase(0, begin_);
        begin_ = 0;
    }
    buffer_.append(bytes);
}

std::optional<std::string> MessageFramer::next()
{
    const std::size_t from = begin_ + scanned_;
    const JsonObjectMatcher::Result result = matcher_.scan(std::string_view(buffer_).substr(from));
    if (!result.matched) {
        scanned_ += result.consumed;
        return std::nullopt;
    }
    const std::size_t end = from + result.consumed;
    std::string message = buffer_.substr(begin_, end - begin_);
    begin_ = end;
    scanned_ = 0;
    matcher_.reset();
    return message;
}

void MessageFramer::reset()
{
    buffer_.clear();
    begin_ = 0;
    scanned_ = 0;
    matcher_.reset();
}

} // namespace gtl
