#include "analysis/AnalysisOptions.h"

#include "analysis/PupilPlot.h"
#include "cli/IntegerOption.h"

#include "common/AppDataFolder.h"
#include "common/IniFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <map>
#include <optional>

namespace {

// Times and radii past any movie or screen the tracker units describe.
constexpr int kLargest = 2147483647;

} // namespace

ParsedArguments parseAnalysisArguments(const std::vector<std::string>& arguments)
{
    ParsedArguments result;
    AnalysisOptions& options = result.options;

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Loads examination results files and prints their load status, the sample of every file "
        "at a movie time, the pupil statistics of the set, the keypoints around that time and, "
        "with a shot file, every shot with the number of files that have an interesting point "
        "in it."));
    parser.addPositionalArgument(QStringLiteral("inputs"),
                                 QStringLiteral("Results files, or folders whose .csv files are all loaded."),
                                 QStringLiteral("<file|folder>..."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption at(QStringLiteral("at"), QStringLiteral("Movie time to look at (default 0)."),
                                QStringLiteral("ms"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Settings file to read the Preprocessing values from "
                                                     "(default: the player's Gazeview.ini when present)."),
                                      QStringLiteral("file"));
    const QCommandLineOption eventsNum(QStringLiteral("events-num"),
                                       QStringLiteral("Samples averaged for the smoothed position."),
                                       QStringLiteral("n"));
    const QCommandLineOption filterRadius(QStringLiteral("filter-radius"),
                                          QStringLiteral("Radius of a steady gaze, 1,000,000 = screen size."),
                                          QStringLiteral("n"));
    const QCommandLineOption actionRadius(QStringLiteral("action-radius"),
                                          QStringLiteral("Time around an interesting point that is marked."),
                                          QStringLiteral("ms"));
    const QCommandLineOption shots(
        QStringLiteral("shots"), QStringLiteral("Shot file of the movie to count."), QStringLiteral("file"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print JSON instead of plain text."));
    const QCommandLineOption noSeries(QStringLiteral("no-series"),
                                      QStringLiteral("Leave the 32 ms pupil series out of the report."));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Write the diagnostic log to this file."),
                                 QStringLiteral("file"));
    const QCommandLineOption plot(QStringLiteral("plot"),
                                  QStringLiteral("Draw the pupil statistics, the shots and the keypoints "
                                                 "into this picture (.svg or .png)."),
                                  QStringLiteral("file"));
    parser.addOptions(
        {help, at, settings, eventsNum, filterRadius, actionRadius, shots, json, noSeries, log, plot});
    const MeasureOptionNames measureOptions = addMeasureOptions(parser);

    // File names are bytes: one that is not UTF-8 would not survive a trip
    // through QString, so the parser sees a stand-in and the name is put back.
    QStringList list;
    std::map<QString, std::string> names;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const QString text = QString::fromStdString(argument);
        if (text.toStdString() == argument) {
            list << text;
            continue;
        }
        const size_t equals = argument.find('=');
        const bool withOption = argument.starts_with("--") && equals != std::string::npos;
        const QString standIn = QStringLiteral("\u0001argument%1").arg(i);
        names[standIn] = withOption ? argument.substr(equals + 1) : argument;
        list << (withOption ? QString::fromStdString(argument.substr(0, equals + 1)) + standIn : standIn);
    }
    const auto path = [&names](const QString& value) {
        const auto found = names.find(value);
        return std::filesystem::path(found != names.end() ? found->second : value.toStdString());
    };
    if (!parser.parse(list)) {
        result.error = parser.errorText().toStdString();
        return result;
    }
    if (parser.isSet(help)) {
        result.helpRequested = true;
        // The usage line names the program from the application's arguments;
        // without an application there are none to name it from.
        int argc = 1;
        char name[] = "gaze-analyse";
        char* argv[] = {name, nullptr};
        std::optional<QCoreApplication> application;
        if (QCoreApplication::instance() == nullptr)
            application.emplace(argc, argv);
        result.helpText = parser.helpText().toStdString();
        return result;
    }

    if (parser.isSet(settings)) {
        options.settingsFile = path(parser.value(settings));
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(options.settingsFile, ignored)) {
            result.error = "cannot read the settings file " + options.settingsFile.string();
            return result;
        }
    } else if (const auto folder = appDataFolder()) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(*folder / "Gazeview.ini", ignored))
            options.settingsFile = *folder / "Gazeview.ini";
    }
    if (!options.settingsFile.empty()) {
        options.eventsNum =
            IniFile::readInt(options.settingsFile, "Preprocessing", "eventsNum", options.eventsNum);
        options.filterRadius =
            IniFile::readInt(options.settingsFile, "Preprocessing", "filterRadius", options.filterRadius);
        options.actionRadius =
            IniFile::readInt(options.settingsFile, "Preprocessing", "actionRadius", options.actionRadius);
    }
    if (!IntegerOption::read(parser, eventsNum.names().front(), 0, 1000000, options.eventsNum,
                             result.error) ||
        !IntegerOption::read(parser, filterRadius.names().front(), 0, 1000000, options.filterRadius,
                             result.error) ||
        !IntegerOption::read(parser, actionRadius.names().front(), 0, kLargest, options.actionRadius,
                             result.error) ||
        !IntegerOption::read(parser, at.names().front(), 0, kLargest, options.atMs, result.error))
        return result;

    if (parser.isSet(shots))
        options.shotFile = path(parser.value(shots));
    if (parser.isSet(log))
        options.logFile = path(parser.value(log));
    if (parser.isSet(plot)) {
        options.plotFile = path(parser.value(plot));
        if (!PupilPlot::knownExtension(*options.plotFile)) {
            result.error = "--plot needs a file name ending in .svg or .png";
            return result;
        }
    }
    if (!readMeasureOptions(parser, measureOptions, path, options.measures, result.error))
        return result;
    if (options.measures.shotTableFile && !options.shotFile) {
        result.error = "--shot-table needs --shots";
        return result;
    }
    options.json = parser.isSet(json);
    options.series = !parser.isSet(noSeries);
    for (const QString& input : parser.positionalArguments())
        options.inputs.push_back(path(input));
    if (options.inputs.empty())
        result.error = "no results file or folder given";
    return result;
}
