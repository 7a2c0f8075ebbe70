#include "common/ProgramHelp.h"
#include "render/RenderJob.h"

#include "cli/ToolMain.h"

#include <QGuiApplication>
#include <gst/gst.h>

#include <iostream>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (ProgramHelp::requested(argc, argv) == ProgramHelp::Request::Version)
        return ProgramHelp::printVersion("gaze-render", std::cout);
    prepareHeadlessGui();
    QGuiApplication app(argc, argv);
    gst_init(&argc, &argv);
    const ParsedRenderArguments parsed = parseRenderArguments(std::vector<std::string>(argv, argv + argc));
    if (const auto ended = startTool("gaze-render", parsed, std::cout, std::cerr))
        return *ended;
    if (parsed.options.lengthOnly)
        return printMovieLength(parsed.options.movie, std::cout, std::cerr);
    return runRender(parsed.options, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
