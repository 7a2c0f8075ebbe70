// A study: 100 viewers of a two-hour movie recorded at 60 Hz, generated as results
// files in a temporary folder (kept, for measuring gaze-analyse on it, when
// GAZE_BENCH_STUDY_DIR names a folder).

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

constexpr int viewers = 100;
constexpr int movieMs = 2 * 60 * 60 * 1000;
constexpr double periodMs = 1000.0 / 60.0;

void append(std::string& text, long long value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
}

// Fixations of a few hundred ms with jitter, saccades between them, blinks and an
// interesting point now and then.
std::string recording(unsigned seed, int lastMs)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> jitter(0.0, 1500.0);
    std::normal_distribution<double> pupilNoise(0.0, 800.0);
    std::string text = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                       "interesting_point_value\n#Examination date: 2016_07_11_18_12_25\n"
                       "#Movie path: /films/feature.avi\n#Output path: /results/P.csv\n#Examination id: P\n";
    text.reserve(static_cast<size_t>(lastMs / periodMs) * 36 + text.size());
    int fixX = 500000;
    int fixY = 500000;
    int fixationLeft = 0;
    const int basePupil = 28000 + static_cast<int>(random() % 8000);
    for (long long i = 0;; ++i) {
        const auto t = static_cast<long long>(static_cast<double>(i) * periodMs);
        if (t > lastMs)
            break;
        if (--fixationLeft <= 0) {
            fixX = 100000 + static_cast<int>(random() % 800000);
            fixY = 100000 + static_cast<int>(random() % 800000);
            fixationLeft = 6 + static_cast<int>(random() % 40);
        }
        append(text, t);
        if (random() % 100 < 2) {
            text += ";-1;-1;-1;-1;";
        } else {
            text += ';';
            append(text, fixX + static_cast<long long>(jitter(random)));
            text += ';';
            append(text, fixY + static_cast<long long>(jitter(random)));
            text += random() % 100 < 3 ? ";0;" : ";1;";
            append(text, basePupil + static_cast<long long>(pupilNoise(random)) +
                             static_cast<long long>(3000.0 * std::sin(static_cast<double>(t) / 60000.0)));
            text += ';';
        }
        text += random() % 20000 == 0 ? "1\n" : "0\n";
    }
    return text;
}

class Study
{
public:
    Study()
    {
        const char* keep = std::getenv("GAZE_BENCH_STUDY_DIR");
        keep_ = keep && *keep;
        folder_ = keep_
                      ? std::filesystem::path(keep)
                      : std::filesystem::temp_directory_path() / ("gaze-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        for (int v = 0; v < viewers; ++v) {
            const auto file = folder_ / ("P" + std::to_string(100 + v) + "_2016_07_11_18_12_25.csv");
            if (!std::filesystem::exists(file))
                std::ofstream(file, std::ios::binary) << recording(static_cast<unsigned>(v), movieMs);
            files_.push_back(file);
        }
    }
    ~Study()
    {
        if (!keep_)
            std::filesystem::remove_all(folder_);
    }
    const std::vector<std::filesystem::path>& files() const { return files_; }

private:
    bool keep_ = false;
    std::filesystem::path folder_;
    std::vector<std::filesystem::path> files_;
};

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
