#include "TestMovies.h"

#include "TestEnvironment.h"
#include "common/Logger.h"

#include <filesystem>
#include <gst/gst.h>
#include <memory>
#include <stdexcept>

namespace {

const std::string kVideo = "videotestsrc num-buffers=75 pattern=smpte ! "
                           "video/x-raw,width=160,height=120,framerate=25/1 ! jpegenc ! ";
// 300 buffers of 10 ms: as long as the video.
const std::string kSound = "audiotestsrc num-buffers=300 samplesperbuffer=441 ! "
                           "audio/x-raw,format=S16LE,rate=44100,channels=1 ! ";

std::filesystem::path logPath()
{
    static const testing_support::TempDir* folder = new testing_support::TempDir;
    return folder->path() / "Gazeview.log";
}

void openLog()
{
    static const bool opened = !Logger::open(playerLogStyle(), logPath());
    if (!opened)
        throw std::runtime_error("cannot open the test log");
}

TestMovies generate()
{
    gst_init(nullptr, nullptr);
    // Kept for the whole run: removed by the test environment at exit.
    static const testing_support::TempDir* folder = new testing_support::TempDir;
    const auto at = [](const char* name) { return (folder->path() / name).string(); };
    TestMovies movies;
    movies.folder = QString::fromStdString(folder->path().string());
    movies.withSound = QString::fromStdString(at("with sound.avi"));
    movies.videoOnly = QString::fromStdString(at("video.avi"));
    movies.soundOnly = QString::fromStdString(at("sound.wav"));
    movies.noFrameRate = QString::fromStdString(at("no rate.mkv"));
    movies.blackLandscape = QString::fromStdString(at("black landscape.avi"));
    movies.blackPortrait = QString::fromStdString(at("black portrait.avi"));
    const auto black = [&](int width, int height, const char* name) {
        return runPipeline("videotestsrc num-buffers=50 pattern=black ! video/x-raw,width=" +
                           std::to_string(width) + ",height=" + std::to_string(height) +
                           ",framerate=25/1 ! jpegenc ! avimux ! filesink location=\"" + at(name) + "\"");
    };
    const bool made =
        runPipeline(kVideo + "avimux name=mux ! filesink location=\"" + at("with sound.avi") + "\" " +
                    kSound + "mux.") &&
        runPipeline(kVideo + "avimux ! filesink location=\"" + at("video.avi") + "\"") &&
        runPipeline(kSound + "wavenc ! filesink location=\"" + at("sound.wav") + "\"") &&
        runPipeline("videotestsrc num-buffers=10 ! video/x-raw,width=64,height=48,framerate=0/1 ! jpegenc ! "
                    "matroskamux ! filesink location=\"" +
                    at("no rate.mkv") + "\"") &&
        black(640, 360, "black landscape.avi") && black(480, 800, "black portrait.avi");
    if (!made)
        throw std::runtime_error("cannot generate the test movies");
    return movies;
}

} // namespace

const TestMovies& testMovies()
{
    openLog();
    static const TestMovies movies = generate();
    return movies;
}

bool runPipeline(const std::string& description)
{
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (error != nullptr) {
        g_error_free(error);
        if (pipeline != nullptr)
            gst_object_unref(pipeline);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message =
        gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message != nullptr)
        gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ended;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    return testing_support::waitUntil(done, std::chrono::milliseconds(timeoutMs));
}

LogCapture::LogCapture()
{
    openLog();
    start_ = testing_support::readFile(logPath()).size();
}

std::string LogCapture::text() const
{
    return testing_support::readFile(logPath()).substr(start_);
}
