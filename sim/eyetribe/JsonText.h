#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// A JSON value as the stand-in reads requests: small, typed, and kept apart from
// the client's decoder so that a fault of one cannot hide in the other.
struct JsonValue
{
    enum class Type
    {
        null = 0,
        boolean,
        number,
        string,
        array,
        object,
    };
    Type type = Type::null;
    bool flag = false;
    double number = 0;
    bool integral = false; // written without fraction or exponent
    std::string text;
    std::vector<JsonValue> items;
    // Members in the order written; a repeated key keeps its last value.
    std::vector<std::pair<std::string, JsonValue>> members;

    const JsonValue* member(std::string_view key) const;
    bool isInt() const
    {
        return type == Type::number && integral && number >= -2147483648.0 && number <= 2147483647.0;
    }
    bool isNumber() const { return type == Type::number; }
    bool isBool() const { return type == Type::boolean; }
};

// Parses exactly one JSON value filling the whole text (blanks around it aside),
// at most maxDepth levels deep. Returns nothing and the reason in error otherwise.
std::optional<JsonValue> parseJson(std::string_view text, std::string& error, int maxDepth = 16);

} // namespace sim
