#include "common/ProgramHelp.h"
#include "tools/trackercheck/PupilCheck.h"
#include "tools/trackercheck/TrackerCheck.h"

#include <iostream>

int main(int argc, char** argv)
{
    if (ProgramHelp::requested(argc, argv) == ProgramHelp::Request::Version)
        return ProgramHelp::printVersion("trackercheck", std::cout);
    const tools::ParsedTrackerCheckOptions parsed = tools::parseTrackerCheckOptions({argv + 1, argv + argc});
    if (parsed.help) {
        std::cout << tools::trackerCheckUsage();
        return tools::check_ok;
    }
    if (!parsed.error.empty()) {
        std::cerr << ProgramHelp::problemText("trackercheck", parsed.error);
        return tools::check_bad_usage;
    }
    if (parsed.options.pupil)
        return tools::runPupilCheck(parsed.options, std::cout, std::cerr);
    return tools::runTrackerCheck(parsed.options, std::cout, std::cerr);
}
