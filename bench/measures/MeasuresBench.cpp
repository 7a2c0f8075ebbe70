// The film measures of gaze-analyse over the study of 100 viewers of a two-hour
// movie at 60 Hz: loading alone, then loading with eye-movement events,
// synchrony and the per-shot sums, and each measure alone on loaded results;
// and the table of 20 moving areas of interest of 500 keys each.

#include "analysis/AoiReport.h"
#include "analysis/FilmMeasures.h"
#include "bench/support/StudyFiles.h"
#include "measures/EventClassifier.h"
#include "player/data/TimeLineManager.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <malloc.h>
#include <unistd.h>

namespace {

// As gaze-analyse does: blocks of tens of megabytes are kept in the heap and
// reused instead of mapped and zeroed anew for every file.
const bool heapKept = [] {
    ::mallopt(M_MMAP_THRESHOLD, 256 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 512 << 20);
    return true;
}();

using bench_support::movieMs;
using bench_support::Study;

const Study& study()
{
    static const Study files;
    return files;
}

// A cut about every four seconds, as in a feature film.
std::vector<int> shotStarts()
{
    std::vector<int> starts;
    for (int t = 0; t < movieMs; t += 3000 + static_cast<int>(starts.size() * 7919 % 2500))
        starts.push_back(t);
    return starts;
}

FilmMeasureOptions allMeasures()
{
    FilmMeasureOptions options;
    options.synchronyWanted = true;
    options.shotStartsMs = shotStarts();
    return options;
}

void load(TimeLineManager& results, benchmark::State& state)
{
    for (const int status : results.addAll(study().files(), 8, 20000, 500))
        if (status != 0)
            state.SkipWithError("a generated file did not load");
    results.calculateStats();
}

std::size_t samplesOf(const TimeLineManager& results)
{
    std::size_t samples = 0;
    for (const TimeLine& timeLine : results.timeLines())
        samples += timeLine.size();
    return samples;
}

void StudyLoad_100Files_2h_60Hz(benchmark::State& state)
{
    study();
    std::size_t samples = 0;
    for (auto _ : state) {
        TimeLineManager results;
        load(results, state);
        samples += samplesOf(results);
    }
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}
BENCHMARK(StudyLoad_100Files_2h_60Hz)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void StudyLoadAndMeasure_100Files_2h_60Hz(benchmark::State& state)
{
    study();
    const FilmMeasureOptions options = allMeasures();
    std::size_t samples = 0;
    for (auto _ : state) {
        TimeLineManager results;
        load(results, state);
        const std::vector<ScreenGeometry> geometries(results.timeLines().size(), ScreenGeometry{1920, 1080});
        const FilmMeasures film = measureFilm(results, geometries, options);
        benchmark::DoNotOptimize(film.synchrony.steps.data());
        samples += samplesOf(results);
    }
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}
BENCHMARK(StudyLoadAndMeasure_100Files_2h_60Hz)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The study loaded once for the benchmarks that measure loaded results.
const TimeLineManager& loaded(benchmark::State& state)
{
    static TimeLineManager results;
    if (results.timeLines().empty())
        load(results, state);
    return results;
}

// Each measure alone, on results loaded once.
void StudyMeasureOnly(benchmark::State& state)
{
    const TimeLineManager& results = loaded(state);
    FilmMeasureOptions options = allMeasures();
    options.synchronyWanted = state.range(0) != 0;
    const std::vector<ScreenGeometry> geometries(results.timeLines().size(), ScreenGeometry{1920, 1080});
    for (auto _ : state) {
        const FilmMeasures film = measureFilm(results, geometries, options);
        benchmark::DoNotOptimize(film.viewers.data());
    }
    state.SetLabel(options.synchronyWanted ? "events, shots and synchrony" : "events and shots");
}
BENCHMARK(StudyMeasureOnly)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// 20 areas of 500 keys each over the film, a key about every 14 s: rectangles
// and ellipses wandering over the frame, every tenth key hiding its area.
std::vector<Aoi> wanderingAois()
{
    std::vector<Aoi> aois;
    for (int a = 0; a < 20; ++a) {
        Aoi& aoi = aois.emplace_back();
        aoi.name = "area " + std::to_string(a + 1);
        const AoiShape shape = a % 2 ? AoiShape::Ellipse : AoiShape::Rectangle;
        for (int k = 0; k < 500; ++k) {
            const int timeMs = k * (movieMs / 500) + a * 10;
            if (k % 10 == 9) {
                aoi.keys.push_back({timeMs, AoiShape::Hidden, 0, 0, 0, 0});
                continue;
            }
            const int x = (a * 48611 + k * 7919 * 13) % 800000;
            const int y = (a * 7919 + k * 104729) % 800000;
            aoi.keys.push_back({timeMs, shape, x, y, 100000 + (k % 7) * 20000, 120000 + (k % 5) * 20000});
        }
    }
    return aois;
}

// The AOI table of the study: events of every viewer (as the table needs its
// fixations), the 20 areas measured per viewer and shot, and the table written;
// 0: the events alone, 1: the table of the whole film, 2: with a cut every 3-5.5 s.
void StudyAoiTable_20Aois_500Keys(benchmark::State& state)
{
    const TimeLineManager& results = loaded(state);
    const std::vector<Aoi> aois = wanderingAois();
    const std::vector<int> starts = state.range(0) == 2 ? shotStarts() : std::vector<int>{};
    std::vector<std::pair<int, int>> shots;
    for (std::size_t s = 0; s < starts.size(); ++s)
        shots.emplace_back(static_cast<int>(s) + 1, starts[s]);
    const std::vector<ScreenGeometry> geometries(results.timeLines().size(), ScreenGeometry{1920, 1080});
    std::vector<std::string> names;
    for (const TimeLine& timeLine : results.timeLines())
        names.push_back(timeLine.path().stem().string());
    const auto table = std::filesystem::temp_directory_path() /
                       ("gaze-bench-aoi-table-" + std::to_string(::getpid()) + ".csv");
    const bool areas = state.range(0) > 0;
    for (auto _ : state) {
        AoiReport report = prepareAoiReport(aois, results, shots);
        FilmMeasureOptions options;
        if (areas)
            options.gazeDone = [&report](std::size_t v, const measures::GazeColumns& gaze,
                                         const std::vector<measures::GazeEvent>& events) {
                report.viewers[v] = measureAois(*report.film, gaze, events, report.intervalsMs[v]);
            };
        measureFilm(results, geometries, options);
        if (areas && !writeAoiTable(table, report, names))
            state.SkipWithError("the table could not be written");
        if (areas)
            benchmark::DoNotOptimize(summariseAois(report).data());
    }
    std::error_code ignored;
    if (areas)
        state.counters["table_MiB"] =
            static_cast<double>(std::filesystem::file_size(table, ignored)) / (1 << 20);
    std::filesystem::remove(table, ignored);
    state.SetLabel(!areas           ? "events alone, for comparison"
                   : starts.empty() ? "whole film only"
                                    : std::to_string(starts.size()) + " shots");
}
BENCHMARK(StudyAoiTable_20Aois_500Keys)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void OneRecordingEvents_2h_60Hz(benchmark::State& state)
{
    static TimeLine timeLine;
    if (timeLine.empty())
        timeLine.loadText(bench_support::recording(7, movieMs));
    const ScreenGeometry geometry{1920, 1080};
    for (auto _ : state) {
        const TimeLineGaze gaze(timeLine);
        benchmark::DoNotOptimize(measures::classifyEvents(gaze.columns(), geometry).data());
    }
    state.counters["samples/s"] = benchmark::Counter(
        static_cast<double>(timeLine.size() * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(OneRecordingEvents_2h_60Hz)->Unit(benchmark::kMillisecond);

} // namespace
