#include "player/AppCtrl.h"

#include "common/AppDataFolder.h"
#include "common/IniFile.h"
#include "common/InstallLayout.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "common/QtTexts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTranslator>

#include <algorithm>
#include <climits>
#include <cmath>
#include <sstream>
#include <variant>

namespace {

// Fractions are stored in the files as whole percents and read unsigned, so a
// negative percent becomes a huge fraction, as the settings always behaved.
struct Percent
{
    double AppCtrl::*field;
};

using SettingField = std::variant<int AppCtrl::*, bool AppCtrl::*, Percent>;

struct SettingKey
{
    const char* section;
    const char* key;
    SettingField field;
};

const SettingKey settingsFileKeys[] = {
    {"Preprocessing", "eventsNum", &AppCtrl::eventsNum},
    {"Preprocessing", "filterRadius", &AppCtrl::filterRadius},
    {"Preprocessing", "actionRadius", &AppCtrl::actionRadius},
    {"Navigation", "timeStep", &AppCtrl::timeStep},
    {"Navigation", "timeBiggerStep", &AppCtrl::timeBiggerStep},
    {"Results", "pupilStandardDeviationPercentThreshold",
     Percent{&AppCtrl::pupilStandardDeviationPercentThreshold}},
    {"Results", "minBlinkTime", &AppCtrl::minBlinkTime},
    {"Results", "maxBlinkTime", &AppCtrl::maxBlinkTime},
    {"Results", "heatMapPercentThresholdCyan", Percent{&AppCtrl::heatMapPercentThresholdCyan}},
    {"Results", "heatMapPercentThresholdGreen", Percent{&AppCtrl::heatMapPercentThresholdGreen}},
    {"Results", "heatMapPercentThresholdYellow", Percent{&AppCtrl::heatMapPercentThresholdYellow}},
    {"Results", "heatMapPercentThresholdRed", Percent{&AppCtrl::heatMapPercentThresholdRed}},
    {"Results", "heatMapCircleDiameterConst", &AppCtrl::heatMapCircleDiameterConst},
    {"Results", "heatMapCircleDiameterStart", &AppCtrl::heatMapCircleDiameterStart},
    {"Results", "heatMapCircleDiameterStep", &AppCtrl::heatMapCircleDiameterStep},
    {"Results", "recordingOffset", &AppCtrl::recordingOffset},
};

const SettingKey guiFileKeys[] = {
    {"GUI", "showBigCounter", &AppCtrl::showBigCounter}, {"GUI", "multiQuality", &AppCtrl::multiQuality},
    {"GUI", "showHeatmap", &AppCtrl::showHeatmap},       {"GUI", "showActions", &AppCtrl::showActions},
    {"GUI", "showPupil", &AppCtrl::showPupil},
};

const SettingKey viewScaleKeys[] = {
    {"GUI", "viewScaleXPercent", Percent{&AppCtrl::viewScaleX}},
    {"GUI", "viewScaleYPercent", Percent{&AppCtrl::viewScaleY}},
};

// Reads one key into its field, the field's value being the default; returns
// the value as the log shows it.
std::string readSetting(AppCtrl& app, const std::filesystem::path& file, const SettingKey& setting)
{
    std::ostringstream shown;
    std::visit(
        [&](auto field) {
            using Field = decltype(field);
            if constexpr (std::is_same_v<Field, int AppCtrl::*>) {
                app.*field = IniFile::readInt(file, setting.section, setting.key, app.*field);
                shown << app.*field;
            } else if constexpr (std::is_same_v<Field, bool AppCtrl::*>) {
                app.*field = IniFile::readInt(file, setting.section, setting.key, app.*field ? 1 : 0) != 0;
                shown << app.*field;
            } else {
                const auto percentDefault = static_cast<int>(std::lround(app.*field.field * 100));
                const auto percent = static_cast<unsigned>(
                    IniFile::readInt(file, setting.section, setting.key, percentDefault));
                app.*field.field = percent * 0.01;
                shown << app.*field.field;
            }
        },
        setting.field);
    return shown.str();
}

const char* separatorFor(std::string_view section)
{
    return section == "Preprocessing" || section == "Navigation" ? ": " : "= ";
}

// The C library's conversion: leading blanks, a sign and digits ("abc" gives 0),
// saturating at the ends of the int range rather than wrapping.
int toInt(const QString& text)
{
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        value = std::min(limit, value * 10 + text[i].digitValue());
    return static_cast<int>(negative ? -value : value);
}

constexpr int captionLimit = 259;

} // namespace

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

    ReadSettings();
    LoadLanguage();
    ProcessCommandLine(arguments);
    // The examination screen always shows the movie unscaled.
    if (mode != Mode::Play)
        ReadViewScale();
    return std::nullopt;
}

void AppCtrl::ReadSettings()
{
    for (const SettingKey& setting : settingsFileKeys)
        LOG(setting.section, "/", setting.key, separatorFor(setting.section),
            readSetting(*this, iniFilePath, setting));
    for (const SettingKey& setting : guiFileKeys)
        LOG(setting.section, "/", setting.key, separatorFor(setting.section),
            readSetting(*this, guiFilePath, setting));
    // The buffer the language was always read into holds 79 characters.
    language =
        QString::fromStdString(IniFile::readString(guiFilePath, "GUI", "language", language.toStdString()))
            .left(79);
    LOG("GUI/language= ", language);
}

void AppCtrl::ReadViewScale()
{
    for (const SettingKey& setting : viewScaleKeys)
        LOG(setting.section, "/", setting.key, separatorFor(setting.section),
            readSetting(*this, guiFilePath, setting));
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

void AppCtrl::RequestQuit(int code)
{
    quitCode = code;
}

void AppCtrl::ProcessCommandLine(const QStringList& arguments)
{
    LOG("Command line arguments number: ", arguments.size());
    for (int i = 1; i < arguments.size(); ++i)
        LOG(i, ": ", arguments[i]);

    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QLatin1Char('-'))) {
            LOG("Every parameter name must be preceded by dash (-)");
            RequestQuit(1);
            break;
        }
        if (argument.size() == 1) {
            LOG("Parameter should have a name (m, b, e, s, p, f, d or u)");
            RequestQuit(1);
            break;
        }
        const QChar letter = argument[1];
        if (letter != QLatin1Char('h') && i + 1 >= arguments.size()) {
            LOG("Every parameter should have a value");
            RequestQuit(1);
            break;
        }
        switch (letter.unicode()) {
        case 'm':
            movieFileName = arguments[++i];
            break;
        case 'b':
            beginTimeMs = std::max(0, toInt(arguments[++i]));
            break;
        case 'e':
            endTimeMs = std::max(1, toInt(arguments[++i]));
            break;
        case 's':
            serverWindowCaption = arguments[++i].left(captionLimit);
            break;
        case 'p':
            if (mode == Mode::None) {
                mode = Mode::Play;
                playDelayMs = std::max(0, toInt(arguments[++i]));
            } else {
                // The value stays unread and comes next as a parameter name.
                LOG("Parameter p excludes f and/or d");
                RequestQuit(1);
            }
            break;
        case 'f':
        case 'd':
            if (mode == Mode::None) {
                mode = letter == QLatin1Char('f') ? Mode::File : Mode::Directory;
            } else {
                LOG(letter == QLatin1Char('f') ? "Parameter f excludes d and/or p"
                                               : "Parameter d excludes p and/or f");
                RequestQuit(1);
            }
            resultsPath = arguments[++i];
            break;
        case 'u':
            SelectMonitor(arguments[++i]);
            break;
        case 'h':
            // Whoever started the program reads the help on standard output;
            // there is no console window to keep open.
            helpRequested = true;
            RequestQuit(0);
            break;
        default:
            LOG("Unknown parameter name");
            RequestQuit(1);
            break;
        }
    }

    switch (mode) {
    case Mode::None:
        LOG("Mode: NONE");
        break;
    case Mode::Play:
        LOG("Mode: PLAY, delay time: ", playDelayMs);
        break;
    case Mode::File:
        LOG("Mode: FILE");
        break;
    case Mode::Directory:
        LOG("Mode: DIRECTORY");
        break;
    }
}

void AppCtrl::SelectMonitor(const QString& value)
{
    monitorNum = toInt(value);
    LOG("Given monitor num is ", monitorNum);
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        const QString handle =
            screen->name().isEmpty() ? QStringLiteral("#%1").arg(monitors.size()) : screen->name();
        monitors.emplace_back(area);
        // Right and bottom lie one past the last pixel.
        LOG("Screen: ", handle, ", coordinates: ", area.left(), ", ", area.top(), ", ",
            area.left() + area.width(), ", ", area.top() + area.height());
    }
    const int count = static_cast<int>(monitors.size());
    LOG("Screen number: ", count);
    if (monitorNum >= count) {
        LOG("Screen index ", monitorNum, " is too big");
        monitorNum = count - 1;
        LOG("Monitor num set to ", monitorNum);
    } else if (monitorNum < 0) {
        monitorNum = count - 1;
        LOG("Monitor num set to ", monitorNum);
    }
}
