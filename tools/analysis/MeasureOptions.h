#pragma once

#include "measures/EventParameters.h"
#include "measures/Synchrony.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QCommandLineParser;

// What gaze-analyse is asked to measure of the film: eye-movement events,
// attentional synchrony, the per-shot table, and how.
struct MeasureOptions
{
    std::optional<std::filesystem::path> eventsDir;      // one <name>_events.csv per results file
    std::optional<std::filesystem::path> synchronyFile;  // time_ms;viewers;dispersion_deg;nss
    std::optional<std::filesystem::path> shotTableFile;  // needs a shot file
    std::optional<std::filesystem::path> aoiFile;        // areas of interest of the movie
    std::optional<std::filesystem::path> aoiTableFile;   // per viewer, area and shot; needs aoiFile
    std::optional<std::filesystem::path> aoiSummaryFile; // per area and shot over viewers; needs aoiFile
    std::optional<std::pair<int, int>> screenMm;         // over every file's own screen size
    std::optional<int> distanceMm;                       // over every file's own viewing distance
    measures::EventParameters events;
    measures::SynchronyParameters synchrony;

    bool any() const { return eventsDir || synchronyFile || shotTableFile || aoiFile; }
};

// The names given to the parser, for reading the values back.
struct MeasureOptionNames
{
    QString events, synchrony, shotTable, aois, aoiTable, aoiSummary, screenMm, distanceMm, stepMs, sigmaDeg,
        reachMs;
    std::vector<QString> eventParameters; // as eventParameterInfos()
};

MeasureOptionNames addMeasureOptions(QCommandLineParser& parser);

// False with error set when a value cannot be used. path turns an option's
// text back into the file name given.
bool readMeasureOptions(const QCommandLineParser& parser, const MeasureOptionNames& names,
                        const std::function<std::filesystem::path(const QString&)>& path,
                        MeasureOptions& options, std::string& error);
