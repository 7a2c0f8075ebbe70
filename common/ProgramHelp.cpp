#include "common/ProgramHelp.h"

#include "platform/known_folders.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdlib>
#include <cstring>
#include <ostream>

namespace ProgramHelp {

Request requested(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--") == 0)
            break;
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)
            return Request::Help;
        if (std::strcmp(argument, "--version") == 0)
            return Request::Version;
    }
    return Request::None;
}

std::string version()
{
    return GAZE_VERSION;
}

int printVersion(std::string_view program, std::ostream& out)
{
    out << program << ' ' << version() << '\n';
    return 0;
}

std::string problemText(std::string_view program, std::string_view problem)
{
    std::string text;
    text.append(program).append(": ").append(problem).append("\nTry '").append(program).append(" --help'.\n");
    return text;
}

void offscreenForHelp(int argc, char** argv)
{
    if (requested(argc, argv) == Request::None)
        return;
    // Qt warns about a missing runtime folder on the way to the help text; a quiet private one serves.
    platform::provideRuntimeFolder();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

std::optional<int> parseOrAnswer(QCommandLineParser& parser, int argc, char** argv, std::string_view program,
                                 std::ostream& out, std::ostream& err)
{
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption versionOption(QStringLiteral("version"),
                                           QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(versionOption);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool parsed = parser.parse(arguments);
    // Help and version win over any other mistake on the same command line.
    if (parser.isSet(help) || requested(argc, argv) == Request::Help) {
        // The usage names the program by the application's first argument.
        std::optional<QCoreApplication> application;
        if (!QCoreApplication::instance())
            application.emplace(argc, argv);
        out << parser.helpText().toStdString();
        return 0;
    }
    if (parser.isSet(versionOption) || requested(argc, argv) == Request::Version)
        return printVersion(program, out);
    if (!parsed) {
        err << problemText(program, parser.errorText().toStdString());
        return 2;
    }
    return std::nullopt;
}

} // namespace ProgramHelp
