#include "analysis/AnalysisReport.h"
#include "common/ProgramHelp.h"

#include "common/Logger.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <iostream>
#include <malloc.h>
#include <memory>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (ProgramHelp::requested(argc, argv) == ProgramHelp::Request::Version)
        return ProgramHelp::printVersion("gaze-analyse", std::cout);
    // Every file's derivation takes and gives back blocks of tens of megabytes:
    // kept in the heap they are reused instead of mapped and zeroed anew.
    ::mallopt(M_MMAP_THRESHOLD, 256 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 512 << 20);
    std::vector<std::string> arguments(argv, argv + argc);
    const ParsedArguments parsed = parseAnalysisArguments(arguments);
    // A plot needs fonts, which need the GUI side of Qt; it never shows a window.
    if (parsed.options.plotFile && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (parsed.options.plotFile)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    if (parsed.helpRequested) {
        std::cout << parsed.helpText;
        return 0;
    }
    if (!parsed.error.empty()) {
        std::cerr << ProgramHelp::problemText("gaze-analyse", parsed.error);
        return 1;
    }
    // Opening the log rewrites it: it must not name an input either.
    if (const std::string problem = overwriteProblem(parsed.options); !problem.empty()) {
        std::cerr << "gaze-analyse: " << problem << '\n';
        return 1;
    }
    // The data code logs as the player does; without --log those lines are not wanted on the console.
    const std::filesystem::path log = parsed.options.logFile.value_or("/dev/null");
    if (Logger::open(playerLogStyle(), log)) {
        std::cerr << "gaze-analyse: cannot write the log file " << log.string() << '\n';
        return 1;
    }
    AnalysisOptions options = parsed.options;
    options.progress = ::isatty(STDERR_FILENO) == 1;
    return runAnalysis(options, std::cout, std::cerr);
}
