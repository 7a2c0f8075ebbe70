#include "analysis/FilmReport.h"

#include "common/AtomicFile.h"
#include "player/data/AoiFile.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <mutex>

namespace {

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code error;
    return std::filesystem::exists(a, error) && std::filesystem::exists(b, error) &&
           std::filesystem::equivalent(a, b, error);
}

// An output may replace neither an input nor another output of the run.
bool safeOutput(const std::filesystem::path& output, const std::vector<std::filesystem::path>& readFiles,
                std::ostream& err)
{
    for (const std::filesystem::path& input : readFiles) {
        if (sameFile(output, input)) {
            err << "gaze-analyse: " << output.string() << " is an input; it is not replaced\n";
            return false;
        }
    }
    return true;
}

std::string fixed(double value, int decimals)
{
    char text[48];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ec == std::errc() ? result.ptr : text);
}

bool writeSynchrony(const std::filesystem::path& file, const measures::SynchronyResult& synchrony)
{
    return AtomicFile::write(file, [&](std::ostream& out) {
        out << "time_ms;viewers;dispersion_deg;nss\n";
        for (const measures::SynchronyStep& step : synchrony.steps) {
            out << step.timeMs << ';' << step.viewers << ';';
            if (step.viewers >= 2)
                out << fixed(step.dispersionDeg, 3) << ';' << fixed(step.nss, 3);
            else
                out << ';';
            out << '\n';
        }
        return static_cast<bool>(out);
    });
}

struct ShotRow
{
    int number = 0;
    int startMs = 0;
};

void writeShotRow(std::ostream& out, const ShotRow& shot, const std::string& viewer,
                  const measures::ShotEventSums& sums, const measures::SynchronySums& sync)
{
    out << shot.number << ';' << shot.startMs << ';' << viewer << ';' << sums.fixations << ';';
    if (sums.fixations)
        out << fixed(sums.meanFixationMs(), 1);
    out << ';';
    if (sums.saccades)
        out << fixed(sums.meanSaccadeAmplitudeDeg(), 2);
    out << ';';
    if (sums.eventMs > 0)
        out << fixed(sums.pursuitShare(), 3) << ';' << fixed(sums.lossShare(), 3);
    else
        out << ';';
    out << ';';
    if (sync.steps) {
        const auto steps = static_cast<double>(sync.steps);
        out << fixed(sync.dispersionDeg / steps, 3) << ';' << fixed(sync.nss / steps, 3);
    } else {
        out << ';';
    }
    out << '\n';
}

// A name is a field: its separators and line ends would break a table.
std::vector<std::string> viewerNamesOf(const TimeLineManager& results)
{
    std::vector<std::string> viewerNames;
    for (const TimeLine& timeLine : results.timeLines()) {
        std::string name = timeLine.path().stem().string();
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == ';' || c == '\n' || c == '\r'; }, '_');
        viewerNames.push_back(std::move(name));
    }
    return viewerNames;
}

bool writeShotTable(const std::filesystem::path& file, const std::vector<ShotRow>& shots,
                    const TimeLineManager& results, const FilmMeasures& film)
{
    return AtomicFile::write(file, [&](std::ostream& out) {
        out << "shot;start_ms;viewer;fixations;mean_fixation_ms;mean_saccade_amplitude_deg;pursuit_share;"
               "loss_share;mean_dispersion_deg;mean_nss\n";
        const measures::SynchronySums none;
        const std::vector<std::string> viewerNames = viewerNamesOf(results);
        for (std::size_t s = 0; s < shots.size(); ++s) {
            measures::ShotEventSums all;
            for (std::size_t v = 0; v < film.viewers.size(); ++v) {
                const measures::ShotEventSums& sums = film.viewers[v].shots[s];
                all += sums;
                const measures::SynchronySums& sync =
                    film.synchrony.bins.empty() ? none : film.synchrony.bins[s].viewers[v];
                writeShotRow(out, shots[s], viewerNames[v], sums, sync);
            }
            writeShotRow(out, shots[s], "all", all,
                         film.synchrony.bins.empty() ? none : film.synchrony.bins[s].all);
        }
        return static_cast<bool>(out);
    });
}

} // namespace

std::filesystem::path eventsFileFor(const std::filesystem::path& dir,
                                    const std::filesystem::path& resultsFile)
{
    return dir / (resultsFile.stem().string() + "_events.csv");
}

FilmReport runFilmReport(const AnalysisOptions& options, const TimeLineManager& results,
                         const ShotLine* shots, const std::vector<std::filesystem::path>& readFiles,
                         bool synchronyForPlot, std::ostream& err)
{
    const MeasureOptions& wanted = options.measures;
    const auto& timeLines = results.timeLines();
    FilmReport report;

    // The screen of every file, telling once about files that say nothing.
    const GeometryChoice choice{wanted.screenMm, wanted.distanceMm};
    std::size_t withoutLine = 0;
    std::vector<ScreenGeometry> geometries;
    for (const TimeLine& timeLine : timeLines) {
        ResolvedGeometry resolved = resolveGeometry(timeLine.path(), choice);
        if (!resolved.problem.empty())
            err << "gaze-analyse: " << timeLine.path().string() << ": " << resolved.problem << '\n';
        withoutLine += resolved.fromFile ? 0 : 1;
        geometries.push_back(resolved.geometry);
        report.geometries.push_back(std::move(resolved));
    }
    if (withoutLine > 0) {
        const ScreenGeometry& g = geometries[static_cast<std::size_t>(
            std::find_if(report.geometries.begin(), report.geometries.end(),
                         [](const ResolvedGeometry& r) { return !r.fromFile; }) -
            report.geometries.begin())];
        err << "gaze-analyse: " << withoutLine << " of " << timeLines.size()
            << " results files give no usable screen line; they are measured as a screen of " << g.widthMm
            << 'x' << g.heightMm << " mm seen from " << g.distanceMm << " mm\n";
    }
    const bool synchronyWanted = wanted.synchronyFile || wanted.shotTableFile || synchronyForPlot;
    if (synchronyWanted && timeLines.size() > 1 &&
        std::any_of(geometries.begin(), geometries.end(),
                    [&](const ScreenGeometry& g) { return !(g == geometries[0]); }))
        err << "gaze-analyse: the results files were recorded on different screens; synchrony is measured on "
               "the "
               "screen of "
            << timeLines.front().path().string() << '\n';

    FilmMeasureOptions measureOptions;
    measureOptions.events = wanted.events;
    measureOptions.synchrony = wanted.synchrony;
    measureOptions.synchronyWanted = synchronyWanted;
    measureOptions.keepEvents = options.json && wanted.eventsDir.has_value();

    std::vector<ShotRow> shotRows;
    if ((wanted.shotTableFile || wanted.aoiFile) && shots) {
        for (const Shot& shot : shots->shots())
            shotRows.push_back({shot.number, shot.time});
        std::stable_sort(shotRows.begin(), shotRows.end(),
                         [](const ShotRow& a, const ShotRow& b) { return a.startMs < b.startMs; });
        for (const ShotRow& row : shotRows)
            measureOptions.shotStartsMs.push_back(row.startMs);
    }

    if (wanted.aoiFile) {
        const AoiFile::Result read = AoiFile::load(*wanted.aoiFile);
        if (read.status != AoiFile::Loaded) {
            err << "gaze-analyse: " << wanted.aoiFile->string() << ": " << AoiFile::describe(read) << '\n';
            report.failed = true;
        } else {
            std::vector<std::pair<int, int>> cells;
            for (const ShotRow& row : shotRows)
                cells.emplace_back(row.number, row.startMs);
            report.aois = prepareAoiReport(read.aois, results, cells);
            if (options.plotFile)
                report.aois->presenceMs.resize(report.aois->viewers.size());
            measureOptions.gazeDone = [&report](std::size_t v, const measures::GazeColumns& gaze,
                                                const std::vector<measures::GazeEvent>& events) {
                AoiReport& aois = *report.aois;
                aois.viewers[v] = measureAois(*aois.film, gaze, events, aois.intervalsMs[v],
                                              aois.presenceMs.empty() ? nullptr : &aois.presenceMs[v]);
            };
        }
    }

    std::mutex errLock;
    if (wanted.eventsDir) {
        std::error_code error;
        std::filesystem::create_directories(*wanted.eventsDir, error);
        // Two results files of one name in different folders would share an events file.
        std::map<std::filesystem::path, std::size_t> firstOwner;
        std::vector<std::uint8_t> writable(timeLines.size(), 1);
        for (std::size_t v = 0; v < timeLines.size(); ++v) {
            const auto file = eventsFileFor(*wanted.eventsDir, timeLines[v].path());
            const auto [owner, fresh] = firstOwner.emplace(file, v);
            if (!fresh) {
                err << "gaze-analyse: " << timeLines[v].path().string() << " and "
                    << timeLines[owner->second].path().string() << " would both write " << file.string()
                    << "; the second is left out\n";
                writable[v] = 0;
                report.failed = true;
            } else if (!safeOutput(file, readFiles, err)) {
                writable[v] = 0;
                report.failed = true;
            }
        }
        measureOptions.eventsDone = [&, writable](std::size_t v,
                                                  const std::vector<measures::GazeEvent>& events,
                                                  std::string& problem) {
            if (!writable[v])
                return false;
            const auto file = eventsFileFor(*wanted.eventsDir, timeLines[v].path());
            std::string text = std::string(kEventsHeader) + '\n';
            text.reserve(events.size() * 48 + text.size());
            for (const measures::GazeEvent& event : events) {
                appendEventLine(text, event);
                text += '\n';
            }
            const bool written = AtomicFile::write(file, text);
            if (!written)
                problem = "cannot write " + file.string();
            return written;
        };
    }

    report.film = measureFilm(results, geometries, measureOptions);
    for (const ViewerMeasures& viewer : report.film.viewers) {
        if (!viewer.problem.empty()) {
            err << "gaze-analyse: " << viewer.problem << '\n';
            report.failed = true;
        }
    }

    if (wanted.synchronyFile) {
        if (!safeOutput(*wanted.synchronyFile, readFiles, err)) {
            report.failed = true;
        } else if (!writeSynchrony(*wanted.synchronyFile, report.film.synchrony)) {
            err << "gaze-analyse: cannot write " << wanted.synchronyFile->string() << '\n';
            report.failed = true;
        }
    }
    if (report.aois) {
        report.aoiSummary = summariseAois(*report.aois);
        const auto write = [&](const std::optional<std::filesystem::path>& file, const auto& writer) {
            if (!file)
                return;
            if (!safeOutput(*file, readFiles, err)) {
                report.failed = true;
            } else if (!writer(*file)) {
                err << "gaze-analyse: cannot write " << file->string() << '\n';
                report.failed = true;
            }
        };
        write(wanted.aoiTableFile, [&](const std::filesystem::path& file) {
            return writeAoiTable(file, *report.aois, viewerNamesOf(results));
        });
        write(wanted.aoiSummaryFile, [&](const std::filesystem::path& file) {
            return writeAoiSummary(file, *report.aois, report.aoiSummary);
        });
    }
    if (wanted.shotTableFile) {
        if (!safeOutput(*wanted.shotTableFile, readFiles, err)) {
            report.failed = true;
        } else if (!writeShotTable(*wanted.shotTableFile, shotRows, results, report.film)) {
            err << "gaze-analyse: cannot write " << wanted.shotTableFile->string() << '\n';
            report.failed = true;
        }
    }
    return report;
}
