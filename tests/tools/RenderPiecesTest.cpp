#include "render/RenderJob.h"
#include "render/RenderOptions.h"
#include "shots/MovieFrames.h"

#include "GeneratedMovie.h"
#include "ResultsText.h"
#include "TestEnvironment.h"
#include "player/media/GstRef.h"

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// A movie of a moving ball with a tone: frames at fps, and the tone in buffers of 10 ms.
bool ballMovieWithTone(const std::filesystem::path& movie, int frames, int fps, int toneBuffers)
{
    return generated_movie::run(
        generated_movie::source("ball", frames, kWidth, kHeight, fps) +
        "! jpegenc ! avimux name=mux ! filesink location=\"" + movie.string() +
        "\" audiotestsrc num-buffers=" + std::to_string(toneBuffers) +
        " samplesperbuffer=441 ! audio/x-raw,format=S16LE,rate=44100,channels=1 ! mux.");
}

// Samples of the file's sound, decoded; -1 when it cannot be decoded.
std::int64_t soundSamples(const std::filesystem::path& file)
{
    gst_init(nullptr, nullptr);
    const std::string description = "filesrc location=\"" + file.string() +
                                    "\" ! decodebin ! audioconvert ! audio/x-raw,format=S16LE,channels=1 ! "
                                    "appsink name=sound sync=false";
    GstObjectPtr<GstElement> pipeline(gst_parse_launch(description.c_str(), nullptr));
    if (!pipeline)
        return -1;
    GstObjectPtr<GstElement> sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sound"));
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    std::int64_t bytes = 0;
    while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 10 * GST_SECOND)) {
        bytes += static_cast<std::int64_t>(gst_buffer_get_size(gst_sample_get_buffer(sample)));
        gst_sample_unref(sample);
    }
    const bool ended = gst_app_sink_is_eos(GST_APP_SINK(sink.get()));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return ended ? bytes / 2 : -1;
}

// The peak signal-to-noise ratio of the luma, as encoders state their noise.
double lumaPsnr(const QImage& a, const QImage& b)
{
    const auto luma = [](QRgb p) { return 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p); };
    double squared = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const double d = luma(a.pixel(x, y)) - luma(b.pixel(x, y));
            squared += d * d;
        }
    const double mean = squared / (static_cast<double>(a.width()) * a.height());
    return mean == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mean);
}

int run(RenderOptions options, std::string& err)
{
    options.format = RenderOptions::Output::Mp4;
    std::ostringstream out;
    const int status = runRender(options, out);
    err = out.str();
    return status;
}

} // namespace

TEST(RenderPieces, ThreePiecesJoinedAreTheWholeRenderingFrameForFrame)
{
    // [GIVEN] a 4 s movie at 30 frames/s with a moving ball and a tone, and viewers who follow
    // the ball around; the cuts fall inside frames (a frame lasts 33.3 ms)
    TempDir dir;
    const auto movie = dir / "film.avi";
    ASSERT_TRUE(ballMovieWithTone(movie, 120, 30, 400));
    std::filesystem::create_directories(dir / "study");
    for (int v = 0; v < 8; ++v) {
        std::vector<results_text::Row> rows;
        for (int t = 0; t <= 4000; t += 20)
            rows.push_back({t, 200000 + 150 * t + 10000 * v, 300000 + 60 * t, 1, 30000 + 5 * t, t == 1500});
        writeFile(dir / "study" / ("viewer" + std::to_string(v) + ".csv"), results_text::fileOf(rows));
    }
    RenderOptions options;
    options.movie = movie;
    options.directory = true;
    options.results = dir / "study";
    options.settingsDir = dir / "settings";

    // [WHEN] it is rendered whole, and in three pieces that are then joined
    std::string err;
    options.output = dir / "whole.mp4";
    ASSERT_EQ(run(options, err), 0) << err;
    const std::pair<std::int64_t, std::optional<std::int64_t>> cuts[] = {
        {0, 1010}, {1010, 2345}, {2345, std::nullopt}};
    RenderOptions join;
    join.output = dir / "joined.mp4";
    for (const auto& [from, to] : cuts) {
        RenderOptions piece = options;
        piece.piece = true;
        piece.fromMs = from;
        piece.toMs = to;
        piece.output = dir / ("piece" + std::to_string(from) + ".mp4");
        ASSERT_EQ(run(piece, err), 0) << err;
        join.pieces.push_back(piece.output);
    }
    ASSERT_EQ(run(join, err), 0) << err;

    // [THEN] the frames are the same, at the same times, within the encoder's noise
    const auto whole = generated_movie::framesOf(dir / "whole.mp4");
    const auto joined = generated_movie::framesOf(dir / "joined.mp4");
    ASSERT_EQ(whole.size(), 120u);
    ASSERT_EQ(joined.size(), whole.size());
    double worst = 99;
    for (size_t i = 0; i < whole.size(); ++i) {
        EXPECT_EQ(joined[i].timeMs, whole[i].timeMs) << i;
        worst = std::min(worst, lumaPsnr(joined[i].image, whole[i].image));
    }
    EXPECT_GE(worst, 45.0);
    // ... and the sound lasts as long, within a few samples of rounding at each cut
    const std::int64_t wholeSound = soundSamples(dir / "whole.mp4");
    ASSERT_GT(wholeSound, 4 * 44100);
    EXPECT_NEAR(static_cast<double>(soundSamples(dir / "joined.mp4")), static_cast<double>(wholeSound), 4.0);
}

TEST(RenderPieces, PartsThatDoNotFitAreRefusedAndLeaveNoOutput)
{
    // [GIVEN] a part rendered for joining, one rendered as a plain file, and a file that is no movie
    TempDir dir;
    const auto movie = dir / "film.avi";
    ASSERT_TRUE(ballMovieWithTone(movie, 20, 25, 100));
    std::filesystem::create_directories(dir / "study");
    writeFile(dir / "study" / "viewer.csv", results_text::fileOf({{0, 500000, 500000, 1, 30000, 0}}));
    writeFile(dir / "notes.mp4", "no movie in here");
    RenderOptions options;
    options.movie = movie;
    options.directory = true;
    options.results = dir / "study";
    options.settingsDir = dir / "settings";
    std::string err;
    options.output = dir / "plain.mp4";
    ASSERT_EQ(run(options, err), 0) << err;
    options.piece = true;
    options.output = dir / "piece.mp4";
    ASSERT_EQ(run(options, err), 0) << err;

    struct Case
    {
        std::vector<std::filesystem::path> pieces;
        std::string reason;
    };
    const Case cases[] = {
        {{dir / "piece.mp4", dir / "plain.mp4"}, "--piece"},
        {{dir / "piece.mp4", dir / "missing.mp4"}, "not a readable file"},
        {{dir / "notes.mp4"}, "cannot be read"},
    };
    for (const Case& c : cases) {
        // [WHEN] they are joined
        RenderOptions join;
        join.output = dir / "joined.mp4";
        join.pieces = c.pieces;
        // [THEN] the join is refused with the reason, and leaves nothing behind
        EXPECT_EQ(run(join, err), 2) << c.reason;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_FALSE(std::filesystem::exists(join.output));
    }
    // an output that cannot be written is told apart from parts that cannot be read
    RenderOptions nowhere;
    nowhere.output = dir / "missing" / "joined.mp4";
    nowhere.pieces = {dir / "piece.mp4"};
    EXPECT_EQ(run(nowhere, err), 3) << err;
    // a join never writes over one of its parts
    RenderOptions over;
    over.output = dir / "piece.mp4";
    over.pieces = {dir / "piece.mp4"};
    EXPECT_EQ(run(over, err), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5);
}

TEST(RenderPieces, CommandLinesOfPiecesJoinsAndLengths)
{
    const auto parse = [](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "gaze-render");
        return parseRenderArguments(arguments);
    };
    const ParsedRenderArguments piece =
        parse({"-m", "film.avi", "-d", "study", "-o", "p.mp4", "--piece", "--from", "1000", "--to", "2000"});
    ASSERT_EQ(piece.error, "");
    EXPECT_TRUE(piece.options.piece);
    const ParsedRenderArguments join = parse({"--join", "all.mp4", "p1.mp4", "p2.mp4"});
    ASSERT_EQ(join.error, "");
    EXPECT_EQ(join.options.output, "all.mp4");
    EXPECT_EQ(join.options.pieces, (std::vector<std::filesystem::path>{"p1.mp4", "p2.mp4"}));
    const ParsedRenderArguments length = parse({"--length", "-m", "film.avi"});
    ASSERT_EQ(length.error, "");
    EXPECT_TRUE(length.options.lengthOnly);

    for (const auto& bad :
         std::vector<std::vector<std::string>>{{"-m", "a.avi", "-d", "s", "-o", "o.webm", "--piece"},
                                               {"--join", "all.webm", "p1.webm"},
                                               {"--join", "all.mp4"},
                                               {"--join", "all.mp4", "-m", "a.avi", "p1.mp4"},
                                               {"--length"}})
        EXPECT_NE(parse(bad).error, "") << ::testing::PrintToString(bad);
}
