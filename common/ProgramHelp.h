#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

class QCommandLineParser;

// What every program of the system answers before it does anything else: its
// usage for --help and -h, its version for --version, and one line naming a bad
// option with a pointer to the usage.
namespace ProgramHelp {

enum class Request
{
    None,
    Help,
    Version
};

// The first of --help, -h or --version among the options (argv[0] excluded; a
// lone "--" ends the options).
Request requested(int argc, const char* const* argv);

// The version of the system's programs, e.g. "1.3.160625".
std::string version();

// Writes "<program> <version>" and returns the exit status 0.
int printVersion(std::string_view program, std::ostream& out);

// The text for a bad command line: what was wrong, then where the usage is.
std::string problemText(std::string_view program, std::string_view problem);

// Help and version need no window: a program of the window platform is moved to
// the offscreen platform when either is asked for and no display is reachable.
void offscreenForHelp(int argc, char** argv);

// Parses a Qt command line, adding --help/-h and --version to the parser's
// options. Answers help and version on out and a bad command line on err;
// returns the exit status then (0 or 2), or nothing when the program goes on
// (the parser then holds the values). Needs no application object.
std::optional<int> parseOrAnswer(QCommandLineParser& parser, int argc, char** argv, std::string_view program,
                                 std::ostream& out, std::ostream& err);

} // namespace ProgramHelp
