#include "player/data/TextFields.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <new>

namespace text_fields {

bool readWholeFile(const std::filesystem::path& path, std::string& content)
{
    // Only regular files: a folder has no text, and a device such as /dev/zero would never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0 || static_cast<std::uintmax_t>(size) > kMaxWholeFileBytes)
        return false;
    content.resize(static_cast<size_t>(size));
    in.read(content.data(), size);
    content.resize(static_cast<size_t>(in.gcount()));
    return !in.bad();
}

LineReader::LineReader(std::istream& in, size_t maxLineBytes)
    : in_(in), buffer_(new char[maxLineBytes + kReadAhead]), bufferSize_(maxLineBytes + kReadAhead)
{
    std::memset(buffer_.get(), '\n', kReadAhead);
}

bool LineReader::fill()
{
    if (atEnd_)
        return false;
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    const size_t capacity = bufferSize_ - kReadAhead;
    if (end_ == capacity)
        return false;
    // A little at a time, so that what was just read is still in the cache when it is parsed.
    constexpr size_t chunk = 64u << 10;
    in_.read(buffer_.get() + end_, static_cast<std::streamsize>(std::min(capacity - end_, chunk)));
    const auto got = static_cast<size_t>(in_.gcount());
    end_ += got;
    std::memset(buffer_.get() + end_, '\n', kReadAhead);
    if (!in_)
        atEnd_ = true;
    return got > 0;
}

LineReader::Result LineReader::next(std::string_view& line)
{
    size_t searched = begin_;
    for (;;) {
        const char* from = buffer_.get() + searched;
        if (const void* found = std::memchr(from, '\n', end_ - searched)) {
            const auto at = static_cast<size_t>(static_cast<const char*>(found) - buffer_.get());
            line = std::string_view(buffer_.get() + begin_, at - begin_);
            begin_ = at + 1;
            break;
        }
        const size_t pending = end_ - begin_;
        if (!fill()) {
            if (in_.bad())
                return Result::Failed;
            if (!atEnd_ && end_ - begin_ == bufferSize_ - kReadAhead)
                return Result::TooLong;
            if (end_ == begin_)
                return Result::End;
            line = std::string_view(buffer_.get() + begin_, end_ - begin_);
            begin_ = end_;
            break;
        }
        searched = begin_ + pending;
    }
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return Result::Line;
}

bool nextLine(std::string_view& text, std::string_view& line)
{
    if (text.empty())
        return false;
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        line = text;
        text = {};
    } else {
        line = text.substr(0, end);
        text.remove_prefix(end + 1);
    }
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return true;
}

void split(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    for (;;) {
        const size_t end = line.find(';');
        if (end == std::string_view::npos) {
            fields.push_back(line);
            return;
        }
        fields.push_back(line.substr(0, end));
        line.remove_prefix(end + 1);
    }
}

int toInt(std::string_view field)
{
    size_t i = 0;
    const auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < field.size() && isBlank(field[i]))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > limit) {
            value = limit;
            while (i + 1 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '9')
                ++i;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace text_fields
