#pragma once

#include "analysis/AnalysisOptions.h"
#include "analysis/AoiReport.h"
#include "analysis/FilmMeasures.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <vector>

class ShotLine;
class TimeLineManager;

// The film measures of one gaze-analyse run and what was written of them.
struct FilmReport
{
    FilmMeasures film;
    std::vector<ResolvedGeometry> geometries; // one per loaded file
    bool failed = false;                      // an output could not be written
    std::optional<AoiReport> aois;            // with an AOI file that loads
    std::vector<AoiSummaryRow> aoiSummary;
};

// Measures the loaded results as the options ask (and synchrony for the plot
// when synchronyForPlot) and writes the events files, the synchrony file and
// the shot table. readFiles: every file the run read, which no output may
// replace. Problems are told on err, one line each.
FilmReport runFilmReport(const AnalysisOptions& options, const TimeLineManager& results,
                         const ShotLine* shots, const std::vector<std::filesystem::path>& readFiles,
                         bool synchronyForPlot, std::ostream& err);

// The events file written for a results file.
std::filesystem::path eventsFileFor(const std::filesystem::path& dir,
                                    const std::filesystem::path& resultsFile);
