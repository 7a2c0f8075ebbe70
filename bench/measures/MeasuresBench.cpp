// The film measures of gaze-analyse over the study of 100 viewers of a two-hour
// movie at 60 Hz: loading alone, then loading with eye-movement events,
// synchrony and the per-shot sums, and each measure alone on loaded results.

#include "analysis/FilmMeasures.h"
#include "bench/support/StudyFiles.h"
#include "measures/EventClassifier.h"
#include "player/data/TimeLineManager.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

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

// Each measure alone, on results loaded once.
void StudyMeasureOnly(benchmark::State& state)
{
    static TimeLineManager results;
    if (results.timeLines().empty())
        load(results, state);
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
