#include "common/ProgramHelp.h"
#include "shots/ShotsTool.h"

#include "common/Logger.h"

#include <QCoreApplication>
#include <gst/gst.h>

#include <iostream>

int main(int argc, char* argv[])
{
    if (ProgramHelp::requested(argc, argv) == ProgramHelp::Request::Version)
        return ProgramHelp::printVersion("gaze-shots", std::cout);
    QCoreApplication app(argc, argv);
    gst_init(&argc, &argv);
    const ParsedShotsArguments parsed = parseShotsArguments(std::vector<std::string>(argv, argv + argc));
    if (parsed.helpRequested) {
        std::cout << parsed.helpText;
        return 0;
    }
    if (!parsed.error.empty()) {
        std::cerr << ProgramHelp::problemText("gaze-shots", parsed.error);
        return 1;
    }
    if (const std::string problem = overwriteProblem(parsed.options); !problem.empty()) {
        std::cerr << "gaze-shots: " << problem << '\n';
        return 1;
    }
    const std::filesystem::path log = parsed.options.logFile.value_or("/dev/null");
    if (Logger::open(playerLogStyle(), log)) {
        std::cerr << "gaze-shots: cannot write the log file " << log.string() << '\n';
        return 1;
    }
    return runShotDetection(parsed.options, std::cerr);
}
