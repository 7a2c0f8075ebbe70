#include "sim/eyetribe/JsonText.h"

#include <charconv>
#include <cstdlib>

namespace sim {

const JsonValue* JsonValue::member(std::string_view key) const
{
    for (auto it = members.rbegin(); it != members.rend(); ++it)
        if (it->first == key)
            return &it->second;
    return nullptr;
}

namespace {

class Parser
{
public:
    Parser(std::string_view text, int maxDepth) : text_(text), maxDepth_(maxDepth) {}

    bool parse(JsonValue& out, std::string& error)
    {
        const bool ok = value(out, 0) && (blanks(), at_ == text_.size());
        if (!ok)
            error = (error_.empty() ? std::string("unexpected text") : error_) + " at byte " +
                    std::to_string(at_);
        return ok;
    }

private:
    void blanks()
    {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    bool fail(const char* why)
    {
        error_ = why;
        return false;
    }

    bool literal(std::string_view word)
    {
        if (text_.substr(at_, word.size()) != word)
            return fail("unknown literal");
        at_ += word.size();
        return true;
    }

    bool value(JsonValue& out, int depth)
    {
        blanks();
        if (at_ >= text_.size())
            return fail("unexpected end");
        const char c = text_[at_];
        if (c == '{' || c == '[') {
            if (depth >= maxDepth_)
                return fail("nested too deep");
            return c == '{' ? object(out, depth + 1) : array(out, depth + 1);
        }
        if (c == '"') {
            out.type = JsonValue::Type::string;
            return string(out.text);
        }
        if (c == 't' || c == 'f') {
            out.type = JsonValue::Type::boolean;
            out.flag = c == 't';
            return literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') {
            out.type = JsonValue::Type::null;
            return literal("null");
        }
        return number(out);
    }

    bool number(JsonValue& out)
    {
        const std::size_t begin = at_;
        if (at_ < text_.size() && text_[at_] == '-')
            ++at_;
        const std::size_t digits = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
            ++at_;
        if (at_ == digits || (text_[digits] == '0' && at_ - digits > 1))
            return fail("bad number");
        out.integral = true;
        if (at_ < text_.size() && text_[at_] == '.') {
            out.integral = false;
            const std::size_t fraction = ++at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
                ++at_;
            if (at_ == fraction)
                return fail("bad number");
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            out.integral = false;
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-'))
                ++at_;
            const std::size_t exponent = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
                ++at_;
            if (at_ == exponent)
                return fail("bad number");
        }
        out.type = JsonValue::Type::number;
        // strtod reads the C locale's decimal point only when the locale is "C";
        // from_chars never looks at the locale.
        const auto result = std::from_chars(text_.data() + begin, text_.data() + at_, out.number);
        if (result.ec != std::errc() && result.ec != std::errc::result_out_of_range)
            return fail("bad number");
        return true;
    }

    bool string(std::string& out)
    {
        ++at_; // the opening quote
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return fail("control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size())
                break;
            const char escaped = text_[at_++];
            switch (escaped) {
            case '"':
            case '\\':
            case '/':
                out += escaped;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned code = 0;
                const auto result = std::from_chars(text_.data() + at_,
                                                    text_.data() + std::min(at_ + 4, text_.size()), code, 16);
                if (result.ec != std::errc() || result.ptr != text_.data() + at_ + 4)
                    return fail("bad escape");
                at_ += 4;
                // Requests are ASCII; anything else is kept as a placeholder.
                out += code < 0x80 ? static_cast<char>(code) : '?';
                break;
            }
            default:
                return fail("bad escape");
            }
        }
        return fail("unterminated string");
    }

    bool array(JsonValue& out, int depth)
    {
        out.type = JsonValue::Type::array;
        ++at_;
        blanks();
        if (at_ < text_.size() && text_[at_] == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!value(item, depth))
                return false;
            out.items.push_back(std::move(item));
            blanks();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == ']') {
                ++at_;
                return true;
            }
            return fail("expected , or ]");
        }
    }

    bool object(JsonValue& out, int depth)
    {
        out.type = JsonValue::Type::object;
        ++at_;
        blanks();
        if (at_ < text_.size() && text_[at_] == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            blanks();
            if (at_ >= text_.size() || text_[at_] != '"')
                return fail("expected a key");
            std::string key;
            if (!string(key))
                return false;
            blanks();
            if (at_ >= text_.size() || text_[at_] != ':')
                return fail("expected :");
            ++at_;
            JsonValue member;
            if (!value(member, depth))
                return false;
            out.members.emplace_back(std::move(key), std::move(member));
            blanks();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == '}') {
                ++at_;
                return true;
            }
            return fail("expected , or }");
        }
    }

    std::string_view text_;
    int maxDepth_;
    std::size_t at_ = 0;
    std::string error_;
};

} // namespace

std::optional<JsonValue> parseJson(std::string_view text, std::string& error, int maxDepth)
{
    JsonValue value;
    Parser parser(text, maxDepth);
    if (!parser.parse(value, error))
        return std::nullopt;
    return value;
}

} // namespace sim
