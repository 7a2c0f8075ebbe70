#include "analysis/AnalysisReport.h"
#include "common/ProgramHelp.h"

#include "cli/ToolMain.h"

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
    if (parsed.options.plotFile)
        prepareHeadlessGui();
    std::unique_ptr<QCoreApplication> app;
    if (parsed.options.plotFile)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    if (const auto ended = startTool("gaze-analyse", parsed, std::cout, std::cerr))
        return *ended;
    AnalysisOptions options = parsed.options;
    options.progress = ::isatty(STDERR_FILENO) == 1;
    return runAnalysis(options, std::cout, std::cerr);
}
