#pragma once

#include "analysis/AoiMeasures.h"

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TimeLineManager;

// The areas of interest of a gaze-analyse run and every viewer's measures of them.
struct AoiReport
{
    std::vector<std::string> names; // one per area, in file order
    std::vector<int> shotNumbers;   // one per shot cell
    std::unique_ptr<AoiFilm> film;
    std::vector<std::vector<AoiMeasure>> viewers; // measureAois() of each loaded file
    std::vector<int> intervalsMs;                 // each file's sample step
    // Gaze time inside each area per stretch of the film, one per viewer, when kept for the picture.
    std::vector<std::vector<float>> presenceMs;
};

// The share of viewers whose gaze lies in each area over the film:
// [aoi * kAoiPresenceBins + stretch], from 0 to 1; empty without presence.
std::vector<float> aoiPresenceShares(const AoiReport& report);

// One area within one shot (or the film) over all viewers.
struct AoiSummaryRow
{
    std::size_t aoi = 0;
    std::size_t cell = 0;
    std::size_t viewers = 0;
    std::size_t looked = 0;                            // viewers whose gaze entered the area
    std::optional<double> meanTimeToFirstFixationMs;   // over viewers with a fixation inside
    std::optional<double> medianTimeToFirstFixationMs; // the same
    double meanDwellMs = 0;                            // over all viewers
};

constexpr const char* kAoiTableHeader = "viewer;aoi;shot;visible_ms;gaze_ms;gaze_percent;entered;"
                                        "time_to_first_fixation_ms;first_fixation_ms;dwell_ms;dwell_percent;"
                                        "fixations;visits";
constexpr const char* kAoiSummaryHeader = "aoi;shot;viewers;looked_share;mean_time_to_first_fixation_ms;"
                                          "median_time_to_first_fixation_ms;mean_dwell_ms";

// Prepares the report for the loaded files: each file's step and the film's
// end (the latest sample plus its step), shots given by start in rising order.
AoiReport prepareAoiReport(const std::vector<Aoi>& aois, const TimeLineManager& results,
                           const std::vector<std::pair<int, int>>& shots /* number, start */);

std::vector<AoiSummaryRow> summariseAois(const AoiReport& report);

// The shot column's text of a cell: the shot's number, or "all".
std::string aoiCellName(const AoiReport& report, std::size_t cell);

// The summary as lines of plain text under a heading, one line per area and shot.
void printAoiSummary(std::ostream& out, const AoiReport& report, const std::vector<AoiSummaryRow>& rows);

// Written whole or not at all; viewerNames one per loaded file.
bool writeAoiTable(const std::filesystem::path& file, const AoiReport& report,
                   const std::vector<std::string>& viewerNames);
bool writeAoiSummary(const std::filesystem::path& file, const AoiReport& report,
                     const std::vector<AoiSummaryRow>& rows);
