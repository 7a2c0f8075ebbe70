#include "Messages.h"
#include "RecordingListener.h"
#include "recorder/gtl/GazeApi.h"
#include "recorder/gtl/GazeApiEngine.h"
#include "sim/eyetribe/EyeTribeServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace gtl;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Events = std::vector<std::string>;

namespace {

std::unique_ptr<sim::EyeTribeServer> startServer(sim::ServerOptions options)
{
    options.port = 0;
    auto server = std::make_unique<sim::EyeTribeServer>(options);
    std::string error;
    EXPECT_TRUE(server->start(error)) << error;
    return server;
}

sim::ServerOptions quiet()
{
    sim::ServerOptions options;
    options.trackerState = 1; // no frames unless a test asks for them
    return options;
}

// A client of every kind of listener, against servers that try it.
class ConnectionTest : public ::testing::Test
{
protected:
    ConnectionTest()
    {
        api.add_listener(static_cast<IGazeListener&>(listener));
        api.add_listener(static_cast<ICalibrationResultListener&>(listener));
        api.add_listener(static_cast<ITrackerStateListener&>(listener));
        api.add_listener(static_cast<IConnectionStateListener&>(listener));
        api.set_connect_timeout(3s);
    }

    RecordingListener listener;
    GazeApi api{false};
};

} // namespace

TEST_F(ConnectionTest, APushedFrameIsNoAnswerToTheRequestForValues)
{
    sim::ServerOptions options;
    options.pushBeforeAnswer = true;
    options.framerate = 30;
    const auto server = startServer(options);

    ASSERT_TRUE(api.connect(true, server->port()));

    EXPECT_EQ(api.last_connect_outcome(), ConnectOutcome::connected);
    EXPECT_EQ(api.current_values(), (TrackerValues{true, 3000, 1, 0, 30, false, false}));
    std::lock_guard lock(listener.mutex);
    ASSERT_FALSE(listener.screens.empty());
    EXPECT_EQ(listener.screens.back(), (ScreenSetup{0, 1920, 1080, 0.531f, 0.299f}));
}

TEST_F(ConnectionTest, ANoticeAheadOfTheAnswerIsWaitedPast)
{
    sim::ServerOptions options = quiet();
    options.noticeBeforeAnswer = true;
    const auto server = startServer(options);

    ASSERT_TRUE(api.connect(true, server->port()));

    EXPECT_EQ(api.last_connect_outcome(), ConnectOutcome::connected);
    EXPECT_EQ(api.current_values().trackerstate, 1);
    EXPECT_EQ(api.current_values().heartbeatinterval, 3000);
}

TEST_F(ConnectionTest, EveryWayOfNotConnectingEndsWithinTheDeadline)
{
    struct Case
    {
        const char* name;
        sim::ServerOptions options;
        ConnectOutcome outcome;
    };
    sim::ServerOptions neverAccepts = quiet(), silent = quiet(), refuses = quiet();
    neverAccepts.neverAccept = true;
    silent.silent = true;
    refuses.refuseGet = true;
    const Case cases[] = {
        {"never accepts", neverAccepts, ConnectOutcome::no_answer},
        {"never answers", silent, ConnectOutcome::no_answer},
    };

    api.set_connect_timeout(300ms);
    for (const Case& c : cases) {
        const auto server = startServer(c.options);
        EXPECT_FALSE(api.connect(true, server->port())) << c.name;
        EXPECT_EQ(api.last_connect_outcome(), c.outcome) << c.name;
        EXPECT_FALSE(api.is_connected()) << c.name;
        const Events events = listener.snapshot();
        EXPECT_TRUE(events.empty() || events.back() == "disconnected") << c.name;
    }

    // A rejected request for values still leaves a connection, with nothing stored.
    const auto server = startServer(refuses);
    EXPECT_TRUE(api.connect(true, server->port()));
    EXPECT_EQ(api.last_connect_outcome(), ConnectOutcome::rejected);
    EXPECT_EQ(api.current_values(), TrackerValues{});
    api.disconnect();

    unsigned short freed = 0;
    {
        const auto gone = startServer(quiet());
        freed = gone->port();
    }
    EXPECT_FALSE(api.connect(true, freed));
    EXPECT_EQ(api.last_connect_outcome(), ConnectOutcome::no_server);
}

TEST_F(ConnectionTest, AServerThatAcceptsAndClosesLeavesListenersOnDisconnected)
{
    sim::ServerOptions options = quiet();
    options.closeOnAccept = true;
    const auto server = startServer(options);

    // A long deadline: the lost connection, not the deadline, must end the wait.
    api.set_connect_timeout(60s);
    const auto start = Clock::now();
    EXPECT_FALSE(api.connect(true, server->port()));
    EXPECT_LT(Clock::now() - start, 30s);

    api.set_connect_timeout(1s);
    for (int attempt = 0; attempt < 200; ++attempt) {
        EXPECT_FALSE(api.connect(true, server->port())) << attempt;
        EXPECT_FALSE(api.is_connected()) << attempt;
        const Events events = listener.snapshot();
        ASSERT_TRUE(events.empty() || events.back() == "disconnected") << attempt;
    }
    const Events events = listener.snapshot();
    EXPECT_EQ(std::count(events.begin(), events.end(), "connected"),
              std::count(events.begin(), events.end(), "disconnected"));
}

TEST_F(ConnectionTest, OddCalibrationResultsCostOnlyThemselves)
{
    for (const char* odd : {"{}", "null", "[1,2]", R"({"result":true})"}) {
        sim::ServerOptions options = quiet();
        options.calibresultText = odd;
        options.trackerState = 2;
        const auto server = startServer(options);

        ASSERT_TRUE(api.connect(true, server->port())) << odd;
        EXPECT_EQ(api.last_connect_outcome(), ConnectOutcome::connected) << odd;
        EXPECT_EQ(api.current_values(), (TrackerValues{true, 3000, 1, 2, 30, false, false})) << odd;
        CalibrationResult calibration;
        api.calibration_result(calibration);
        EXPECT_EQ(calibration, CalibrationResult{}) << odd;
        api.disconnect();
    }
}

TEST_F(ConnectionTest, AnIntervalThatIsNotPositiveIsIgnored)
{
    for (const int interval : {-5, 0}) {
        sim::ServerOptions options = quiet();
        options.announcedHeartbeatIntervalMs = interval;
        const auto server = startServer(options);
        GazeApi::Engine engine(false);
        ASSERT_TRUE(engine.connect(true, server->port()));

        EXPECT_EQ(engine.heartbeat_interval(), 1000) << interval;
        // A flood would be thousands by now; one beat a second means one or two.
        std::this_thread::sleep_for(200ms);
        EXPECT_LE(server->heartbeatCount(), 2) << interval;
        engine.disconnect();
    }
}

TEST_F(ConnectionTest, ADeeplyNestedMessageIsDroppedAndTheConnectionGoesOn)
{
    const auto server = startServer(quiet());
    ASSERT_TRUE(api.connect(true, server->port()));

    // About a megabyte, half a million levels deep, just inside the size limit.
    const std::string deep =
        std::string(R"({"category":"tracker","statuscode":200,"request":"get","values":{"x":)") +
        std::string(500000, '[') + std::string(500000, ']') + "}}";
    ASSERT_LT(deep.size(), MessageFramer::defaultMaxMessageBytes);
    server->sendRaw(deep);
    server->sendRaw(messages::get(R"("trackerstate":3)"));

    EXPECT_TRUE(listener.waitForEvent("trackerstate 3"));
    EXPECT_TRUE(api.is_connected());
}

TEST_F(ConnectionTest, ReconnectingStartsFromZeroSoEveryValueIsReportedAgain)
{
    const auto server = startServer(quiet());
    ASSERT_TRUE(api.connect(true, server->port()));
    api.disconnect();
    ASSERT_TRUE(api.connect(true, server->port()));

    // The same server twice: had the stored values survived, nothing would look new.
    EXPECT_EQ(listener.count("trackerstate 1"), 2);
    EXPECT_EQ(listener.count("screen"), 2);
}

TEST_F(ConnectionTest, NoListenerCallAfterDisconnectReturns)
{
    // A listener that ends the connection at the first frame of two sent in one piece.
    struct Disconnecting : IGazeListener
    {
        explicit Disconnecting(GazeApi& api) : api(api) {}
        void on_gaze_data(const GazeFrame&) override
        {
            if (!armed)
                return;
            ++calls;
            api.disconnect();
        }
        GazeApi& api;
        std::atomic<bool> armed{false};
        std::atomic<int> calls{0};
    } disconnecting(api);
    api.add_listener(disconnecting);
    const auto server = startServer(quiet());
    ASSERT_TRUE(api.connect(false, server->port()));
    disconnecting.armed = true;
    listener.events.clear();

    const std::string frame = messages::get(R"("frame":)" + messages::frame(1));
    server->sendRaw(frame + frame);

    ASSERT_TRUE(listener.waitForEvent("gaze"));
    // The second frame was already read; it must not be handed out.
    api.disconnect();
    EXPECT_EQ(disconnecting.calls, 1);
    EXPECT_EQ(listener.count("gaze"), 1);
}

TEST_F(ConnectionTest, AThrowingConnectionListenerDoesNotEndTheProcess)
{
    struct Throwing : IConnectionStateListener
    {
        void on_connection_state_changed(bool) override { throw std::runtime_error("listener failed"); }
    } throwing;
    api.add_listener(throwing);
    const auto server = startServer(quiet());

    ASSERT_TRUE(api.connect(true, server->port()));
    server->dropClients();
    EXPECT_TRUE(listener.waitForEvent("disconnected"));
    EXPECT_FALSE(api.is_connected());
    // The throwing listener goes before the client: nothing may call it after this.
    api.disconnect();
}
