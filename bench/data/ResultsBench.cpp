// Loading a study of 100 viewers of a two-hour movie at 60 Hz, and single recordings.

#include "bench/support/StudyFiles.h"
#include "player/data/TimeLine.h"
#include "player/data/TimeLineManager.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using bench_support::append;
using bench_support::movieMs;
using bench_support::recording;
using bench_support::Study;

// As gaze-analyse and the player's folder mode load a study: every file on its own
// thread as cores allow, then the statistics of the set.
void StudyLoadDeriveStats_100Files_2h_60Hz(benchmark::State& state)
{
    static const Study study;
    size_t samples = 0;
    for (auto _ : state) {
        TimeLineManager results;
        for (const int status : results.addAll(study.files(), 8, 20000, 500))
            if (status != 0)
                state.SkipWithError("a generated file did not load");
        results.calculateStats();
        benchmark::DoNotOptimize(results.pupilRuns().data());
        for (const TimeLine& timeLine : results.timeLines())
            samples += timeLine.size();
    }
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}
BENCHMARK(StudyLoadDeriveStats_100Files_2h_60Hz)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void OneRecordingLoadDerive_2h_60Hz(benchmark::State& state)
{
    static const std::string text = recording(7, movieMs);
    size_t samples = 0;
    for (auto _ : state) {
        TimeLine timeLine;
        timeLine.loadText(text);
        timeLine.smoothAndCountRuns(8, 20000);
        timeLine.markActions(500);
        samples += timeLine.size();
    }
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}
BENCHMARK(OneRecordingLoadDerive_2h_60Hz)->Unit(benchmark::kMillisecond);

void OneRecordingLoad_2h_60Hz(benchmark::State& state)
{
    static const std::string text = recording(7, movieMs);
    size_t samples = 0;
    for (auto _ : state) {
        TimeLine timeLine;
        timeLine.loadText(text);
        samples += timeLine.size();
    }
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}
BENCHMARK(OneRecordingLoad_2h_60Hz)->Unit(benchmark::kMillisecond);

// 500,000 samples of a gaze that never moves: every steady run spans the whole file.
void StillGazeLoadDerive_500kSamples(benchmark::State& state)
{
    static const std::string text = [] {
        std::string t = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                        "interesting_point_value\n";
        for (int i = 0; i < 500000; ++i) {
            append(t, i * 16);
            t += ";500000;500000;1;30000;0\n";
        }
        return t;
    }();
    for (auto _ : state) {
        TimeLine timeLine;
        timeLine.loadText(text);
        timeLine.smoothAndCountRuns(8, 20000);
        timeLine.markActions(500);
        if (timeLine.item(timeLine.size() - 1).stillCount != 499999)
            state.SkipWithError("wrong steady run");
    }
    state.counters["samples/s"] =
        benchmark::Counter(500000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(StillGazeLoadDerive_500kSamples)->Unit(benchmark::kMillisecond);

} // namespace
