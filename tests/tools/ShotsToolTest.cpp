#include "shots/ShotsTool.h"
#include "shots/CutDetector.h"
#include "shots/FoundShots.h"
#include "shots/MovieFrames.h"

#include "GeneratedMovie.h"
#include "TestEnvironment.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"

#include <gtest/gtest.h>

#include <sstream>

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

constexpr int kFps = 25;
constexpr int kFrameMs = 1000 / kFps;

// Parts of the given lengths in frames, one pattern each, cut hard into one movie.
std::filesystem::path movieOfParts(const TempDir& dir, const std::vector<std::pair<std::string, int>>& parts)
{
    const auto movie = dir / "parts.avi";
    std::string description =
        "concat name=c ! videoconvert ! jpegenc ! avimux ! filesink location=\"" + movie.string() + "\" ";
    for (const auto& [pattern, frames] : parts)
        description += generated_movie::source(pattern, frames, 160, 120, kFps) + "! c. ";
    EXPECT_TRUE(generated_movie::run(description));
    return movie;
}

struct Outcome
{
    int status;
    std::string err;
};

Outcome detect(const std::filesystem::path& movie)
{
    ShotsOptions options;
    options.movie = movie;
    std::ostringstream err;
    const int status = runShotDetection(options, err);
    return {status, err.str()};
}

std::vector<Shot> readShots(const std::filesystem::path& file)
{
    const TimeLineManager noResults;
    ShotLine shots(noResults);
    EXPECT_EQ(shots.load(file), ShotLine::Loaded) << readFile(file);
    return shots.shots();
}

TEST(ShotsTool, FindsEveryCutOfAMovieOfPartsWithinOneFrame)
{
    // [GIVEN] solid colours and patterns of 20, 30, 25 and 25 frames
    TempDir dir;
    const auto movie =
        movieOfParts(dir, {{"red", 20}, {"smpte", 30}, {"checkers-8", 25}, {"blue", 25}, {"circular", 25}});

    // [WHEN]
    const Outcome run = detect(movie);

    // [THEN] the shot file beside the movie starts a shot at 0 and at each cut, in the player's format
    ASSERT_EQ(run.status, 0) << run.err;
    const auto shotFile = dir / "parts.avi_shots.csv";
    const std::vector<Shot> shots = readShots(shotFile);
    const std::vector<int> expected = {0, 20 * kFrameMs, 50 * kFrameMs, 75 * kFrameMs, 100 * kFrameMs};
    ASSERT_EQ(shots.size(), expected.size()) << readFile(shotFile);
    for (size_t i = 0; i < shots.size(); ++i) {
        EXPECT_NEAR(shots[i].time, expected[i], kFrameMs) << "shot " << i + 1;
        EXPECT_EQ(shots[i].number, static_cast<int>(i) + 1);
    }
    // each cut's score stands in a comment before its line
    const std::string text = readFile(shotFile);
    EXPECT_EQ(text.rfind("#Gazeview shot file version 0.0.1\r\n", 0), 0u);
    size_t scores = 0;
    for (size_t at = text.find("\r\n#cut score "); at != std::string::npos;
         at = text.find("\r\n#cut score ", at + 1))
        ++scores;
    EXPECT_EQ(scores, expected.size() - 1);
}

TEST(ShotsTool, FindsNoCutInAMovingBall)
{
    TempDir dir;
    const auto movie = dir / "ball.avi";
    ASSERT_TRUE(generated_movie::run(generated_movie::source("ball", 100, 160, 120, kFps) +
                                     "! jpegenc ! avimux ! filesink location=\"" + movie.string() + "\""));

    const Outcome run = detect(movie);

    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Shot> shots = readShots(dir / "ball.avi_shots.csv");
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].time, 0);
}

TEST(ShotsTool, NeverReplacesAShotFile)
{
    // [GIVEN] a movie whose shots were marked by hand
    TempDir dir;
    const auto movie = movieOfParts(dir, {{"red", 10}, {"blue", 10}});
    const std::string byHand = "#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n0;1\r\n300;2\r\n";
    writeFile(dir / "parts.avi_shots.csv", byHand);

    // [WHEN] shots are found twice
    const Outcome first = detect(movie);
    const Outcome second = detect(movie);

    // [THEN] the hand-made file is untouched, each run takes a new name and says so
    ASSERT_EQ(first.status, 0);
    ASSERT_EQ(second.status, 0);
    EXPECT_EQ(readFile(dir / "parts.avi_shots.csv"), byHand);
    EXPECT_NE(first.err.find("exists and is kept"), std::string::npos) << first.err;
    EXPECT_NE(first.err.find("parts.avi_found_shots.csv"), std::string::npos) << first.err;
    EXPECT_NE(second.err.find("parts.avi_found2_shots.csv"), std::string::npos) << second.err;
    EXPECT_EQ(readShots(dir / "parts.avi_found2_shots.csv").size(), 2u);
    // nothing else is left behind
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
}

TEST(ShotsTool, InputThatIsNoMovieIsRefusedAndNothingIsWritten)
{
    TempDir dir;
    writeFile(dir / "notes.avi", "these are not frames\n");
    std::filesystem::create_directory(dir / "folder.avi");

    for (const char* name : {"notes.avi", "folder.avi", "missing.avi"}) {
        const Outcome run = detect(dir / name);
        EXPECT_EQ(run.status, 2) << name;
        EXPECT_NE(run.err.find("gaze-shots: "), std::string::npos) << name;
        EXPECT_FALSE(std::filesystem::exists(dir / (std::string(name) + "_shots.csv"))) << name;
    }
}

TEST(ShotsTool, ASoundFileIsToldToHoldNoVideoWithoutWaitingForFrames)
{
    TempDir dir;
    const auto sound = dir / "sound.wav";
    ASSERT_TRUE(generated_movie::run("audiotestsrc num-buffers=50 ! wavenc ! filesink location=\"" +
                                     sound.string() + "\""));
    // A stall limit long enough for any decoder to start, far shorter than a test's patience.
    MovieFrames frames({}, std::chrono::seconds(5));
    EXPECT_FALSE(frames.open(sound));
    EXPECT_EQ(frames.error().rfind("the movie holds no video", 0), 0u) << frames.error();
}

TEST(ShotsTool, CommandLine)
{
    const auto parse = [](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "gaze-shots");
        return parseShotsArguments(arguments);
    };
    const ParsedShotsArguments good = parse({"--threshold", "0.5", "--min-shot", "1000", "film.avi"});
    EXPECT_EQ(good.error, "");
    EXPECT_DOUBLE_EQ(good.options.threshold, 0.5);
    EXPECT_EQ(good.options.minShotMs, 1000);
    EXPECT_EQ(good.options.movie, "film.avi");

    for (const auto& bad : std::vector<std::vector<std::string>>{{},
                                                                 {"a.avi", "b.avi"},
                                                                 {"--threshold", "0", "a.avi"},
                                                                 {"--threshold", "x", "a.avi"},
                                                                 {"--min-shot", "-1", "a.avi"},
                                                                 {"--threshold", "nan", "a.avi"},
                                                                 {"--threshold", "inf", "a.avi"},
                                                                 {"--min-shot", "99999999999", "a.avi"},
                                                                 {"--frobnicate", "a.avi"}})
        EXPECT_NE(parse(bad).error, "") << ::testing::PrintToString(bad);
    EXPECT_EQ(parse({"--min-shot", "99999999999", "a.avi"}).error,
              "--min-shot needs a whole number from 0 to 2147483647, not \"99999999999\"");

    // The log must not be written over the movie, whatever it is called
    TempDir dir;
    testing_support::writeFile(dir / "film.avi", "movie");
    ShotsOptions options;
    options.movie = dir / "film.avi";
    options.logFile = dir / "." / "film.avi";
    EXPECT_NE(overwriteProblem(options), "");
    options.logFile = dir / "gaze-shots.log";
    EXPECT_EQ(overwriteProblem(options), "");
}

TEST(CutDetector, ScoresAndFlashes)
{
    QImage red(64, 48, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage blue(64, 48, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QImage halfBlue = red.copy();
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 32; ++x)
            halfBlue.setPixel(x, y, qRgb(0, 0, 255));

    const auto redCounts = CutDetector::histogram(red);
    EXPECT_DOUBLE_EQ(CutDetector::score(redCounts, redCounts), 0.0);
    EXPECT_DOUBLE_EQ(CutDetector::score(redCounts, CutDetector::histogram(blue)), 1.0);
    EXPECT_DOUBLE_EQ(CutDetector::score(redCounts, CutDetector::histogram(halfBlue)), 0.5);

    // A flash of two frames is one cut, not two, when shots are at least 200 ms long.
    CutDetector detector(0.35, 200);
    int t = -40;
    for (const QImage* frame :
         {&red, &red, &red, &red, &red, &red, &blue, &red, &red, &red, &red, &red, &red, &red, &blue})
        detector.add(*frame, t += 40);
    ASSERT_EQ(detector.cuts().size(), 2u);
    EXPECT_EQ(detector.cuts()[0].timeMs, 240);
    EXPECT_EQ(detector.cuts()[1].timeMs, 560);
}

} // namespace
