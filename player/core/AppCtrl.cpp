#include "player/core/AppCtrl.h"

#include "common/AppDataFolder.h"
#include "common/InstallLayout.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "common/QtTexts.h"
#include "player/core/CommandLine.h"
#include "player/core/PlayerSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTranslator>

AppCtrl::AppCtrl() = default;

AppCtrl::~AppCtrl()
{
    if (translator_)
        QCoreApplication::removeTranslator(translator_.get());
    if (started_)
        LOG("AppCtrl stopped");
}

std::optional<QString> AppCtrl::Start(const QStringList& arguments, const QString& executablePath)
{
    if (!executablePath.isEmpty()) {
        ownFileName = executablePath;
        const QString folder = QFileInfo(executablePath).absolutePath();
        recorderFileName = folder + QStringLiteral("/Gazelog");
        extensionFileName = folder + QStringLiteral("/GazeviewExt");
    }

    const auto folder = appDataFolder();
    if (!folder)
        return QStringLiteral("Fatal error SHGetKnownFolderPath(FOLDERID_RoamingAppData). Exiting.");
    appDataDir = *folder;
    std::error_code error;
    std::filesystem::create_directories(appDataDir, error);
    if (!std::filesystem::is_directory(appDataDir, error))
        return QStringLiteral("Could not create, find or access to \"%1\" directory. Exiting.")
            .arg(QString::fromStdString((appDataDir / "").string()));

    logFilePath = appDataDir / "Gazeview.log";
    if (Logger::open(playerLogStyle(), logFilePath))
        return QStringLiteral("Fatal error. Could not open log file \"%1\" for writing. Exiting.")
            .arg(QString::fromStdString(logFilePath.string()));
    started_ = true;
    LOG("AppCtrl started (before log)");

    iniFilePath = appDataDir / "Gazeview.ini";
    guiFilePath = appDataDir / "GazeviewGUI.ini";
    LOG("iniFilePath: ", iniFilePath.string());
    LOG("guiFilePath: ", guiFilePath.string());

    PlayerSettings::read(*this);
    LoadLanguage();
    ProcessCommandLine(arguments);
    // The examination screen always shows the movie unscaled.
    if (mode != Mode::Play)
        PlayerSettings::readViewScale(*this);
    return std::nullopt;
}

void AppCtrl::LoadLanguage()
{
    if (language == QLatin1String("en")) {
        LOG("Staying with EN language");
        return;
    }
    const QString name = QStringLiteral("GazeviewRes_%1.qm").arg(language);
    // Only a plain file name beside the executable or in the data folder; the setting cannot point elsewhere.
    bool loaded = false;
    if (!ownFileName.isEmpty() && !language.contains(QLatin1Char('/'))) {
        const auto path = InstallLayout::findCatalogue(QFileInfo(ownFileName).absolutePath().toStdString(),
                                                       name.toStdString());
        QFile file(QString::fromStdString(path.string()));
        if (!path.empty() && file.open(QIODevice::ReadOnly)) {
            catalogue_ = file.readAll();
            auto translator = std::make_unique<QTranslator>();
            if (translator->load(reinterpret_cast<const uchar*>(catalogue_.constData()), catalogue_.size()) &&
                QCoreApplication::installTranslator(translator.get())) {
                translator_ = std::move(translator);
                loaded = true;
            }
        }
    }
    if (!loaded) {
        catalogue_.clear();
        LOG("No resource DLL '", name, "' found.");
        return;
    }
    languageLoaded = true;
    installQtTexts(language);
    LOG("Language file '", name, "' loaded ok.");
}

void AppCtrl::ProcessCommandLine(const QStringList& arguments)
{
    CommandLine::parse(*this, arguments);
}
