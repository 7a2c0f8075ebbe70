#include "recorder/gtl/GazeApi.h"
#include "Messages.h"
#include "RecordingListener.h"
#include "TestEnvironment.h"
#include "recorder/gtl/Requests.h"
#include "recorder/gtl/Socket.h"
#include "sim/eyetribe/EyeTribeServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

using namespace gtl;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> withoutHeartbeats(std::vector<std::string> texts)
{
    std::erase(texts, requests::heartbeat());
    return texts;
}

// A client against a stand-in server on a free loopback port.
class GazeApiTest : public ::testing::Test
{
protected:
    GazeApiTest()
    {
        api.add_listener(static_cast<IGazeListener&>(listener));
        api.add_listener(static_cast<ICalibrationResultListener&>(listener));
        api.add_listener(static_cast<ITrackerStateListener&>(listener));
        api.add_listener(static_cast<IConnectionStateListener&>(listener));
        api.set_connect_timeout(2s);
    }

    static sim::ServerOptions quickServer()
    {
        sim::ServerOptions options;
        options.port = 0;
        options.framerate = 30;
        return options;
    }

    void startServer(sim::ServerOptions options)
    {
        server = std::make_unique<sim::EyeTribeServer>(options);
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        port = server->port();
    }

    std::unique_ptr<sim::EyeTribeServer> server;
    unsigned short port = 0;
    RecordingListener listener;
    GazeApi api{false};
};

using Events = std::vector<std::string>;

} // namespace

TEST_F(GazeApiTest, ConnectAnnouncesItselfAndReportsBeforeReturning)
{
    sim::ServerOptions options = quickServer();
    options.trackerState = 1; // not streaming, so no pushed frame mixes in
    startServer(options);

    ASSERT_TRUE(api.connect(true, port));

    EXPECT_EQ(listener.snapshot(), (Events{"connected", "gaze", "screen", "trackerstate 1"}));
    EXPECT_TRUE(api.is_connected());
    EXPECT_EQ(api.current_values(), (TrackerValues{true, 3000, 1, 1, 30, false, false}));
    EXPECT_EQ(listener.screens.at(0), (ScreenSetup{0, 1920, 1080, 0.531f, 0.299f}));
    EXPECT_EQ(withoutHeartbeats(server->requests()),
              (std::vector<std::string>{requests::setVersion(1), requests::setPush(true),
                                        requests::getAllValues()}));
}

TEST_F(GazeApiTest, ConnectingTwiceSendsNothing)
{
    startServer(quickServer());
    ASSERT_TRUE(api.connect(false, port));
    const std::size_t sent = withoutHeartbeats(server->requests()).size();

    EXPECT_FALSE(api.connect(false, port));
    // The screen request is the next thing the server hears.
    const ScreenSetup screen{1, 800, 600, 0.3f, 0.2f};
    api.set_screen(screen);
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return withoutHeartbeats(server->requests()).size() > sent; }));
    EXPECT_EQ(withoutHeartbeats(server->requests()).at(sent), requests::setScreen(screen));
    EXPECT_EQ(listener.count("connected"), 1);
}

TEST_F(GazeApiTest, ConnectWithNoServerFailsQuietly)
{
    startServer(quickServer());
    server.reset(); // the port is now free

    EXPECT_FALSE(api.connect(true, port));
    EXPECT_FALSE(api.is_connected());
    EXPECT_EQ(listener.snapshot(), Events{});
}

TEST_F(GazeApiTest, AServerThatNeverAnswersFailsTheConnectAfterTheTimeout)
{
    sim::ServerOptions options = quickServer();
    options.silent = true;
    startServer(options);
    api.set_connect_timeout(100ms);

    EXPECT_FALSE(api.connect(true, port));
    EXPECT_FALSE(api.is_connected());
    EXPECT_EQ(listener.snapshot(), (Events{"connected", "disconnected"}));
    EXPECT_TRUE(testing_support::waitUntil([&] { return server->clientCount() == 0; }));
}

TEST_F(GazeApiTest, PushedFramesFollowTheConfiguredRate)
{
    sim::ServerOptions options = quickServer();
    options.framerate = 100;
    startServer(options);
    ASSERT_TRUE(api.connect(true, port));
    EXPECT_EQ(api.current_values().framerate, 100);

    ASSERT_TRUE(listener.waitFor([&] { return listener.frames.size() >= 21; }));
    std::vector<int> steps;
    {
        std::lock_guard lock(listener.mutex);
        for (std::size_t i = 2; i < listener.frames.size(); ++i)
            steps.push_back(listener.frames[i].time - listener.frames[i - 1].time);
    }
    // The server stamps each frame; the typical step is one period of 10 ms.
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    EXPECT_GE(steps[steps.size() / 2], 5);
    EXPECT_LE(steps[steps.size() / 2], 30);
}

TEST_F(GazeApiTest, HeartbeatsFollowTheIntervalTheServerAsksFor)
{
    // The server drops a client that stays silent for three intervals, 750 ms,
    // which the client's own first interval of 1000 ms would exceed.
    sim::ServerOptions options = quickServer();
    options.heartbeatIntervalMs = 250;
    startServer(options);
    ASSERT_TRUE(api.connect(false, port));
    EXPECT_EQ(api.current_values().heartbeatinterval, 250);

    ASSERT_TRUE(testing_support::waitUntil([&] { return server->heartbeatCount() >= 4; }));
    EXPECT_TRUE(api.is_connected());
    EXPECT_EQ(server->clientCount(), 1);
    EXPECT_EQ(listener.count("disconnected"), 0);
}

TEST_F(GazeApiTest, DisconnectIsSilentWhileAServerSideCloseIsReported)
{
    startServer(quickServer());
    ASSERT_TRUE(api.connect(true, port));
    api.disconnect();
    EXPECT_FALSE(api.is_connected());
    ASSERT_TRUE(testing_support::waitUntil([&] { return server->clientCount() == 0; }));
    EXPECT_EQ(listener.count("disconnected"), 0);

    ASSERT_TRUE(api.connect(true, port));
    server->dropClients();
    ASSERT_TRUE(listener.waitForEvent("disconnected"));
    EXPECT_FALSE(api.is_connected());
}

TEST_F(GazeApiTest, ReconnectsAfterTheServerRestarts)
{
    startServer(quickServer());
    ASSERT_TRUE(api.connect(true, port));
    const unsigned short firstPort = port;
    server.reset();
    ASSERT_TRUE(listener.waitForEvent("disconnected"));

    sim::ServerOptions options = quickServer();
    options.port = firstPort;
    startServer(options);
    EXPECT_TRUE(api.connect(true, port));
    EXPECT_EQ(listener.count("connected"), 2);
}

TEST_F(GazeApiTest, ChangesOnTheServerAreFetchedAndReported)
{
    startServer(quickServer());
    ASSERT_TRUE(api.connect(false, port));

    server->setTrackerState(2);
    EXPECT_TRUE(listener.waitForEvent("trackerstate 2"));
    EXPECT_EQ(api.current_values().trackerstate, 2);

    const ScreenSetup screen{1, 800, 600, 0.3f, 0.2f};
    api.set_screen(screen);
    ASSERT_TRUE(listener.waitForEvent("screen", 2));
    std::lock_guard lock(listener.mutex);
    EXPECT_EQ(listener.screens.back(), screen);
}

TEST_F(GazeApiTest, ACalibrationRunThroughTheProtocolEndsInCalibrationChanged)
{
    startServer(quickServer());
    ASSERT_TRUE(api.connect(false, port));

    // The calibration program is another client of the same server.
    Socket calibrator(false);
    ASSERT_TRUE(calibrator.connect("127.0.0.1", std::to_string(port)));
    calibrator.send(R"({"category":"calibration","request":"start","values":{"pointcount":9}})");
    for (int point = 0; point < 9; ++point) {
        calibrator.send(R"({"category":"calibration","request":"pointstart","values":{"x":)" +
                        std::to_string(100 + 100 * point) + R"(,"y":200}})");
        calibrator.send(R"({"category":"calibration","request":"pointend"})");
    }

    ASSERT_TRUE(listener.waitForEvent("calibration true"));
    CalibrationResult result;
    api.calibration_result(result);
    EXPECT_TRUE(result.result);
    ASSERT_EQ(result.calibpoints.size(), 9u);
    EXPECT_EQ(result.calibpoints[2].cp, (Point2f{300, 200}));
    EXPECT_GT(result.deg, 0);
    EXPECT_TRUE(testing_support::waitUntil([&] { return api.current_values().iscalibrated; }));
}

TEST_F(GazeApiTest, OddAndSplitMessagesDoNotDerailTheStream)
{
    startServer(quickServer());
    // Without push mode, so no frame lands between the parts.
    ASSERT_TRUE(api.connect(false, port));

    server->sendRaw(R"({"category":"tracker","statuscode":200,"request":"get","values":{"note":"} {"}})");
    server->sendRaw("}\n");
    server->sendSplit(messages::get(R"("trackerstate":3)"), 7);
    EXPECT_TRUE(listener.waitForEvent("trackerstate 3"));
    EXPECT_TRUE(api.is_connected());
}

TEST_F(GazeApiTest, AnEndlessMessageCostsTheConnection)
{
    startServer(quickServer());
    ASSERT_TRUE(api.connect(true, port));

    server->sendRaw(R"({"note":")" + std::string(1100 * 1024, 'x'));
    EXPECT_TRUE(listener.waitForEvent("disconnected"));
    EXPECT_FALSE(api.is_connected());
}
