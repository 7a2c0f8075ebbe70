#pragma once

#include "common/OptionArguments.h"

#include <QCommandLineParser>
#include <QString>
#include <cstdint>
#include <string>

// The tools' integer options: a whole decimal number within the option's range,
// refused in one line that names the option, the value and the range.
namespace IntegerOption {

// "--name needs a whole number from min to max, not "text"".
std::string rangeError(const std::string& name, const std::string& text, std::int64_t min, std::int64_t max);

// Reads `text` as the value of --name. False, with the error set and out left alone, when it is
// not a whole number from min to max.
template <typename Number>
bool read(const std::string& name, const std::string& text, Number min, Number max, Number& out,
          std::string& error)
{
    if (OptionArguments::parseNumber(text, out, min, max))
        return true;
    error = rangeError(name, text, min, max);
    return false;
}

// The same for the option's value on the parsed command line; true, out left alone, when it is not given.
template <typename Number>
bool read(const QCommandLineParser& parser, const QString& name, Number min, Number max, Number& out,
          std::string& error)
{
    return !parser.isSet(name) ||
           read(name.toStdString(), parser.value(name).toStdString(), min, max, out, error);
}

} // namespace IntegerOption
