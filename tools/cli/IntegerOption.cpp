#include "cli/IntegerOption.h"

std::string IntegerOption::rangeError(const std::string& name, const std::string& text, std::int64_t min,
                                      std::int64_t max)
{
    return "--" + name + " needs a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
           ", not \"" + text + "\"";
}
