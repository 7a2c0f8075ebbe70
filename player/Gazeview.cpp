#include "player/Gazeview.h"

#include "common/Logger.h"
#include "common/ProgramHelp.h"
#include "platform/quit_signals.h"
#include "player/PlayerPrompts.h"
#include "player/PlayerWindow.h"
#include "player/core/AppCtrl.h"
#include "player/core/StringTable.h"
#include "player/core/TitleText.h"

#include <QApplication>
#include <QMessageBox>
#include <iostream>

int runGazeview(AppCtrl& app, const QStringList& arguments, const QString& executablePath,
                std::ostream& helpOutput)
{
    if (const auto fatal = app.Start(arguments, executablePath)) {
        // Whoever started the program without a display still learns why it ended.
        std::cerr << fatal->toStdString() << std::endl;
        if (!displayless())
            QMessageBox::critical(nullptr, TitleText::caption(), *fatal);
        return 1;
    }
    if (!app.commandLineProblem.empty())
        std::cerr << ProgramHelp::problemText("Gazeview", app.commandLineProblem) << std::flush;
    if (app.versionRequested)
        ProgramHelp::printVersion("Gazeview", helpOutput);
    if (app.helpRequested) {
        QString help = loadString(IDS_HELP);
        help.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        // The historic parameter list stays as the heading of the usage.
        helpOutput << "Usage: Gazeview [options]\n"
                   << help.toStdString()
                   << "\t-h, --help\tshow this help and exit\n"
                      "\t--version\tshow the version and exit\n"
                   << std::flush;
    }

    PlayerWindow window(app);
    window.show();
    window.startUp();
    // A polite termination (the recorder ending an examination) closes the
    // window like its close box, so the movie is closed and the log ends in order.
    platform::quitOnTerminationSignals(&window);
    // A quit requested during start-up ends the loop as soon as it runs.
    if (app.quitCode) {
        const int code = *app.quitCode;
        QMetaObject::invokeMethod(
            qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    }
    LOG("Begin of the main loop");
    const int code = QApplication::exec();
    LOG("End of the main loop");
    return code;
}
