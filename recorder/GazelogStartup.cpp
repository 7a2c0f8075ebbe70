#include "recorder/GazelogStartup.h"

#include "common/AppDataFolder.h"
#include "common/IniFile.h"
#include "common/InstallLayout.h"
#include "common/Logger.h"
#include "common/ProgramHelp.h"
#include "common/QtLogItems.h"
#include "common/QtTexts.h"
#include "platform/quit_signals.h"
#include "recorder/Gazelog.h"
#include "recorder/MessageBoxPrompt.h"
#include "recorder/StartUpPrompt.h"
#include "recorder/TrackerFactory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextCodec>
#include <QTranslator>
#include <cerrno>
#include <cstdlib>
#include <iostream>

namespace {

// A Qt application can only be made for a message box when some display platform is reachable.
bool displayAvailable()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

void reportLogFailure(int argc, char** argv, const std::filesystem::path& logPath)
{
    const QString text =
        QString::fromUtf8("Nie można otworzyć pliku \"%1\" do zapisu. Program kończy działanie.")
            .arg(QString::fromStdString(logPath.string()));
    std::cerr << text.toStdString() << std::endl;
    if (!displayAvailable())
        return;
    QApplication app(argc, argv);
    MessageBoxPrompt(nullptr).warning(QStringLiteral("Gazelog"), text);
}

} // namespace

bool installGazelogTranslator(QCoreApplication& app, QTranslator& translator,
                              const std::optional<std::filesystem::path>& folder)
{
    if (!folder)
        return false;
    const std::string language = IniFile::readString(*folder / "GazeviewGUI.ini", "GUI", "language", "en");
    LOG("language: ", language);
    if (language != "pl")
        return false;
    // The working folder first, as on Windows; then beside the program or in the installed data folder.
    const auto installed =
        InstallLayout::findCatalogue(QCoreApplication::applicationDirPath().toStdString(), "gazelog_pl.qm");
    const bool loaded = translator.load(QStringLiteral("gazelog_pl.qm")) ||
                        (!installed.empty() && translator.load(QString::fromStdString(installed.string())));
    installQtTexts(QStringLiteral("pl"));
    return loaded && app.installTranslator(&translator);
}

int runGazelog(int argc, char** argv)
{
    // Help, version and a bad command line are answered before the log is opened.
    QCommandLineParser parser;
    const QCommandLineOption movieOption(QStringList{QStringLiteral("m"), QStringLiteral("movie")},
                                         QStringLiteral("The movie to show."), QStringLiteral("movie"));
    parser.addOption(movieOption);
    if (const auto answered = ProgramHelp::parseOrAnswer(parser, argc, argv, "Gazelog", std::cout, std::cerr))
        return *answered;
    const QString moviePath = parser.value(movieOption);

    const auto folder = ensureAppDataFolder();
    std::filesystem::path logPath = "Gazelog.log";
    if (folder)
        logPath = *folder / "Gazelog.log";
    else
        std::cout << "Failed to find the settings folder, result: " << -1 << " errno: " << errno << std::endl;

    std::cout << "Log file path: " << logPath.string() << std::endl;
    if (Logger::open(recorderLogStyle(), logPath)) {
        // A start that could not open its log must not report success.
        reportLogFailure(argc, argv, logPath);
        return 1;
    }
    LOG("Start");
    for (int i = 0; i < argc; ++i)
        LOG("Parametr nr ", i, ": ", argv[i]);

    QApplication app(argc, argv);
    QTranslator translator;
    installGazelogTranslator(app, translator, folder);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    platform::quitOnTerminationSignals(&app);

    int exitCode = 0;
    {
        MessageBoxPrompt boxes(nullptr);
        StartUpPrompt prompt(boxes);
        GazelogServices services;
        services.prompt = &prompt;
        // The window still opens, so that the operator can choose another movie.
        if (!moviePath.isEmpty() && !QFileInfo(moviePath).isFile()) {
            LOG("Movie not found: ", moviePath);
            std::cerr << "Gazelog: the movie \"" << moviePath.toStdString() << "\" does not exist"
                      << std::endl;
            prompt.warning(
                QString(),
                QCoreApplication::translate("Gazelog", "The movie \"%1\" does not exist.").arg(moviePath));
        }
        services.makeController = makeTrackerController;
        Gazelog window(moviePath, std::move(services));
        window.show();
        if (const QString warnings = prompt.finishStartUp(); !warnings.isEmpty())
            MessageBoxPrompt(&window).notice(QCoreApplication::translate("Gazelog", "Error"), warnings);
        // A termination signal during start-up came before the loop that its quit would end.
        if (!platform::terminationRequested())
            exitCode = app.exec();
        // The program ends with an error only when samples were lost.
        window.abandonExamination();
        if (window.workflow()->recoveryFailed() && exitCode == 0)
            exitCode = 1;
    }
    return exitCode;
}
