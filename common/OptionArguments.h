#pragma once

#include <charconv>
#include <cstddef>
#include <string>
#include <vector>

// Small pieces shared by the command lines of the stand-ins and tools.
namespace OptionArguments {

struct Option
{
    std::string name;
    std::string value;
    bool separateValue = false; // the value was the next argument
};

// Reads "--name=value" or "--name value" at args[i]. A separate value is the
// next argument, and i then points at it.
Option take(const std::vector<std::string>& args, std::size_t& i);

// A whole decimal number within [min, max]; out is left alone otherwise.
template <typename Number> bool parseNumber(const std::string& text, Number& out, Number min, Number max)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return false;
    out = value;
    return true;
}

} // namespace OptionArguments
