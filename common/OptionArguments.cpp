#include "common/OptionArguments.h"

namespace OptionArguments {

Option take(const std::vector<std::string>& args, std::size_t& i)
{
    const std::string& arg = args[i];
    const auto equals = arg.find('=');
    Option option;
    option.name = arg.substr(0, equals);
    if (equals != std::string::npos) {
        option.value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
        option.value = args[++i];
        option.separateValue = true;
    }
    return option;
}

} // namespace OptionArguments
