// The overlay is drawn on every 64 ms tick of the playback clock: these measure
// one tick's drawing for a study of 40 viewers and for one viewer, with and
// without its scan path.

#include "bench/support/SyntheticGaze.h"
#include "player/core/AppCtrl.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/MixerBitmap.h"
#include "player/overlay/Graphics.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kViewers = 40;
constexpr int kMovieMs = 60000;

// Fixations of a few hundred ms around random points, sampled at 30 Hz.
void writeRecording(const std::filesystem::path& file, unsigned seed)
{
    std::mt19937 random(seed);
    std::ofstream out(file);
    out << "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
           "interesting_point_value\n#Movie path: /films/feature.avi\n";
    bench_support::writeSyntheticGaze(out, random, kMovieMs, 500);
}

struct Study
{
    Study()
    {
        folder = std::filesystem::temp_directory_path() / ("overlay-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        for (int i = 0; i < kViewers; ++i) {
            const auto file = folder / ("viewer" + std::to_string(i) + ".csv");
            writeRecording(file, static_cast<unsigned>(i + 1));
            results.add(file, app.eventsNum, app.filterRadius, app.actionRadius);
        }
        results.calculateStats();
        shots.addShot(Shot{});
        shots.addShot(Shot{kMovieMs / 2, 0, 0, 0});
    }
    ~Study() { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
    AppCtrl app;
    OverlayOptions options;
    TimeLineManager results;
    ShotLine shots{results};
};

Study& study()
{
    static Study s;
    return s;
}

void ManyViewers(benchmark::State& state)
{
    Study& s = study();
    Graphics graphics(static_cast<int>(state.range(0)), QSize(1280, 720));
    MixerBitmap mixer;
    int t = 0;
    for (auto _ : state) {
        graphics.DrawMulti(mixer, s.results, s.shots, t, s.options);
        t = (t + 64) % kMovieMs;
    }
}
BENCHMARK(ManyViewers)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);

void OneViewer(benchmark::State& state)
{
    Study& s = study();
    const Graphics graphics(256, QSize(1280, 720));
    MixerBitmap mixer;
    int t = 0;
    for (auto _ : state) {
        graphics.DrawSingle(mixer, s.results, t, s.options);
        t = (t + 64) % kMovieMs;
    }
}
BENCHMARK(OneViewer)->Unit(benchmark::kMicrosecond);

// One viewer with its scan path, over a frame of the given width (16:9); the eye
// movements are classified before the first tick is timed.
void OneViewerWithScanPath(benchmark::State& state)
{
    Study& s = study();
    const auto width = static_cast<int>(state.range(0));
    const Graphics graphics(256, QSize(width, width * 9 / 16));
    OverlayOptions options = s.options;
    options.showScanPath = true;
    MixerBitmap mixer;
    graphics.DrawSingle(mixer, s.results, 0, options);
    int t = 0;
    for (auto _ : state) {
        graphics.DrawSingle(mixer, s.results, t, options);
        t = (t + 64) % kMovieMs;
    }
}
BENCHMARK(OneViewerWithScanPath)->Arg(1280)->Arg(1920)->Unit(benchmark::kMicrosecond);

} // namespace
