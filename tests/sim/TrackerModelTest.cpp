#include "sim/eyetribe/TrackerModel.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace sim;

namespace {

TrackerModel model(double calibrationErrorDeg = 0.4)
{
    ServerOptions options;
    options.calibrationErrorDeg = calibrationErrorDeg;
    return TrackerModel(options, GazePath::synthetic(1, 30, 1920, 1080, 1000));
}

std::string calibration(const std::string& request, const std::string& values = {})
{
    return R"({"category":"calibration","request":")" + request + '"' +
           (values.empty() ? "" : R"(,"values":{)" + values + "}") + "}";
}

// Shows and ends points at (10, 10) until count points are done; the last outcome.
TrackerModel::Outcome showPoints(TrackerModel& tracker, TrackerModel::Client& client, int count)
{
    TrackerModel::Outcome last;
    for (int i = 0; i < count; ++i) {
        tracker.handle(calibration("pointstart", R"("x":10,"y":10)"), client);
        last = tracker.handle(calibration("pointend"), client);
    }
    return last;
}

} // namespace

TEST(TrackerModel, AnswersGetWithTheRequestedValues)
{
    TrackerModel tracker = model();
    TrackerModel::Client client;
    EXPECT_EQ(
        tracker.handle(R"({"category":"tracker","request":"get","values":["trackerstate"]})", client).reply,
        R"({"category":"tracker","request":"get","statuscode":200,"values":{"trackerstate":0}})");
    // Push and version belong to each client.
    tracker.handle(R"({"category":"tracker","request":"set","values":{"push":true,"version":1}})", client);
    TrackerModel::Client other;
    const char* get = R"({"category":"tracker","request":"get","values":["push","version"]})";
    EXPECT_EQ(
        tracker.handle(get, client).reply,
        R"({"category":"tracker","request":"get","statuscode":200,"values":{"push":true,"version":1}})");
    EXPECT_EQ(
        tracker.handle(get, other).reply,
        R"({"category":"tracker","request":"get","statuscode":200,"values":{"push":false,"version":0}})");
}

TEST(TrackerModel, RefusesWhatATrackerWouldRefuse)
{
    TrackerModel tracker = model();
    TrackerModel::Client client;
    const char* refused[] = {
        R"({"category":"tracker","request":"set","values":{"framerate":60}})",
        R"({"category":"tracker","request":"set","values":{"version":2}})",
        R"({"category":"tracker","request":"get"})",
        R"({"category":"tracker","request":"frobnicate","values":{}})",
        R"({"category":"calibration","request":"pointend"})",
        R"({"category":"calibration","request":"start","values":{"pointcount":0}})",
        R"({"category":"calibration","request":"start","values":{"pointcount":8}})",
        R"({"category":"calibration","request":"start","values":{"pointcount":"9"}})",
        R"({"category":"gossip"})",
        R"({"category":)",
        R"({"category":"tracker","request":"get","values":["trackerstat"]})",
        R"({"category":"tracker","request":"get","values":{"trackerstate":0}})",
        R"({"category":"tracker","request":"set","values":{"pusch":true}})",
        R"({"category":"tracker","request":"set","values":{"version":"1"}})",
        R"({"category":"tracker","request":"set","values":{"push":"true"}})",
        R"({"category":"tracker","request":"set","values":{"screenresw":1.5}})",
        R"({"category":"tracker","request":"set","values":{"screenresw":800,"bogus":1}})",
        R"({"category":"tracker","request":"get","values":["trackerstate"]} junk)",
    };
    for (const char* request : refused) {
        const TrackerModel::Outcome outcome = tracker.handle(request, client);
        EXPECT_TRUE(outcome.reply.find(R"("statuscode":40)") != std::string::npos)
            << request << " -> " << outcome.reply;
        EXPECT_EQ(outcome.changes, TrackerModel::no_change);
    }
}

TEST(TrackerModel, ScreenChangesAreAnnouncedOnce)
{
    TrackerModel tracker = model();
    TrackerModel::Client client;
    const char* set = R"({"category":"tracker","request":"set","values":{"screenindex":1,"screenpsyw":0.6}})";
    EXPECT_EQ(tracker.handle(set, client).changes, TrackerModel::display_changed);
    EXPECT_EQ(tracker.handle(set, client).changes, TrackerModel::no_change);
    EXPECT_EQ(TrackerModel::notification(TrackerModel::display_changed),
              R"({"category":"tracker","statuscode":801})");
    EXPECT_TRUE(tracker.setTrackerState(1));
    EXPECT_FALSE(tracker.setTrackerState(1));
    EXPECT_FALSE(tracker.streaming());
}

TEST(TrackerModel, RunsACalibrationPointByPoint)
{
    TrackerModel tracker = model();
    TrackerModel::Client client;
    EXPECT_EQ(tracker.handle(calibration("start", R"("pointcount":9)"), client).changes,
              TrackerModel::calibration_changed);
    EXPECT_NE(tracker.handle(calibration("start", R"("pointcount":9)"), client).reply.find("403"),
              std::string::npos);
    tracker.handle(calibration("pointstart", R"("x":100,"y":100)"), client);
    EXPECT_NE(tracker.handle(calibration("pointstart", R"("x":1,"y":1)"), client).reply.find("403"),
              std::string::npos)
        << "one point at a time";
    EXPECT_EQ(tracker.handle(calibration("pointend"), client).reply,
              R"({"category":"calibration","request":"pointend","statuscode":200})");
    showPoints(tracker, client, 7);
    tracker.handle(calibration("pointstart", R"("x":900,"y":500)"), client);
    const TrackerModel::Outcome last = tracker.handle(calibration("pointend"), client);

    EXPECT_EQ(last.changes, TrackerModel::calibration_changed);
    EXPECT_NE(last.reply.find(R"("calibresult":{"result":true)"), std::string::npos) << last.reply;
    EXPECT_NE(last.reply.find(R"("cp":{"x":900,"y":500})"), std::string::npos) << last.reply;
    EXPECT_TRUE(tracker.calibrated());

    EXPECT_EQ(tracker.handle(calibration("clear"), client).changes, TrackerModel::calibration_changed);
    EXPECT_FALSE(tracker.calibrated());
}

TEST(TrackerModel, APoorCalibrationFailsAndAnAbortForgetsThePoints)
{
    TrackerModel tracker = model(3.0);
    TrackerModel::Client client;
    tracker.handle(calibration("start", R"("pointcount":9)"), client);
    EXPECT_NE(showPoints(tracker, client, 9).reply.find(R"("result":false)"), std::string::npos);
    EXPECT_FALSE(tracker.calibrated());

    tracker.handle(calibration("start", R"("pointcount":9)"), client);
    tracker.handle(calibration("pointstart", R"("x":10,"y":10)"), client);
    EXPECT_EQ(tracker.handle(calibration("abort"), client).changes, TrackerModel::calibration_changed);
    EXPECT_NE(tracker.handle(calibration("pointend"), client).reply.find("403"), std::string::npos);
}

TEST(TrackerModel, TheSyntheticViewerLooksAtTheScreenTheClientSetUp)
{
    TrackerModel tracker = model(); // its viewer was made for 1920 x 1080
    TrackerModel::Client client;
    tracker.handle(R"({"category":"tracker","request":"set","values":{"screenresw":640,"screenresh":360}})",
                   client);
    for (int i = 0; i < 30; ++i) {
        const std::string frame = tracker.nextFrameMessage(i * 33);
        const auto at = frame.find(R"("raw":{"x":)");
        ASSERT_NE(at, std::string::npos) << frame;
        const double x = std::stod(frame.substr(at + 11));
        const double y = std::stod(frame.substr(frame.find(R"("y":)", at) + 4));
        EXPECT_LE(x, 640.0) << frame;
        EXPECT_LE(y, 360.0) << frame;
    }
}

TEST(TrackerModel, AViewerForTheMovieLooksWhereTheMovieIsOnceToldItsTime)
{
    ServerOptions options;
    options.framerate = 50;
    // Fixed points in place of a viewer: sample k sits at (k, 0), so a frame names its path time.
    std::ostringstream points;
    for (int k = 0; k < 500; ++k)
        points << k << ";0\n";
    std::istringstream in(points.str());
    std::string error;
    TrackerModel tracker(options, GazePath::read(in, error));
    TrackerModel::Client client;
    const auto pathFrame = [&](int serverMs) {
        const std::string frame = tracker.nextFrameMessage(serverMs);
        return std::lround(std::stod(frame.substr(frame.find(R"("raw":{"x":)") + 11)));
    };
    EXPECT_EQ(pathFrame(0), 0);
    EXPECT_EQ(pathFrame(20), 1) << "before a movie time the path runs frame by frame";

    // The movie was at 2000 ms when the server was at 700 ms.
    const auto told =
        tracker.handle(R"({"category":"movie","request":"set","values":{"time":2000}})", client, 700);
    EXPECT_NE(told.reply.find(R"("statuscode":200)"), std::string::npos) << told.reply;
    EXPECT_EQ(pathFrame(700), 100);
    EXPECT_EQ(pathFrame(1000), 115) << "frames follow the clock, not their count";
    EXPECT_EQ(pathFrame(8700), 0) << "the path repeats after its length (10 s at 50 frames a second)";

    // A movie that starts again (time 0 at server time 9000) takes the path back to its start.
    tracker.handle(R"({"category":"movie","request":"set","values":{"time":0}})", client, 9000);
    EXPECT_EQ(pathFrame(9000), 0);
    EXPECT_EQ(pathFrame(8990), 499) << "a time before the movie's start wraps to the path's end";

    for (const char* bad : {R"({"category":"movie","request":"set","values":{"time":"soon"}})",
                            R"({"category":"movie","request":"get","values":{"time":5}})",
                            R"({"category":"movie","request":"set"})",
                            R"({"category":"movie","request":"set","values":{"time":1e300}})"}) {
        const auto refused = tracker.handle(bad, client, 9000);
        EXPECT_NE(refused.reply.find(R"("statuscode":400)"), std::string::npos) << bad;
    }
    EXPECT_EQ(pathFrame(9000), 0) << "a refused request leaves the clock alone";
}
