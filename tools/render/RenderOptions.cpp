#include "render/RenderOptions.h"

#include "cli/IntegerOption.h"

#include <QCommandLineParser>
#include <QStringList>

namespace {

bool readSwitch(const QCommandLineParser& parser, const QCommandLineOption& option, std::optional<bool>& out,
                std::string& error)
{
    if (!parser.isSet(option))
        return true;
    const QString value = parser.value(option).toLower();
    if (value == QLatin1String("on") || value == QLatin1String("yes") || value == QLatin1String("1"))
        out = true;
    else if (value == QLatin1String("off") || value == QLatin1String("no") || value == QLatin1String("0"))
        out = false;
    else
        error = "--" + option.names().front().toStdString() + " takes on or off";
    return error.empty();
}

// Movie times in milliseconds, as far as the shot and results files count them.
constexpr std::int64_t kLastMs = 2147483647;

} // namespace

ParsedRenderArguments parseRenderArguments(const std::vector<std::string>& arguments)
{
    ParsedRenderArguments result;
    RenderOptions& options = result.options;
    std::string& error = result.error;

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Draws the player's overlay over a movie without a display: one viewer's gaze (-f) or the heat map, "
        "pupil bar and keypoint squares of a folder of results (-d). Writes a video (.mp4: H.264, "
        ".webm: VP8) at the movie's size and frame rate, with its sound, or PNG pictures at the times "
        "given with --at. Settings come from the player's Gazeview.ini and GazeviewGUI.ini; the "
        "switches below override them. With --join, parts rendered with --from/--to are joined into one "
        "file without encoding them again."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption movie(QStringLiteral("m"), QStringLiteral("The movie."),
                                   QStringLiteral("movie"));
    const QCommandLineOption file(QStringLiteral("f"), QStringLiteral("One viewer's results file."),
                                  QStringLiteral("csv"));
    const QCommandLineOption folder(QStringLiteral("d"), QStringLiteral("A folder of results files."),
                                    QStringLiteral("folder"));
    const QCommandLineOption output(QStringLiteral("o"),
                                    QStringLiteral("The video (.mp4, .webm) or picture (.png) to write."),
                                    QStringLiteral("file"));
    const QCommandLineOption at(QStringLiteral("at"),
                                QStringLiteral("Movie time of a picture; repeat for more (pictures then "
                                               "get \"-<ms>\" in their names)."),
                                QStringLiteral("ms"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("Start of the part rendered."),
                                  QStringLiteral("ms"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("End of the part rendered."),
                                QStringLiteral("ms"));
    const QCommandLineOption piece(QStringLiteral("piece"),
                                   QStringLiteral("Render a part to be joined with others by --join (.mp4; "
                                                  "its sound is kept lossless until the join)."));
    const QCommandLineOption length(QStringLiteral("length"),
                                    QStringLiteral("Print the movie's length in milliseconds and exit (for "
                                                   "splitting a rendering into parts)."));
    const QCommandLineOption join(
        QStringLiteral("join"),
        QStringLiteral("Join the parts given after the options, in their order, into "
                       "this .mp4 instead of rendering."),
        QStringLiteral("file"));
    const QCommandLineOption quality(QStringLiteral("quality"),
                                     QStringLiteral("Heat map resolution: fast or accurate."),
                                     QStringLiteral("fast|accurate"));
    const QCommandLineOption focusTime(QStringLiteral("focus-time"),
                                       QStringLiteral("Heat map circles grow with a steady gaze."),
                                       QStringLiteral("on|off"));
    const QCommandLineOption filtered(QStringLiteral("filtered"),
                                      QStringLiteral("Smoothed gaze positions instead of raw ones."),
                                      QStringLiteral("on|off"));
    const QCommandLineOption heatmap(QStringLiteral("heatmap"), QStringLiteral("Show the heat map."),
                                     QStringLiteral("on|off"));
    const QCommandLineOption pupil(QStringLiteral("pupil"), QStringLiteral("Show the pupil bar."),
                                   QStringLiteral("on|off"));
    const QCommandLineOption keypoints(
        QStringLiteral("keypoints"), QStringLiteral("Show the keypoint squares."), QStringLiteral("on|off"));
    const QCommandLineOption scanPath(
        QStringLiteral("scanpath"),
        QStringLiteral("Show one viewer's scan path: the fixations of the last 2 s joined by the saccades."),
        QStringLiteral("on|off"));
    const QCommandLineOption legend(
        QStringLiteral("legend"),
        QStringLiteral("Draw the legend: what each mark means, the heat map's colours and the movie time "
                       "(default: off)."),
        QStringLiteral("on|off"));
    const QCommandLineOption shots(QStringLiteral("shots"),
                                   QStringLiteral("Shot file (default: the movie's name + \"_shots.csv\")."),
                                   QStringLiteral("file"));
    const QCommandLineOption aois(QStringLiteral("aois"),
                                  QStringLiteral("Draw the movie's areas of interest (default off)."),
                                  QStringLiteral("on|off"));
    const QCommandLineOption aoiFile(
        QStringLiteral("aoi-file"),
        QStringLiteral(
            "File of areas of interest (default: the movie's name + \"_aois.csv\"); implies --aois on."),
        QStringLiteral("file"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Folder holding Gazeview.ini and GazeviewGUI.ini "
                                                     "(default: the player's)."),
                                      QStringLiteral("folder"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Write the diagnostic log to this file."),
                                 QStringLiteral("file"));
    parser.addOptions({help, movie, file, folder, output, at, from, to, quality, focusTime, filtered, heatmap,
                       pupil, keypoints, scanPath, legend, shots, settings, log});
    parser.addOptions({aois, aoiFile});
    parser.addOptions({piece, length, join});

    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    if (!parser.parse(list)) {
        error = parser.errorText().toStdString();
        return result;
    }
    if (parser.isSet(help)) {
        result.helpRequested = true;
        result.helpText = parser.helpText().toStdString();
        return result;
    }
    if (parser.isSet(join)) {
        options.output = parser.value(join).toStdString();
        for (const QString& piece : parser.positionalArguments())
            options.pieces.emplace_back(piece.toStdString());
        options.format = RenderOptions::Output::Mp4;
        if (QString::fromStdString(options.output.extension().string()).toLower() != QLatin1String(".mp4"))
            error = "the joined output must end in .mp4";
        else if (options.pieces.empty())
            error = "--join needs the parts to join";
        else if (parser.isSet(movie) || parser.isSet(file) || parser.isSet(folder) || parser.isSet(output))
            error = "--join takes only the parts";
        return result;
    }
    if (parser.isSet(length)) {
        options.lengthOnly = true;
        options.movie = parser.value(movie).toStdString();
        if (!parser.isSet(movie))
            error = "--length needs a movie (-m)";
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = "unexpected argument " + parser.positionalArguments().front().toStdString();
        return result;
    }
    if (!parser.isSet(movie) || !parser.isSet(output)) {
        error = "a movie (-m) and an output (-o) are needed";
        return result;
    }
    if (parser.isSet(file) == parser.isSet(folder)) {
        error = "either one results file (-f) or one folder (-d) is needed";
        return result;
    }
    options.movie = parser.value(movie).toStdString();
    options.directory = parser.isSet(folder);
    options.results = parser.value(options.directory ? folder : file).toStdString();
    options.output = parser.value(output).toStdString();

    const QString extension = QString::fromStdString(options.output.extension().string()).toLower();
    if (extension == QLatin1String(".mp4"))
        options.format = RenderOptions::Output::Mp4;
    else if (extension == QLatin1String(".webm"))
        options.format = RenderOptions::Output::WebM;
    else if (extension == QLatin1String(".png"))
        options.format = RenderOptions::Output::Pictures;
    else {
        error = "the output must end in .mp4, .webm or .png";
        return result;
    }

    for (const QString& value : parser.values(at)) {
        for (const QString& part : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            std::int64_t time = 0;
            if (!IntegerOption::read<std::int64_t>("at", part.trimmed().toStdString(), 0, kLastMs, time,
                                                   error))
                return result;
            options.atMs.push_back(time);
        }
    }
    if ((options.format == RenderOptions::Output::Pictures) != !options.atMs.empty()) {
        error = options.atMs.empty() ? "pictures need their times (--at)" : "--at is for .png pictures";
        return result;
    }
    options.piece = parser.isSet(piece);
    if (options.piece && options.format != RenderOptions::Output::Mp4) {
        error = "--piece is for .mp4 parts";
        return result;
    }
    if (!IntegerOption::read<std::int64_t>(parser, from.names().front(), 0, kLastMs, options.fromMs, error))
        return result;
    if (parser.isSet(to)) {
        std::int64_t end = 0;
        if (!IntegerOption::read<std::int64_t>(parser, to.names().front(), options.fromMs + 1, kLastMs, end,
                                               error))
            return result;
        options.toMs = end;
    }
    if (parser.isSet(quality)) {
        const QString value = parser.value(quality).toLower();
        if (value == QLatin1String("fast"))
            options.quality = 0;
        else if (value == QLatin1String("accurate"))
            options.quality = 1;
        else {
            error = "--quality takes fast or accurate";
            return result;
        }
    }
    if (!readSwitch(parser, focusTime, options.focusTime, error) ||
        !readSwitch(parser, filtered, options.filtered, error) ||
        !readSwitch(parser, heatmap, options.heatmap, error) ||
        !readSwitch(parser, pupil, options.pupil, error) ||
        !readSwitch(parser, keypoints, options.keypoints, error) ||
        !readSwitch(parser, scanPath, options.scanPath, error) ||
        !readSwitch(parser, legend, options.legend, error) || !readSwitch(parser, aois, options.aois, error))
        return result;
    if (parser.isSet(aoiFile)) {
        if (options.aois == false) {
            error = "--aoi-file is for --aois on";
            return result;
        }
        options.aois = true;
        options.aoiFile = parser.value(aoiFile).toStdString();
    }
    if (parser.isSet(shots))
        options.shotFile = parser.value(shots).toStdString();
    if (parser.isSet(settings)) {
        options.settingsDir = parser.value(settings).toStdString();
        // A folder not made yet holds no settings, so the player's defaults apply; anything else is a
        // mistake.
        std::error_code ignored;
        if (std::filesystem::exists(*options.settingsDir, ignored) &&
            !std::filesystem::is_directory(*options.settingsDir, ignored)) {
            error = "--settings needs the folder holding the player's settings files, not " +
                    options.settingsDir->string();
            return result;
        }
    }
    if (parser.isSet(log))
        options.logFile = parser.value(log).toStdString();
    return result;
}

std::filesystem::path picturePath(const RenderOptions& options, std::int64_t timeMs)
{
    if (options.atMs.size() <= 1)
        return options.output;
    std::filesystem::path path = options.output;
    path.replace_filename(options.output.stem().string() + "-" + std::to_string(timeMs) +
                          options.output.extension().string());
    return path;
}
