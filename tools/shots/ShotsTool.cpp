#include "shots/ShotsTool.h"

#include "shots/CutDetector.h"
#include "shots/FoundShots.h"
#include "shots/MovieFrames.h"

#include "cli/IntegerOption.h"

#include "common/OutputGuard.h"
#include "player/data/ShotLine.h"

#include <QCommandLineParser>
#include <QStringList>

#include <climits>

namespace {

// Colours are counted on small frames: cuts show at any size, noise less so.
constexpr QSize kAnalysisSize(128, 72);

} // namespace

ParsedShotsArguments parseShotsArguments(const std::vector<std::string>& arguments)
{
    ParsedShotsArguments result;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Finds the hard cuts of a movie and writes them as a shot file beside it "
        "(\"<movie>_shots.csv\"), which the player reads. An existing shot file is never replaced: "
        "the shots then go to \"<movie>_found_shots.csv\" or the next free name."));
    parser.addPositionalArgument(QStringLiteral("movie"), QStringLiteral("The movie file."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption threshold(
        QStringLiteral("threshold"),
        QStringLiteral("Score from which a change between frames is a cut, 0 to 1 (default 0.35)."),
        QStringLiteral("score"));
    const QCommandLineOption minShot(QStringLiteral("min-shot"),
                                     QStringLiteral("Shortest shot; a cut sooner after the last one is "
                                                    "taken for a flash (default 250)."),
                                     QStringLiteral("ms"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Write the diagnostic log to this file."),
                                 QStringLiteral("file"));
    parser.addOptions({help, threshold, minShot, log});

    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    if (!parser.parse(list)) {
        result.error = parser.errorText().toStdString();
        return result;
    }
    if (parser.isSet(help)) {
        result.helpRequested = true;
        result.helpText = parser.helpText().toStdString();
        return result;
    }
    ShotsOptions& options = result.options;
    if (parser.isSet(threshold)) {
        bool ok = false;
        options.threshold = parser.value(threshold).toDouble(&ok);
        // Written so that "nan" fails too.
        if (!ok || !(options.threshold > 0.0 && options.threshold <= 1.0)) {
            result.error = "--threshold needs a number above 0 and at most 1";
            return result;
        }
    }
    // Cut times are kept as the shot file's int milliseconds.
    if (!IntegerOption::read<std::int64_t>(parser, minShot.names().front(), 0, INT_MAX, options.minShotMs,
                                           result.error))
        return result;
    if (parser.isSet(log))
        options.logFile = parser.value(log).toStdString();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        result.error = positional.isEmpty() ? "no movie given" : "one movie at a time";
        return result;
    }
    options.movie = positional.front().toStdString();
    return result;
}

std::string overwriteProblem(const ShotsOptions& options)
{
    // The shot file itself is linked to a free name and never replaces anything.
    if (!options.logFile)
        return {};
    return OutputGuard::refusal({*options.logFile}, {options.movie});
}

int runShotDetection(const ShotsOptions& options, std::ostream& err)
{
    MovieFrames frames(kAnalysisSize);
    if (!frames.open(options.movie)) {
        err << "gaze-shots: " << frames.error() << '\n';
        return 2;
    }
    CutDetector detector(options.threshold, options.minShotMs);
    MovieFrames::Frame frame;
    size_t reported = 0;
    while (frames.next(frame)) {
        detector.add(frame.image, frame.timeMs);
        for (; reported < detector.cuts().size(); ++reported) {
            const CutDetector::Cut& cut = detector.cuts()[reported];
            err << "cut at " << cut.timeMs << " ms, score " << cut.score << '\n';
        }
    }
    if (!frames.error().empty()) {
        err << "gaze-shots: " << frames.error() << '\n';
        return 2;
    }
    const FoundShots::Written written =
        FoundShots::write(options.movie, FoundShots::text(detector.cuts(), options.threshold));
    if (written.path.empty()) {
        err << "gaze-shots: " << written.error << '\n';
        return 3;
    }
    if (written.tookOtherName) {
        err << "gaze-shots: " << shotFileOf(options.movie).string()
            << " exists and is kept; the shots found went to " << written.path.string() << '\n';
    }
    err << detector.cuts().size() + 1 << " shots written to " << written.path.string() << '\n';
    return 0;
}
