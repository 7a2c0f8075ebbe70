#include "analysis/AnalysisReport.h"

#include "analysis/AoiPanel.h"
#include "analysis/FilmMeasures.h"
#include "analysis/FilmReport.h"
#include "analysis/JsonWriter.h"
#include "analysis/PupilPlot.h"
#include "common/OutputGuard.h"
#include "common/PupilUnit.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>

namespace {

struct FileEntry
{
    std::filesystem::path path;
    int status = 0;
    const TimeLine* timeLine = nullptr;   // when loaded
    TimeLineItem item;                    // at the asked time, when loaded
    std::optional<ScreenGeometry> screen; // when the file names its screen
};

// Results files keep the pupil value (in the tracker's units or millimetres) times 10,000.
constexpr double kPupilPerTrackerUnit = 10000.0;

std::string pupilText(double value)
{
    return fixedNumber(value / kPupilPerTrackerUnit, 4);
}

// A position of the results file on its screen, in pixels and in degrees from the screen's centre.
struct ScreenPosition
{
    double xPx, yPx, xDeg, yDeg;
};

ScreenPosition onScreen(const ScreenGeometry& screen, int x, int y)
{
    const double perUnit = 1.0 / ScreenGeometry::unitsPerScreen;
    return {x * perUnit * screen.widthPx, y * perUnit * screen.heightPx, screen.horizontalDeg(x),
            screen.verticalDeg(y)};
}

struct ShotEntry
{
    std::filesystem::path path;
    int status = 0;
    std::unique_ptr<ShotLine> shots;
};

struct Analysis
{
    std::vector<FileEntry> files;
    std::vector<std::string> folderProblems;
    std::optional<ShotEntry> shots;
    bool failed = false;
};

bool isResultsFileName(const std::filesystem::path& file)
{
    std::string name = file.filename().string();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name.ends_with(".csv") && !name.ends_with("_shots.csv") && !name.ends_with("_events.csv");
}

// Folders give their .csv files (shot and events files left out) in name order.
std::vector<std::filesystem::path> expandInputs(const std::vector<std::filesystem::path>& inputs,
                                                std::vector<std::string>& problems)
{
    std::vector<std::filesystem::path> files;
    for (const std::filesystem::path& input : inputs) {
        std::error_code error;
        if (!std::filesystem::is_directory(input, error)) {
            files.push_back(input);
            continue;
        }
        std::vector<std::filesystem::path> found;
        for (std::filesystem::directory_iterator it(input, error), end; !error && it != end;
             it.increment(error)) {
            std::error_code typeError;
            if (it->is_regular_file(typeError) && isResultsFileName(it->path()))
                found.push_back(it->path());
        }
        if (error)
            problems.push_back("cannot read the folder " + input.string() + ": " + error.message());
        else if (found.empty())
            problems.push_back("the folder " + input.string() + " holds no results files (*.csv)");
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

void analyse(const AnalysisOptions& options, TimeLineManager& results, Analysis& analysis, std::ostream& err)
{
    const std::vector<std::filesystem::path> files = expandInputs(options.inputs, analysis.folderProblems);
    TimeLineManager::Progress progress;
    if (options.progress)
        progress = [&err](size_t done, size_t total) {
            err << "\rgaze-analyse: loaded " << done << " of " << total << " files" << std::flush;
        };
    const std::vector<int> statuses =
        results.addAll(files, options.eventsNum, options.filterRadius, options.actionRadius, progress);
    if (options.progress && !files.empty())
        err << '\n';
    for (size_t i = 0; i < files.size(); ++i)
        analysis.files.push_back({files[i], statuses[i]});
    results.calculateStats();

    // The overlay pass hands out one item per loaded file, in loading order.
    size_t loaded = 0;
    results.rewind();
    for (FileEntry& entry : analysis.files) {
        if (entry.status != 0)
            continue;
        entry.timeLine = &results.timeLines()[loaded++];
        entry.item = results.getNextItem(options.atMs);
        const ResolvedGeometry resolved =
            resolveGeometry(entry.path, {options.measures.screenMm, options.measures.distanceMm});
        if (resolved.fromFile)
            entry.screen = resolved.geometry;
    }

    if (options.shotFile) {
        ShotEntry& shots = analysis.shots.emplace();
        shots.path = *options.shotFile;
        shots.shots = std::make_unique<ShotLine>(results);
        shots.status = shots.shots->load(shots.path);
        shots.shots->recount();
    }
    analysis.failed = !analysis.folderProblems.empty() ||
                      std::any_of(analysis.files.begin(), analysis.files.end(),
                                  [](const FileEntry& entry) { return entry.status != 0; }) ||
                      (analysis.shots && analysis.shots->status != 0);
}

std::string settingsSource(const AnalysisOptions& options)
{
    return options.settingsFile.empty() ? std::string("defaults") : options.settingsFile.string();
}

void printText(const AnalysisOptions& options, const TimeLineManager& results, const Analysis& analysis,
               const FilmReport* film, std::ostream& out)
{
    const std::string unit = PupilUnit::words(PupilUnit::commonUnit(results.timeLines()));
    out << "Preprocessing: eventsNum " << options.eventsNum << ", filterRadius " << options.filterRadius
        << ", actionRadius " << options.actionRadius << " (settings: " << settingsSource(options) << ")\n";
    for (const std::string& problem : analysis.folderProblems)
        out << "Input problem: " << problem << '\n';
    for (const FileEntry& entry : analysis.files) {
        out << "File " << entry.path.string() << ": status " << entry.status << ", "
            << resultsStatusText(entry.status);
        if (entry.timeLine)
            out << ", " << entry.timeLine->size() << " samples, movie \"" << entry.timeLine->movieName()
                << '"';
        out << '\n';
    }

    out << "Items at " << options.atMs << " ms (time ms, x y in millionths of the screen, blink, pupil in "
        << unit
        << ", interestingPoint, "
           "avgX avgY in millionths of the screen, nearAction, stillCount in samples; then the gaze in "
           "pixels and in degrees from the screen's centre where the file names its screen):\n";
    for (const FileEntry& entry : analysis.files) {
        if (!entry.timeLine)
            continue;
        const TimeLineItem& i = entry.item;
        out << "  " << entry.path.string() << ": " << i.time << ' ' << i.x << ' ' << i.y << ' ' << i.blink
            << ' ' << pupilText(i.pupil) << ' ' << i.interestingPoint << ' ' << i.avgX << ' ' << i.avgY << ' '
            << i.nearAction << ' ' << i.stillCount;
        if (entry.screen) {
            const ScreenPosition at = onScreen(*entry.screen, i.x, i.y);
            out << " = " << fixedNumber(at.xPx, 1) << ' ' << fixedNumber(at.yPx, 1) << " px, "
                << fixedNumber(at.xDeg, 2) << ' ' << fixedNumber(at.yDeg, 2) << " deg";
        }
        out << '\n';
    }

    if (!results.timeLines().empty())
        out << "Keypoints around " << options.atMs << " ms (first file): previous "
            << results.GetFirstPreviousActionTime(options.atMs) << ", next "
            << results.GetFirstNextActionTime(options.atMs) << '\n';

    // Without a loaded file there are no statistics, only the marks of none.
    if (!results.timeLines().empty()) {
        out << "Pupil statistics in " << unit << ": minDiameter " << pupilText(results.minDiameter())
            << ", maxDiameter " << pupilText(results.maxDiameter()) << ", maxDiameterTime "
            << results.maxDiameterTime() << " ms, smallest deviation "
            << pupilText(results.smallestDeviation()) << ", largest deviation "
            << pupilText(results.largestDeviation()) << ", " << results.pupilStepCount() << " steps\n";
    }
    if (options.series && !results.timeLines().empty()) {
        // A run of equal steps is one line: the series grows with the samples, not with the film's length.
        out << "Pupil series in runs of equal " << TimeLineManager::statsStepMs
            << " ms steps (time ms, mean and deviation in " << unit << ", steps):\n";
        for (const PupilRun& run : results.pupilRuns())
            out << "  " << run.first.time << ' ' << pupilText(run.first.mean) << ' '
                << pupilText(run.first.deviation) << ' ' << run.steps << '\n';
    }

    if (analysis.shots) {
        const ShotEntry& shots = *analysis.shots;
        out << "Shot file " << shots.path.string() << ": status " << shots.status << ", "
            << shotStatusText(shots.status) << ", " << shots.shots->shots().size() << " shots\n";
        for (const Shot& shot : shots.shots->shots())
            out << "  shot " << shot.number << " at " << shot.time << " ms: " << shot.interestingCount
                << " of " << results.timeLines().size() << " files with an interesting point\n";
    }
    if (film && film->aois)
        printAoiSummary(out, *film->aois, film->aoiSummary);
}

void writeItem(JsonWriter& json, const TimeLineItem& i, PupilUnit::Unit pupilUnit,
               const std::optional<ScreenGeometry>& screen)
{
    json.beginObject();
    const std::pair<const char*, int> values[] = {
        {"time_ms", i.time},
        {"x_millionths", i.x},
        {"y_millionths", i.y},
        {"blink", i.blink},
        {"interestingPoint", i.interestingPoint},
        {"avgX_millionths", i.avgX},
        {"avgY_millionths", i.avgY},
        {"nearAction", i.nearAction},
        {"stillCount_samples", i.stillCount},
    };
    for (const auto& [name, value] : values) {
        json.key(name);
        json.value(value);
    }
    json.key(std::string("pupil_") + PupilUnit::keySuffix(pupilUnit));
    json.number(i.pupil / kPupilPerTrackerUnit, 4);
    if (screen) {
        const ScreenPosition at = onScreen(*screen, i.x, i.y);
        const std::pair<const char*, std::pair<double, int>> converted[] = {
            {"x_px", {at.xPx, 1}}, {"y_px", {at.yPx, 1}}, {"x_deg", {at.xDeg, 2}}, {"y_deg", {at.yDeg, 2}}};
        for (const auto& [name, value] : converted) {
            json.key(name);
            json.number(value.first, value.second);
        }
    }
    json.endObject();
}

// The screen a file was measured on and, when its events were written, the events.
void writeFilmMeasures(JsonWriter& json, const FilmReport& film, std::size_t viewer)
{
    const ResolvedGeometry& resolved = film.geometries[viewer];
    json.key("screen");
    json.beginObject();
    const std::pair<const char*, int> sizes[] = {
        {"widthPx", resolved.geometry.widthPx},       {"heightPx", resolved.geometry.heightPx},
        {"widthMm", resolved.geometry.widthMm},       {"heightMm", resolved.geometry.heightMm},
        {"distanceMm", resolved.geometry.distanceMm},
    };
    for (const auto& [name, value] : sizes) {
        json.key(name);
        json.value(value);
    }
    json.key("fromFile");
    json.boolean(resolved.fromFile);
    json.endObject();
    if (film.film.viewers[viewer].events.empty())
        return;
    json.key("events");
    json.beginArray();
    for (const measures::GazeEvent& event : film.film.viewers[viewer].events) {
        json.beginObject();
        json.field("type", std::string(measures::eventTypeName(event.type)));
        json.field("start_ms", event.startMs);
        json.field("end_ms", event.endMs);
        json.field("duration_ms", event.durationMs);
        if (measures::hasPosition(event.type)) {
            json.field("x", event.x);
            json.field("y", event.y);
        }
        if (measures::hasAmplitude(event.type)) {
            json.key("amplitude_deg");
            json.number(event.amplitudeDeg, 2);
            json.key("peak_velocity_deg_s");
            json.number(event.peakVelocityDegS, 1);
        }
        json.endObject();
    }
    json.endArray();
}

// The areas of interest over the viewers, one entry per area and shot.
void writeAoiSummary(JsonWriter& json, const AoiReport& report, const std::vector<AoiSummaryRow>& rows)
{
    json.key("aois");
    json.beginArray();
    for (const AoiSummaryRow& row : rows) {
        json.beginObject();
        json.field("aoi", report.names[row.aoi]);
        json.field("shot", aoiCellName(report, row.cell));
        json.field("visible_ms", report.film->visibleMs(row.aoi, row.cell));
        json.field("viewers", static_cast<long long>(row.viewers));
        json.key("looked_share");
        if (row.viewers > 0)
            json.number(static_cast<double>(row.looked) / static_cast<double>(row.viewers), 3);
        else
            json.null();
        json.key("mean_time_to_first_fixation_ms");
        if (row.meanTimeToFirstFixationMs)
            json.number(*row.meanTimeToFirstFixationMs, 1);
        else
            json.null();
        json.key("median_time_to_first_fixation_ms");
        if (row.medianTimeToFirstFixationMs)
            json.number(*row.medianTimeToFirstFixationMs, 1);
        else
            json.null();
        json.key("mean_dwell_ms");
        json.number(row.meanDwellMs, 1);
        json.endObject();
    }
    json.endArray();
}

void printJson(const AnalysisOptions& options, const TimeLineManager& results, const Analysis& analysis,
               const FilmReport* film, std::ostream& out)
{
    JsonWriter json(out);
    json.beginObject();
    json.key("settings");
    json.beginObject();
    json.field("eventsNum", options.eventsNum);
    json.field("filterRadius", options.filterRadius);
    json.field("actionRadius", options.actionRadius);
    json.key("file");
    if (options.settingsFile.empty())
        json.null();
    else
        json.value(options.settingsFile.string());
    json.endObject();

    json.field("atMs", options.atMs);
    json.key("inputProblems");
    json.beginArray();
    for (const std::string& problem : analysis.folderProblems)
        json.value(problem);
    json.endArray();

    json.key("files");
    json.beginArray();
    for (const FileEntry& entry : analysis.files) {
        json.beginObject();
        json.field("path", entry.path.string());
        json.field("status", entry.status);
        json.field("message", resultsStatusText(entry.status));
        json.key("movie");
        if (entry.timeLine)
            json.value(entry.timeLine->movieName());
        else
            json.null();
        json.field("samples", entry.timeLine ? static_cast<long long>(entry.timeLine->size()) : 0);
        json.key("item");
        if (entry.timeLine)
            writeItem(json, entry.item, entry.timeLine->pupilUnit(), entry.screen);
        else
            json.null();
        if (film && entry.timeLine)
            writeFilmMeasures(json, *film,
                              static_cast<std::size_t>(entry.timeLine - results.timeLines().data()));
        json.endObject();
    }
    json.endArray();

    json.key("keypoints");
    json.beginObject();
    json.field("previous",
               results.timeLines().empty() ? -1 : results.GetFirstPreviousActionTime(options.atMs));
    json.field("next", results.timeLines().empty() ? -1 : results.GetFirstNextActionTime(options.atMs));
    json.endObject();

    json.key("pupil");
    if (results.timeLines().empty()) {
        // Nothing loaded: no statistics rather than the marks of none.
        json.null();
    } else {
        json.beginObject();
        const std::string unit = PupilUnit::keySuffix(PupilUnit::commonUnit(results.timeLines()));
        const std::pair<const char*, int> sizes[] = {
            {"minDiameter_", results.minDiameter()},
            {"maxDiameter_", results.maxDiameter()},
            {"smallestDeviation_", results.smallestDeviation()},
            {"largestDeviation_", results.largestDeviation()},
        };
        for (const auto& [name, value] : sizes) {
            json.key(name + unit);
            json.number(value / kPupilPerTrackerUnit, 4);
        }
        json.field("maxDiameterTime_ms", results.maxDiameterTime());
        json.field("steps", static_cast<long long>(results.pupilStepCount()));
        if (options.series) {
            // Each run: time_ms, mean and deviation in the unit of the keys above, steps.
            json.key("series_time_ms_mean_deviation_steps");
            json.beginArray();
            for (const PupilRun& run : results.pupilRuns()) {
                json.beginArray();
                json.value(run.first.time);
                json.number(run.first.mean / kPupilPerTrackerUnit, 4);
                json.number(run.first.deviation / kPupilPerTrackerUnit, 4);
                json.value(run.steps);
                json.endArray();
            }
            json.endArray();
        }
        json.endObject();
    }

    if (analysis.shots) {
        const ShotEntry& shots = *analysis.shots;
        json.key("shots");
        json.beginObject();
        json.field("path", shots.path.string());
        json.field("status", shots.status);
        json.field("message", shotStatusText(shots.status));
        json.key("list");
        json.beginArray();
        for (const Shot& shot : shots.shots->shots()) {
            json.beginObject();
            json.field("number", shot.number);
            json.field("time", shot.time);
            json.field("interestingCount", shot.interestingCount);
            json.endObject();
        }
        json.endArray();
        json.endObject();
    }
    if (film && film->aois)
        writeAoiSummary(json, *film->aois, film->aoiSummary);
    json.endObject();
    out << '\n';
}

} // namespace

std::string resultsStatusText(int status)
{
    switch (status) {
    case TimeLine::Loaded:
        return "loaded";
    case TimeLine::CannotOpen:
        return "the file cannot be opened";
    case TimeLine::NegativeTime:
        return "a data line has a negative time_ms";
    case TimeLine::LineTooLong:
        return "a line is longer than 1 MiB";
    case TimeLine::TooLarge:
        return "the file holds more samples than can be kept in memory";
    case TimeLine::PupilBelowMinusOne:
        return "a data line has a pupil_diameter_100nm below -1";
    case TimeLine::NoHeader:
        return "no column header line, or its first column is not a known name";
    case 21:
    case 22:
    case 23:
    case 24:
        return "the column header has only " + std::to_string(status - 20) + " of at least 5 columns";
    case TimeLine::DuplicateColumn:
        return "two columns of the same kind in the header (unknown names count as one kind)";
    default:
        return "unknown status";
    }
}

std::string shotStatusText(int status)
{
    switch (status) {
    case ShotLine::Loaded:
        return "loaded";
    case ShotLine::CannotOpen:
        return "the file cannot be opened";
    case ShotLine::NegativeTime:
        return "a shot has a negative time_ms";
    case ShotLine::NumbersOutOfOrder:
        return "the shot numbers are not 1, 2, 3, ... in order";
    case ShotLine::NoHeader:
        return "no column header line, or its first column is not a known name";
    case ShotLine::TooFewColumns:
        return "the column header has fewer than 2 columns";
    case ShotLine::DuplicateColumn:
        return "two columns of the same kind in the header";
    default:
        return "unknown status";
    }
}

std::string overwriteProblem(const AnalysisOptions& options)
{
    std::vector<std::filesystem::path> inputs = options.inputs;
    inputs.push_back(options.settingsFile);
    if (options.shotFile)
        inputs.push_back(*options.shotFile);
    if (options.measures.aoiFile)
        inputs.push_back(*options.measures.aoiFile);
    std::vector<std::filesystem::path> outputs;
    for (const auto& output :
         {options.plotFile, options.logFile, options.measures.aoiTableFile, options.measures.aoiSummaryFile})
        if (output)
            outputs.push_back(*output);
    return OutputGuard::refusal(outputs, inputs);
}

int runAnalysis(const AnalysisOptions& options, std::ostream& out, std::ostream& err)
{
    if (const std::string problem = overwriteProblem(options); !problem.empty()) {
        err << "gaze-analyse: " << problem << '\n';
        return 1;
    }
    TimeLineManager results;
    Analysis analysis;
    analyse(options, results, analysis, err);

    for (const std::string& problem : analysis.folderProblems)
        err << "gaze-analyse: " << problem << '\n';
    for (const FileEntry& entry : analysis.files)
        if (entry.status != 0)
            err << "gaze-analyse: " << entry.path.string() << ": " << resultsStatusText(entry.status)
                << " (status " << entry.status << ")\n";
    if (analysis.shots && analysis.shots->status != 0)
        err << "gaze-analyse: " << analysis.shots->path.string() << ": "
            << shotStatusText(analysis.shots->status) << " (status " << analysis.shots->status << ")\n";

    std::optional<FilmReport> film;
    const bool synchronyForPlot = options.plotFile && results.timeLines().size() > 1;
    if (options.measures.any() || synchronyForPlot) {
        const ShotLine* shots =
            analysis.shots && analysis.shots->status == 0 ? analysis.shots->shots.get() : nullptr;
        if (options.measures.shotTableFile && !shots) {
            err << "gaze-analyse: no shot table without a shot file that loads\n";
            analysis.failed = true;
        }
        std::vector<std::filesystem::path> readFiles;
        for (const FileEntry& entry : analysis.files)
            readFiles.push_back(entry.path);
        if (options.shotFile)
            readFiles.push_back(*options.shotFile);
        if (!options.settingsFile.empty())
            readFiles.push_back(options.settingsFile);
        if (options.measures.aoiFile)
            readFiles.push_back(*options.measures.aoiFile);
        film = runFilmReport(options, results, shots, readFiles, synchronyForPlot, err);
    }

    if (options.json)
        printJson(options, results, analysis, film ? &*film : nullptr, out);
    else
        printText(options, results, analysis, film ? &*film : nullptr, out);
    out.flush();
    std::optional<AoiPresence> aois;
    if (options.plotFile && film && film->aois) {
        aois.emplace();
        aois->names = film->aois->names;
        aois->shares = aoiPresenceShares(*film->aois);
        aois->stretches = aois->shares.empty() ? 0 : kAoiPresenceBins;
        aois->filmEndMs = film->aois->film->filmEndMs();
    }
    if (options.plotFile &&
        !writePlot(*options.plotFile, results, analysis.shots ? analysis.shots->shots.get() : nullptr, err,
                   synchronyForPlot ? &film->film.synchrony : nullptr, aois ? &*aois : nullptr))
        return 3;
    if (film && film->failed)
        return 3;
    return analysis.failed ? 2 : 0;
}
