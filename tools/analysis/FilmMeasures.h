#pragma once

#include "common/ScreenGeometry.h"
#include "measures/EventParameters.h"
#include "measures/GazeEvent.h"
#include "measures/ShotMeasures.h"
#include "measures/Synchrony.h"
#include "player/data/TimeLineGaze.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class TimeLine;
class TimeLineManager;

// Where each file's geometry comes from: its own line, with the options'
// sizes and distance put over it; files without a line take the options or
// the defaults.
struct GeometryChoice
{
    std::optional<std::pair<int, int>> screenMm;
    std::optional<int> distanceMm;
};

struct ResolvedGeometry
{
    ScreenGeometry geometry;
    bool fromFile = false;
    std::string problem; // a malformed screen line, told to the user
};

ResolvedGeometry resolveGeometry(const std::filesystem::path& file, const GeometryChoice& choice);

struct FilmMeasureOptions
{
    measures::EventParameters events;
    measures::SynchronyParameters synchrony;
    bool synchronyWanted = false;
    bool keepEvents = false;       // keep every viewer's events in the result (memory grows with them)
    std::vector<int> shotStartsMs; // per-shot sums when not empty
    unsigned threads = 0;          // 0: as many as the machine has cores
    // Called on a worker thread with each viewer's events, as soon as they are
    // known; at most one call at a time per viewer. A false return with the
    // reason in error is reported in the result.
    std::function<bool(std::size_t viewer, const std::vector<measures::GazeEvent>&, std::string& error)>
        eventsDone;
    // Called on a worker thread with each viewer's samples and events, once per viewer.
    std::function<void(std::size_t viewer, const measures::GazeColumns&,
                       const std::vector<measures::GazeEvent>&)>
        gazeDone;
};

struct ViewerMeasures
{
    std::vector<measures::GazeEvent> events; // when kept
    std::vector<measures::ShotEventSums> shots;
    std::string problem; // from eventsDone
};

struct FilmMeasures
{
    std::vector<ViewerMeasures> viewers; // in loading order
    measures::SynchronyResult synchrony;
};

// Events of every loaded file (geometries[i] for the i-th), then the
// synchrony of the set in the first file's geometry when wanted, then the
// sums per shot. Files are worked on in parallel.
FilmMeasures measureFilm(const TimeLineManager& results, const std::vector<ScreenGeometry>& geometries,
                         const FilmMeasureOptions& options);

// One event as a line of an events file, without the line end.
std::string eventLine(const measures::GazeEvent& event);
void appendEventLine(std::string& text, const measures::GazeEvent& event);
constexpr const char* kEventsHeader =
    "type;start_ms;end_ms;duration_ms;x;y;amplitude_deg;peak_velocity_deg_s";
