#include "sim/eyetribe/RequestSplitter.h"

#include "sim/eyetribe/JsonText.h"

namespace sim {

namespace {

// Where the object starting at begin ends (one past its closing brace), or npos.
std::size_t objectEnd(std::string_view text, std::size_t begin)
{
    int depth = 0;
    bool inString = false;
    for (std::size_t i = begin; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '{')
            ++depth;
        else if (c == '}' && --depth == 0)
            return i + 1;
    }
    return std::string_view::npos;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A complete request starts at begin.
bool wholeRequestAt(std::string_view text, std::size_t begin)
{
    const std::size_t end = objectEnd(text, begin);
    if (end == std::string_view::npos)
        return false;
    std::string error;
    const auto value = parseJson(text.substr(begin, end - begin), error);
    if (!value)
        return false;
    const JsonValue* category = value->member("category");
    return category && category->type == JsonValue::Type::string;
}

} // namespace

std::optional<RequestSplitter::Piece> RequestSplitter::next()
{
    std::size_t start = 0;
    while (start < buffer_.size() && isBlank(buffer_[start]))
        ++start;
    buffer_.erase(0, start);
    if (buffer_.empty())
        return std::nullopt;

    const auto take = [this](std::size_t length, Piece::Kind kind) {
        Piece piece{kind, buffer_.substr(0, length)};
        buffer_.erase(0, length);
        while (!piece.text.empty() && isBlank(piece.text.back()))
            piece.text.pop_back();
        return piece;
    };
    if (buffer_.front() != '{')
        return take(std::min(buffer_.find('{'), buffer_.size()), Piece::Kind::junk);
    const std::size_t end = objectEnd(buffer_, 0);
    if (end != std::string::npos)
        return take(end, Piece::Kind::request);

    // An object still open: either a request split over several reads, or junk
    // such as an unbalanced '{"' that a whole request has followed.
    static constexpr std::string_view requestStart = R"({"category")";
    int candidates = 0;
    for (std::size_t at = buffer_.find(requestStart, 1); at != std::string::npos && candidates < 16;
         at = buffer_.find(requestStart, at + 1), ++candidates)
        if (wholeRequestAt(buffer_, at))
            return take(at, Piece::Kind::junk);
    if (buffer_.size() > maxRequestBytes)
        return take(buffer_.size(), Piece::Kind::junk);
    return std::nullopt;
}

} // namespace sim
