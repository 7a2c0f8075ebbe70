#include "common/ProgramHelp.h"
#include "shots/ShotsTool.h"

#include "cli/ToolMain.h"

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
    if (const auto ended = startTool("gaze-shots", parsed, std::cout, std::cerr))
        return *ended;
    return runShotDetection(parsed.options, std::cerr);
}
