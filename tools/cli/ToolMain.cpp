#include "cli/ToolMain.h"

#include "common/Logger.h"
#include "common/ProgramHelp.h"
#include "platform/known_folders.h"

#include <QByteArray>
#include <QtGlobal>

std::optional<int> startTool(const ToolStart& start, std::ostream& out, std::ostream& err)
{
    if (start.helpRequested) {
        out << start.helpText;
        return 0;
    }
    if (!start.error.empty()) {
        err << ProgramHelp::problemText(start.name, start.error);
        return 1;
    }
    if (start.overwriteProblem) {
        if (const std::string problem = start.overwriteProblem(); !problem.empty()) {
            err << start.name << ": " << problem << '\n';
            return 1;
        }
    }
    // The data code logs as the player does; without --log those lines are not wanted on the console.
    const std::filesystem::path log = start.logFile.value_or("/dev/null");
    if (Logger::open(playerLogStyle(), log)) {
        err << start.name << ": cannot write the log file " << log.string() << '\n';
        return 1;
    }
    return std::nullopt;
}

void prepareHeadlessGui()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    // Without a runtime folder Qt warns on the console, which belongs to the
    // tool's own messages. When none can be made, Qt's warning says so.
    platform::provideRuntimeFolder();
}
