#include "Messages.h"
#include "RecordingListener.h"
#include "recorder/gtl/GazeApiEngine.h"

#include <gtest/gtest.h>

using namespace gtl;

namespace {

// An engine fed with message texts directly, as its I/O thread would.
class EngineTest : public ::testing::Test
{
protected:
    EngineTest()
    {
        engine.add_listener(static_cast<IGazeListener&>(listener));
        engine.add_listener(static_cast<ICalibrationResultListener&>(listener));
        engine.add_listener(static_cast<ITrackerStateListener&>(listener));
        engine.add_listener(static_cast<IConnectionStateListener&>(listener));
        engine.add_listener(static_cast<ICalibrationProcessHandler&>(listener));
    }

    GazeApi::Engine engine{false};
    RecordingListener listener;
};

using Events = std::vector<std::string>;

} // namespace

TEST_F(EngineTest, AFullGetReplyStoresEverythingAndCallsListenersInOrder)
{
    engine.on_message(messages::allValues(1));

    EXPECT_EQ(listener.snapshot(), (Events{"gaze", "calibration true", "screen", "trackerstate 1"}));
    EXPECT_EQ(engine.current_values(), (TrackerValues{true, 3000, 1, 1, 60, true, false}));
    CalibrationResult stored;
    engine.calibration_result(stored);
    EXPECT_EQ(stored.calibpoints.size(), 2u);
    EXPECT_EQ(listener.screens.at(0), (ScreenSetup{1, 1920, 1080, 0.531f, 0.299f}));
    EXPECT_EQ(engine.reply_flags(),
              reply_tracker_values | reply_gaze_frame | reply_screen_changed | reply_calibration_result);
    EXPECT_EQ(engine.heartbeat_interval(), 3000);
}

TEST_F(EngineTest, OnlyChangesOfScreenAndTrackerStateAreReported)
{
    engine.on_message(messages::allValues(1));
    listener.events.clear();

    // The same tracker state and screen: neither listener call.
    engine.on_message(messages::get(messages::trackerValues(1) + "," + messages::screenValues()));
    EXPECT_EQ(listener.snapshot(), Events{});
    // Only the physical width changes.
    engine.on_message(messages::get(messages::screenValues("0.6")));
    EXPECT_EQ(listener.snapshot(), Events{"screen"});
    EXPECT_EQ(listener.screens.back(), (ScreenSetup{1, 1920, 1080, 0.6f, 0.299f}));
    // A reply without "screenpsyw" keeps the stored width.
    engine.on_message(messages::get(R"("screenresw":1280)"));
    EXPECT_EQ(listener.screens.back(), (ScreenSetup{1, 1280, 1080, 0.6f, 0.299f}));
    // The tracker state alone.
    engine.on_message(messages::get(R"("trackerstate":0)"));
    EXPECT_EQ(listener.snapshot(), (Events{"screen", "screen", "trackerstate 0"}));
    EXPECT_EQ(engine.current_values().trackerstate, 0);
    EXPECT_EQ(engine.current_values().framerate, 60);
}

TEST_F(EngineTest, RepliesWithoutEffectChangeNothing)
{
    engine.on_message(messages::allValues(1));
    listener.events.clear();
    const TrackerValues before = engine.current_values();
    const std::uint8_t flags = engine.reply_flags();

    engine.on_message(R"({"category":"heartbeat","statuscode":200})");
    engine.on_message("garbage");
    engine.on_message(
        messages::get(R"("trackerstate":5,"deep":)" + std::string(100, '[') + std::string(100, ']')));
    engine.on_message(R"({"category":"tracker","statuscode":200,"request":"set"})");

    EXPECT_EQ(listener.snapshot(), Events{});
    EXPECT_EQ(engine.current_values(), before);
    EXPECT_EQ(engine.reply_flags(), flags);
    EXPECT_EQ(engine.heartbeat_interval(), 3000);
}

TEST_F(EngineTest, AnOddMemberCostsOnlyItselfAndABadIntervalIsIgnored)
{
    engine.on_message(messages::allValues(1));
    listener.events.clear();

    // A frame without "righteye": the frame is left out, the rest of the reply counts.
    engine.on_message(
        messages::get(messages::trackerValues(4, 250) + R"(,"frame":)" + messages::frame(7, false)));
    EXPECT_EQ(listener.snapshot(), Events{"trackerstate 4"});
    EXPECT_EQ(engine.heartbeat_interval(), 250);

    for (const int interval : {-5, 0, -2147483647 - 1}) {
        engine.on_message(messages::get(R"("heartbeatinterval":)" + std::to_string(interval)));
        EXPECT_EQ(engine.heartbeat_interval(), 250) << interval;
        EXPECT_EQ(engine.current_values().heartbeatinterval, interval);
    }
}

TEST_F(EngineTest, AnErrorReplySetsOnlyTheErrorBitUntilTheNextReply)
{
    engine.on_message(messages::get(R"("trackerstate":2)"));
    ASSERT_EQ(engine.reply_flags(), reply_tracker_values);
    listener.events.clear();

    engine.on_message(
        R"({"category":"tracker","statuscode":403,"request":"get","values":{"trackerstate":5}})");
    EXPECT_EQ(engine.reply_flags(), reply_error | reply_tracker_values);
    EXPECT_EQ(engine.current_values().trackerstate, 2);
    EXPECT_EQ(listener.snapshot(), Events{});

    engine.on_message(messages::get(R"("heartbeatinterval":0)"));
    EXPECT_EQ(engine.reply_flags(), reply_tracker_values);
    EXPECT_EQ(engine.heartbeat_interval(), 1000) << "an interval of 0 is no interval";
    engine.on_message(messages::get(R"("heartbeatinterval":250)"));
    EXPECT_EQ(engine.heartbeat_interval(), 250);
}

TEST_F(EngineTest, CalibrationRepliesDriveTheProcessHandlers)
{
    engine.on_message(messages::calibration("start"));
    EXPECT_EQ(engine.reply_flags(), reply_calibration_started);
    engine.on_message(messages::calibration("pointstart"));
    // A point end whose result lacks its points is counted but not passed on.
    engine.on_message(
        messages::calibration("pointend", R"("calibresult":)" + messages::calibresult(true, false)));
    // A failed result reaches the process handlers only.
    engine.on_message(messages::calibration("pointend", R"("calibresult":)" + messages::calibresult(false)));
    CalibrationResult stored;
    engine.calibration_result(stored);
    EXPECT_EQ(stored, CalibrationResult{});
    // A good one is stored and reported.
    engine.on_message(messages::calibration("pointend", R"("calibresult":)" + messages::calibresult(true)));

    EXPECT_EQ(listener.snapshot(), (Events{"started", "progress", "progress", "processed false", "progress",
                                           "calibration true", "processed true"}));
    EXPECT_EQ(listener.progress, (std::vector<double>{0, 0, 0}))
        << "nothing sets the number of points expected";
    engine.calibration_result(stored);
    EXPECT_TRUE(stored.result);
    EXPECT_EQ(stored.calibpoints.size(), 2u);
    EXPECT_EQ(listener.processed.back(), stored);

    engine.on_message(messages::calibration("clear"));
    engine.calibration_result(stored);
    EXPECT_EQ(stored, CalibrationResult{});
}

TEST_F(EngineTest, AThrowingListenerCostsOnlyThatMessage)
{
    struct Throwing : IGazeListener
    {
        void on_gaze_data(const GazeFrame&) override { throw std::runtime_error("listener failed"); }
    } throwing;
    engine.add_listener(throwing);

    EXPECT_NO_THROW(engine.on_message(messages::get(R"("frame":)" + messages::frame(1))));
    engine.on_message(messages::get(R"("trackerstate":3)"));
    EXPECT_EQ(engine.current_values().trackerstate, 3);
}

TEST(Observable, AddsOnceAndRemovesByMovingTheLast)
{
    struct Counting : IGazeListener
    {
        void on_gaze_data(const GazeFrame&) override { ++calls; }
        int calls = 0;
    } a, b, c;
    GazeApi::Engine engine(false);
    engine.add_listener(a);
    engine.add_listener(a);
    engine.add_listener(b);
    engine.add_listener(c);
    EXPECT_EQ(engine.Observable<IGazeListener>::listener_count(), 3u);
    engine.Observable<IGazeListener>::remove_listener(a);
    engine.on_message(messages::get(R"("frame":)" + messages::frame(1)));
    EXPECT_EQ(a.calls, 0);
    EXPECT_EQ(b.calls, 1);
    EXPECT_EQ(c.calls, 1);
}
