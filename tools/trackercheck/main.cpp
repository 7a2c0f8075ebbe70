#include "tools/trackercheck/PupilCheck.h"
#include "tools/trackercheck/TrackerCheck.h"

#include <iostream>

int main(int argc, char** argv)
{
    const tools::ParsedTrackerCheckOptions parsed = tools::parseTrackerCheckOptions({argv + 1, argv + argc});
    if (parsed.help) {
        std::cout << tools::trackerCheckUsage();
        return tools::check_ok;
    }
    if (!parsed.error.empty()) {
        std::cerr << "trackercheck: " << parsed.error << "\n" << tools::trackerCheckUsage();
        return tools::check_bad_usage;
    }
    if (parsed.options.pupil)
        return tools::runPupilCheck(parsed.options, std::cout, std::cerr);
    return tools::runTrackerCheck(parsed.options, std::cout, std::cerr);
}
