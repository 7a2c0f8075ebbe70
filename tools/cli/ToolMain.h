#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

// What a batch tool's parsed command line comes to before the tool's own work.
struct ToolStart
{
    std::string name; // as the messages name the program: "gaze-render"
    bool helpRequested = false;
    std::string helpText;
    std::string error; // the command line was refused
    // Why an output would replace an input; asked only of a command line that was not refused.
    std::function<std::string()> overwriteProblem;
    std::optional<std::filesystem::path> logFile; // none: the log goes nowhere
};

// The steps every tool takes before its work: the help, a refused command
// line, an output that would replace an input (the log included, which opening
// rewrites), and the player's log. The exit code when the tool ends here.
std::optional<int> startTool(const ToolStart& start, std::ostream& out, std::ostream& err);

// The same for a tool's parsed command line: its help, its refusal, its options'
// log file, and the tool's own overwriteProblem(options).
template <typename Parsed>
std::optional<int> startTool(std::string name, const Parsed& parsed, std::ostream& out, std::ostream& err)
{
    return startTool(ToolStart{std::move(name), parsed.helpRequested, parsed.helpText, parsed.error,
                               [&] { return overwriteProblem(parsed.options); }, parsed.options.logFile},
                     out, err);
}

// Drawing and fonts need the GUI side of Qt but never a display or a session:
// the offscreen platform unless another is asked for, and a runtime folder.
// Call before the application object.
void prepareHeadlessGui();
