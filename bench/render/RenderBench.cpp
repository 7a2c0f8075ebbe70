// Frames per second of gaze-render for studies of 100 and 1,000 viewers at
// 640 x 360 and 1280 x 720: the overlay drawn and painted over one frame, and
// whole renderings of a short movie to H.264 (decoding and encoding included).

#include "bench/support/SyntheticGaze.h"
#include "render/OverlayFrames.h"
#include "render/RenderJob.h"

#include "common/Logger.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kMovieMs = 4000;

std::filesystem::path workFolder()
{
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("render-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        Logger::open(playerLogStyle(), "/dev/null");
        gst_init(nullptr, nullptr);
        return path;
    }();
    return folder;
}

// Fixations of a few hundred ms around random points, sampled at 30 Hz.
std::filesystem::path study(int viewers)
{
    const auto folder = workFolder() / ("study-" + std::to_string(viewers));
    if (std::filesystem::exists(folder))
        return folder;
    std::filesystem::create_directories(folder);
    std::mt19937 random(static_cast<unsigned>(viewers));
    for (int v = 0; v < viewers; ++v) {
        std::ofstream out(folder / ("viewer" + std::to_string(v) + ".csv"));
        out << "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
               "interesting_point_value\n";
        bench_support::writeSyntheticGaze(out, random, kMovieMs, 300);
    }
    return folder;
}

std::filesystem::path movie(int width, int height)
{
    const auto file = workFolder() / ("movie-" + std::to_string(width) + ".avi");
    if (std::filesystem::exists(file))
        return file;
    const std::string description =
        "videotestsrc pattern=ball num-buffers=" + std::to_string(kMovieMs / 40) +
        " ! video/x-raw,width=" + std::to_string(width) + ",height=" + std::to_string(height) +
        ",framerate=25/1 ! jpegenc ! avimux ! filesink location=\"" + file.string() + "\"";
    GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_message_unref(gst_bus_timed_pop_filtered(
        bus, GST_CLOCK_TIME_NONE, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return file;
}

RenderOptions options(int viewers, int width, int height)
{
    RenderOptions o;
    o.movie = movie(width, height);
    o.directory = true;
    o.results = study(viewers);
    o.settingsDir = workFolder(); // no settings files there: the player's defaults
    return o;
}

void OverlayOverOneFrame(benchmark::State& state)
{
    const int viewers = static_cast<int>(state.range(0));
    const QSize size(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    OverlayFrames overlay;
    std::string error;
    std::string warnings;
    if (!overlay.load(options(viewers, size.width(), size.height()), error, warnings)) {
        state.SkipWithError(error.c_str());
        return;
    }
    overlay.setVideoSize(size);
    QImage frame(size, QImage::Format_RGB32);
    frame.fill(Qt::darkGray);
    int t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(overlay.compose(frame, t));
        t = (t + 40) % kMovieMs;
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void WholeRenderingToH264(benchmark::State& state)
{
    const int viewers = static_cast<int>(state.range(0));
    RenderOptions o = options(viewers, static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    o.format = RenderOptions::Output::Mp4;
    o.output = workFolder() / "out.mp4";
    for (auto _ : state) {
        std::ostringstream err;
        if (runRender(o, err) != 0) {
            state.SkipWithError(err.str().c_str());
            return;
        }
    }
    const double frames = kMovieMs / 40.0;
    state.counters["fps"] =
        benchmark::Counter(frames * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void sizes(benchmark::internal::Benchmark* b)
{
    for (const int viewers : {100, 1000})
        for (const auto& [width, height] : std::map<int, int>{{640, 360}, {1280, 720}})
            b->Args({viewers, width, height});
    b->ArgNames({"viewers", "width", "height"});
    b->Unit(benchmark::kMillisecond);
    b->UseRealTime();
}

} // namespace

BENCHMARK(OverlayOverOneFrame)->Apply(sizes);
BENCHMARK(WholeRenderingToH264)->Apply(sizes)->Iterations(1);
