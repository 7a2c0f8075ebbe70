#include "analysis/MeasureOptions.h"

#include "cli/IntegerOption.h"
#include "common/OptionArguments.h"
#include "common/ScreenGeometry.h"

#include <QCommandLineParser>

#include <cstdio>

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

bool readInt(const QCommandLineParser& parser, const QString& name, int min, int max, std::optional<int>& out,
             std::string& error)
{
    int value = 0;
    if (!IntegerOption::read(parser, name, min, max, value, error))
        return false;
    if (parser.isSet(name))
        out = value;
    return true;
}

} // namespace

MeasureOptionNames addMeasureOptions(QCommandLineParser& parser)
{
    MeasureOptionNames names{
        QStringLiteral("events"),         QStringLiteral("synchrony"),     QStringLiteral("shot-table"),
        QStringLiteral("aois"),           QStringLiteral("aoi-table"),     QStringLiteral("aoi-summary"),
        QStringLiteral("screen-mm"),      QStringLiteral("distance-mm"),   QStringLiteral("sync-step-ms"),
        QStringLiteral("sync-sigma-deg"), QStringLiteral("sync-reach-ms"), {}};
    const measures::SynchronyParameters sync;
    parser.addOptions({
        {names.events,
         QStringLiteral("Write the eye-movement events of every results file to <dir>/<name>_events.csv."),
         QStringLiteral("dir")},
        {names.synchrony,
         QStringLiteral(
             "Write the attentional synchrony of all viewers (time_ms;viewers;dispersion_deg;nss)."),
         QStringLiteral("file")},
        {names.shotTable,
         QStringLiteral("Write the measures of every viewer and of all viewers per shot (needs --shots)."),
         QStringLiteral("file")},
        {names.aois, QStringLiteral("Areas of interest of the movie (its _aois.csv file) to measure."),
         QStringLiteral("file")},
        {names.aoiTable,
         QStringLiteral("Write the measures of every viewer, area of interest and shot (needs --aois)."),
         QStringLiteral("file")},
        {names.aoiSummary,
         QStringLiteral(
             "Write the measures of every area of interest and shot over all viewers (needs --aois)."),
         QStringLiteral("file")},
        {names.screenMm,
         QStringLiteral(
             "Screen size in mm, over what the files say (default %1,%2 for files that say nothing).")
             .arg(ScreenGeometry::defaultWidthMm)
             .arg(ScreenGeometry::defaultHeightMm),
         QStringLiteral("W,H")},
        {names.distanceMm,
         QStringLiteral(
             "Viewing distance in mm, over what the files say (default %1 for files that say nothing).")
             .arg(ScreenGeometry::defaultDistanceMm),
         QStringLiteral("D")},
        {names.stepMs, QStringLiteral("Synchrony step (default %1).").arg(sync.stepMs), QStringLiteral("ms")},
        {names.sigmaDeg,
         QStringLiteral("Spread of each viewer's gaze on the synchrony map (default %1).")
             .arg(number(sync.sigmaDeg)),
         QStringLiteral("deg")},
        {names.reachMs,
         QStringLiteral("A viewer's sample counts at a synchrony step this close to it (default %1).")
             .arg(sync.sampleReachMs),
         QStringLiteral("ms")},
    });
    const measures::EventParameters defaults;
    for (const auto& info : measures::eventParameterInfos()) {
        const QString name = QString::fromLatin1(info.name);
        names.eventParameters.push_back(name);
        parser.addOption({name,
                          QString::fromLatin1(info.help) +
                              QStringLiteral(" (default %1).").arg(number(defaults.*info.member)),
                          QStringLiteral("value")});
    }
    return names;
}

bool readMeasureOptions(const QCommandLineParser& parser, const MeasureOptionNames& names,
                        const std::function<std::filesystem::path(const QString&)>& path,
                        MeasureOptions& options, std::string& error)
{
    if (parser.isSet(names.events))
        options.eventsDir = path(parser.value(names.events));
    if (parser.isSet(names.synchrony))
        options.synchronyFile = path(parser.value(names.synchrony));
    if (parser.isSet(names.shotTable))
        options.shotTableFile = path(parser.value(names.shotTable));
    if (parser.isSet(names.aois))
        options.aoiFile = path(parser.value(names.aois));
    if (parser.isSet(names.aoiTable))
        options.aoiTableFile = path(parser.value(names.aoiTable));
    if (parser.isSet(names.aoiSummary))
        options.aoiSummaryFile = path(parser.value(names.aoiSummary));
    if ((options.aoiTableFile || options.aoiSummaryFile) && !options.aoiFile) {
        error = options.aoiTableFile ? "--aoi-table needs --aois" : "--aoi-summary needs --aois";
        return false;
    }
    if (parser.isSet(names.screenMm)) {
        const QStringList parts = parser.value(names.screenMm).split(QLatin1Char(','));
        int width = 0;
        int height = 0;
        if (parts.size() != 2 ||
            !OptionArguments::parseNumber(parts[0].toStdString(), width, 1, ScreenGeometry::maxDimension) ||
            !OptionArguments::parseNumber(parts[1].toStdString(), height, 1, ScreenGeometry::maxDimension)) {
            error = "--screen-mm needs two whole numbers of millimetres, W,H, not \"" +
                    parser.value(names.screenMm).toStdString() + "\"";
            return false;
        }
        options.screenMm = std::make_pair(width, height);
    }
    if (!readInt(parser, names.distanceMm, 1, ScreenGeometry::maxDimension, options.distanceMm, error))
        return false;
    std::optional<int> step;
    std::optional<int> reach;
    // A step of at least 10 ms and a reach of at most a second keep the steps
    // within 201 per sample, however sparse the samples.
    if (!readInt(parser, names.stepMs, 10, 60000, step, error) ||
        !readInt(parser, names.reachMs, 0, 1000, reach, error))
        return false;
    options.synchrony.stepMs = step.value_or(options.synchrony.stepMs);
    options.synchrony.sampleReachMs = reach.value_or(options.synchrony.sampleReachMs);
    if (parser.isSet(names.sigmaDeg)) {
        bool ok = false;
        const double sigma = parser.value(names.sigmaDeg).toDouble(&ok);
        if (!ok || !(sigma >= 0.05 && sigma <= 20)) {
            error = "--sync-sigma-deg needs a number from 0.05 to 20, not \"" +
                    parser.value(names.sigmaDeg).toStdString() + "\"";
            return false;
        }
        options.synchrony.sigmaDeg = sigma;
    }
    for (const QString& name : names.eventParameters)
        if (parser.isSet(name) && !measures::setEventParameter(options.events, name.toStdString(),
                                                               parser.value(name).toStdString(), error))
            return false;
    return true;
}
