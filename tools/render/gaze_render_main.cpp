#include "common/ProgramHelp.h"
#include "render/RenderJob.h"

#include "common/Logger.h"

#include <QGuiApplication>
#include <gst/gst.h>

#include <iostream>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (ProgramHelp::requested(argc, argv) == ProgramHelp::Request::Version)
        return ProgramHelp::printVersion("gaze-render", std::cout);
    // Drawing needs the GUI side of Qt, never a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    gst_init(&argc, &argv);
    const ParsedRenderArguments parsed = parseRenderArguments(std::vector<std::string>(argv, argv + argc));
    if (parsed.helpRequested) {
        std::cout << parsed.helpText;
        return 0;
    }
    if (!parsed.error.empty()) {
        std::cerr << ProgramHelp::problemText("gaze-render", parsed.error);
        return 1;
    }
    // Opening the log rewrites it: it must not name an input either.
    if (const std::string problem = overwriteProblem(parsed.options); !problem.empty()) {
        std::cerr << "gaze-render: " << problem << '\n';
        return 1;
    }
    const std::filesystem::path log = parsed.options.logFile.value_or("/dev/null");
    if (Logger::open(playerLogStyle(), log)) {
        std::cerr << "gaze-render: cannot write the log file " << log.string() << '\n';
        return 1;
    }
    if (parsed.options.lengthOnly)
        return printMovieLength(parsed.options.movie, std::cout, std::cerr);
    return runRender(parsed.options, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
