// Frames per second of gaze-render for studies of 100 and 1,000 viewers at
// 640 x 360 and 1280 x 720: the overlay drawn and painted over one frame, and
// whole renderings of a short movie to H.264 (decoding and encoding included).
// Then, side by side, a rendering of 20 s of an H.264 film with sound at 720p
// and 1080p for 100 viewers and a plain transcode of what it wrote with the
// same encoder settings: the same pictures, so the same encoder work, and
// what rendering costs beyond it.

#include "bench/support/SyntheticGaze.h"
#include "render/OverlayFrames.h"
#include "render/RenderJob.h"

#include "common/Logger.h"

#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kMovieMs = 4000;

// A folder of this run's own, removed with everything in it when the program ends.
class TemporaryFolder
{
public:
    explicit TemporaryFolder(std::filesystem::path path) : path_(std::move(path))
    {
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

const std::filesystem::path& workFolder()
{
    static const TemporaryFolder folder = [] {
        Logger::open(playerLogStyle(), "/dev/null");
        gst_init(nullptr, nullptr);
        return TemporaryFolder(std::filesystem::temp_directory_path() /
                               ("render-bench-" + std::to_string(::getpid())));
    }();
    return folder.path();
}

// Fixations of a few hundred ms around random points, sampled at 30 Hz.
std::filesystem::path study(int viewers, int movieMs = kMovieMs)
{
    const auto folder = workFolder() / ("study-" + std::to_string(viewers) + "-" + std::to_string(movieMs));
    if (std::filesystem::exists(folder))
        return folder;
    std::filesystem::create_directories(folder);
    std::mt19937 random(static_cast<unsigned>(viewers));
    for (int v = 0; v < viewers; ++v) {
        std::ofstream out(folder / ("viewer" + std::to_string(v) + ".csv"));
        out << "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
               "interesting_point_value\n";
        bench_support::writeSyntheticGaze(out, random, movieMs, 300);
    }
    return folder;
}

// Runs a pipeline to its end; false when it fails or has not ended after ten minutes.
bool runPipeline(const std::string& description)
{
    GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
    if (pipeline == nullptr)
        return false;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, 600 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message != nullptr)
        gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ended;
}

std::filesystem::path movie(int width, int height)
{
    const auto file = workFolder() / ("movie-" + std::to_string(width) + ".avi");
    if (!std::filesystem::exists(file))
        runPipeline("videotestsrc pattern=ball num-buffers=" + std::to_string(kMovieMs / 40) +
                    " ! video/x-raw,width=" + std::to_string(width) + ",height=" + std::to_string(height) +
                    ",framerate=25/1 ! jpegenc ! avimux ! filesink location=\"" + file.string() + "\"");
    return file;
}

// A film as films come: H.264 in 4:2:0 with AAC stereo sound, moving colour bars.
std::filesystem::path film(int width, int height, int seconds)
{
    const auto file = workFolder() / ("film-" + std::to_string(width) + ".mp4");
    if (!std::filesystem::exists(file))
        runPipeline(
            "videotestsrc pattern=smpte horizontal-speed=3 num-buffers=" + std::to_string(seconds * 25) +
            " ! video/x-raw,format=I420,width=" + std::to_string(width) +
            ",height=" + std::to_string(height) +
            ",framerate=25/1 ! x264enc speed-preset=faster ! h264parse ! mp4mux name=mux ! filesink "
            "location=\"" +
            file.string() + "\" audiotestsrc num-buffers=" + std::to_string(seconds * 44100 / 1024 + 1) +
            " ! audio/x-raw,rate=44100,channels=2 ! avenc_aac ! mux.");
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

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void RenderBesideTranscode(benchmark::State& state)
{
    constexpr int kSeconds = 20;
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    RenderOptions o;
    o.movie = film(width, height, kSeconds);
    o.directory = true;
    o.results = study(100, kSeconds * 1000);
    o.settingsDir = workFolder();
    o.format = RenderOptions::Output::Mp4;
    o.output = workFolder() / "rendered.mp4";
    // The encoder settings of a rendering; sound decoded and encoded again as a rendering copies it.
    const std::string transcode =
        "filesrc location=\"" + o.output.string() +
        "\" ! qtdemux name=d d.video_0 ! queue max-size-time=10000000000 max-size-buffers=0 max-size-bytes=0 "
        "! avdec_h264 ! videoconvert ! "
        "video/x-raw,format=I420 ! x264enc speed-preset=veryfast pass=qual quantizer=18 ! "
        "video/x-h264,profile=high ! mp4mux name=mux ! filesink location=\"" +
        (workFolder() / "transcoded.mp4").string() +
        "\" d.audio_0 ! queue max-size-time=10000000000 max-size-buffers=0 max-size-bytes=0 ! avdec_aac ! "
        "audioconvert ! audioresample ! avenc_aac ! mux.";
    double renderWall = 0, renderCpu = 0, transcodeWall = 0, transcodeCpu = 0;
    for (auto _ : state) {
        std::ostringstream err;
        auto started = std::chrono::steady_clock::now();
        double cpu = cpuSeconds();
        if (runRender(o, err) != 0) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        renderWall += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        renderCpu += cpuSeconds() - cpu;
        started = std::chrono::steady_clock::now();
        cpu = cpuSeconds();
        if (!runPipeline(transcode)) {
            state.SkipWithError("the transcode failed");
            return;
        }
        transcodeWall += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        transcodeCpu += cpuSeconds() - cpu;
    }
    const double frames = kSeconds * 25.0 * static_cast<double>(state.iterations());
    state.counters["render_fps"] = frames / renderWall;
    state.counters["transcode_fps"] = frames / transcodeWall;
    state.counters["ratio"] = renderWall / transcodeWall;
    state.counters["cpu_ratio"] = renderCpu / transcodeCpu;
    state.counters["x_real_time"] = frames / renderWall / 25.0;
    // On a shared machine the wall clock tells the load; CPU seconds tell the work. Two
    // cores of its own would render at most this fast.
    state.counters["render_cpu_s"] = renderCpu;
    state.counters["transcode_cpu_s"] = transcodeCpu;
    state.counters["render_fps_2_cores"] = frames / (renderCpu / 2);
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
BENCHMARK(RenderBesideTranscode)
    ->Args({1280, 720})
    ->Args({1920, 1080})
    ->ArgNames({"width", "height"})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);
