#include "recorder/pupil/PupilClient.h"
#include "sim/pupil/PupilCaptureStandIn.h"

#include <gtest/gtest.h>
#include <zmq.hpp>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

// What the client reported, for the test thread to wait on.
class Reports
{
public:
    pupil::ClientCallbacks callbacks()
    {
        pupil::ClientCallbacks c;
        c.linkState = [this](pupil::LinkState state, const std::string& detail) {
            record([&] {
                states.push_back(state);
                details.push_back(detail);
            });
        };
        c.surface = [this](const pupil::SurfaceMessage& message, double) {
            record([&] { gaze.insert(gaze.end(), message.gaze.begin(), message.gaze.end()); });
        };
        c.pupil = [this](const pupil::PupilDatum& datum, bool threeD) {
            record([&] {
                pupilData.push_back(datum);
                sawThreeD = sawThreeD || threeD;
            });
        };
        c.notification = [this](const std::string& subject) { record([&] { subjects.push_back(subject); }); };
        return c;
    }

    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, done);
    }

    bool sawState(pupil::LinkState state) const
    {
        return std::find(states.begin(), states.end(), state) != states.end();
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<pupil::LinkState> states;
    std::vector<std::string> details;
    std::vector<pupil::SurfaceGaze> gaze;
    std::vector<pupil::PupilDatum> pupilData;
    std::vector<std::string> subjects;
    bool sawThreeD = false;

private:
    void record(const std::function<void()>& change)
    {
        {
            const std::lock_guard lock(mutex);
            change();
        }
        changed.notify_all();
    }
};

pupil::ClientOptions optionsFor(unsigned short port)
{
    pupil::ClientOptions options;
    options.address = *pupil::RemoteAddress::parse("127.0.0.1:" + std::to_string(port));
    options.requestDeadline = 500ms;
    options.checkInterval = 100ms;
    options.reconnectInterval = 50ms;
    return options;
}

sim::PupilOptions standInOptions()
{
    sim::PupilOptions options;
    options.remotePort = 0;
    options.rate = 120;
    return options;
}

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

TEST(PupilClient, ConnectsReceivesTheSurfaceGazeAndRelatesPupilTimeToOurs)
{
    sim::PupilCaptureStandIn standIn(standInOptions());
    std::string error;
    ASSERT_TRUE(standIn.start(error)) << error;
    Reports reports;
    pupil::PupilClient client(optionsFor(standIn.remotePort()), reports.callbacks());
    client.start();

    ASSERT_TRUE(reports.waitFor([&] { return reports.gaze.size() >= 60 && reports.pupilData.size() >= 10; }));
    EXPECT_TRUE(client.isConnected());
    EXPECT_EQ(client.version(), "3.5.1");
    EXPECT_EQ(client.publisherPort(), standIn.publisherPort());
    const std::lock_guard lock(reports.mutex);
    EXPECT_TRUE(reports.sawThreeD);
    // The stand-in's clock started at 5000 s: through the offset its data lands near our now.
    EXPECT_LT(std::fabs(client.toOurTimeMs(reports.gaze.back().timestamp) - nowMs()), 1000.0);
    // What arrived is what was published, in order.
    const auto published = standIn.published();
    ASSERT_GE(published.size(), reports.gaze.size());
    const auto first = std::find_if(published.begin(), published.end(), [&](const auto& p) {
        return p.timestamp == reports.gaze.front().timestamp;
    });
    ASSERT_NE(first, published.end());
    for (std::size_t i = 0; i < reports.gaze.size() && first + i != published.end(); ++i) {
        EXPECT_DOUBLE_EQ(reports.gaze[i].x, first[i].x);
        EXPECT_DOUBLE_EQ(reports.gaze[i].y, first[i].y);
    }
}

TEST(PupilClient, SaysWhyPupilCaptureCannotBeReached)
{
    // Nobody answers: a port the stand-in had and gave up.
    unsigned short port = 0;
    {
        sim::PupilCaptureStandIn gone(standInOptions());
        std::string error;
        ASSERT_TRUE(gone.start(error)) << error;
        port = gone.remotePort();
    }
    Reports silent;
    pupil::PupilClient client(optionsFor(port), silent.callbacks());
    client.start();
    ASSERT_TRUE(silent.waitFor([&] { return silent.sawState(pupil::LinkState::Unreachable); }));
    {
        const std::lock_guard lock(silent.mutex);
        EXPECT_NE(silent.details.back().find("no answer from Pupil Remote"), std::string::npos);
    }
    // Something that is not Pupil Remote: every request is answered with nonsense.
    zmq::context_t context;
    zmq::socket_t impostor(context, zmq::socket_type::rep);
    impostor.bind("tcp://127.0.0.1:*");
    const std::string endpoint = impostor.get(zmq::sockopt::last_endpoint);
    std::atomic<bool> done = false;
    std::thread answering([&] {
        while (!done) {
            zmq::pollitem_t item{static_cast<void*>(impostor), 0, ZMQ_POLLIN, 0};
            zmq::poll(&item, 1, 20ms);
            zmq::message_t request;
            if (impostor.recv(request, zmq::recv_flags::dontwait))
                impostor.send(zmq::str_buffer("nonsense"), zmq::send_flags::dontwait);
        }
    });
    Reports confused;
    pupil::PupilClient other(
        optionsFor(static_cast<unsigned short>(std::stoi(endpoint.substr(endpoint.rfind(':') + 1)))),
        confused.callbacks());
    other.start();
    EXPECT_TRUE(confused.waitFor([&] { return confused.sawState(pupil::LinkState::BadAnswer); }));
    other.stop();
    done = true;
    answering.join();
}

TEST(PupilClient, ALostPupilCaptureIsFoundAgainWhenItComesBack)
{
    auto standIn = std::make_unique<sim::PupilCaptureStandIn>(standInOptions());
    std::string error;
    ASSERT_TRUE(standIn->start(error)) << error;
    const unsigned short port = standIn->remotePort();
    Reports reports;
    pupil::PupilClient client(optionsFor(port), reports.callbacks());
    client.start();
    ASSERT_TRUE(reports.waitFor([&] { return reports.sawState(pupil::LinkState::Connected); }));

    standIn.reset();
    ASSERT_TRUE(reports.waitFor([&] { return reports.sawState(pupil::LinkState::Lost); }));
    EXPECT_FALSE(client.isConnected());

    sim::PupilOptions again = standInOptions();
    again.remotePort = port;
    sim::PupilCaptureStandIn back(again);
    ASSERT_TRUE(back.start(error)) << error;
    EXPECT_TRUE(reports.waitFor([&] { return reports.states.back() == pupil::LinkState::Connected; }));
    const std::size_t before = reports.gaze.size();
    EXPECT_TRUE(reports.waitFor([&] { return reports.gaze.size() > before + 20; }));
}

TEST(PupilClient, CalibrationRequestReachesPupilCaptureAndItsOutcomeComesBack)
{
    for (const bool succeeds : {true, false}) {
        sim::PupilOptions options = standInOptions();
        options.calibrationSucceeds = succeeds;
        options.calibrationMs = 50;
        sim::PupilCaptureStandIn standIn(options);
        std::string error;
        ASSERT_TRUE(standIn.start(error)) << error;
        Reports reports;
        pupil::PupilClient client(optionsFor(standIn.remotePort()), reports.callbacks());
        EXPECT_FALSE(client.notify("calibration.should_start")) << "not connected yet";
        client.start();
        ASSERT_TRUE(reports.waitFor([&] { return !reports.gaze.empty(); }));
        ASSERT_TRUE(client.notify("calibration.should_start"));
        const std::string outcome = succeeds ? "calibration.successful" : "calibration.failed";
        EXPECT_TRUE(reports.waitFor([&] {
            return std::find(reports.subjects.begin(), reports.subjects.end(), outcome) !=
                   reports.subjects.end();
        }));
        EXPECT_EQ(standIn.calibrationsStarted(), 1);
    }
}

TEST(PupilClient, MalformedOversizedAndBackwardsDataAreDroppedAndTheLinkStays)
{
    sim::PupilOptions options = standInOptions();
    options.malformedEvery = 2;
    options.oversizedEvery = 7;
    options.oversizedBytes = 3 << 20; // over the client's bound of 1 MiB
    sim::PupilCaptureStandIn standIn(options);
    std::string error;
    ASSERT_TRUE(standIn.start(error)) << error;
    Reports reports;
    pupil::ClientOptions clientOptions = optionsFor(standIn.remotePort());
    clientOptions.resubscribeAfter = 200ms;
    // Sending the big frames keeps the stand-in busy: the link must not pass for lost meanwhile.
    clientOptions.requestDeadline = 3s;
    pupil::PupilClient client(clientOptions, reports.callbacks());
    client.start();
    // Past two frames over the bound, each of which costs the subscription.
    ASSERT_TRUE(reports.waitFor([&] { return reports.gaze.size() >= 100; }));
    EXPECT_TRUE(client.isConnected());
    const std::lock_guard lock(reports.mutex);
    EXPECT_FALSE(reports.sawState(pupil::LinkState::Lost));
    for (const pupil::SurfaceGaze& gaze : reports.gaze)
        EXPECT_TRUE(std::isfinite(gaze.x) && std::isfinite(gaze.y));
}

TEST(PupilClient, AFloodingPublisherNeitherStallsTheClientNorGrowsItsQueue)
{
    // Pupil Remote answers as it should; the publisher it names sends as fast as it can.
    zmq::context_t context;
    zmq::socket_t remote(context, zmq::socket_type::rep);
    remote.set(zmq::sockopt::linger, 0);
    remote.bind("tcp://127.0.0.1:*");
    // A publisher drops what its subscriber has no room for, as Pupil Capture's does: an
    // unbounded queue here would only grow this test's own memory, and its teardown with it.
    zmq::socket_t flood(context, zmq::socket_type::pub);
    flood.set(zmq::sockopt::sndhwm, 10000);
    flood.set(zmq::sockopt::linger, 0);
    flood.bind("tcp://127.0.0.1:*");
    const auto portOf = [](zmq::socket_t& socket) {
        const std::string endpoint = socket.get(zmq::sockopt::last_endpoint);
        return static_cast<unsigned short>(std::stoi(endpoint.substr(endpoint.rfind(':') + 1)));
    };
    const unsigned short publisherPort = portOf(flood);
    std::atomic<bool> done = false;
    std::atomic<long> sent = 0;
    std::thread server([&] {
        while (!done) {
            zmq::message_t request;
            if (remote.recv(request, zmq::recv_flags::dontwait)) {
                const std::string text(static_cast<const char*>(request.data()), request.size());
                const std::string reply = text == "SUB_PORT" ? std::to_string(publisherPort)
                                          : text == "t"      ? "1.0"
                                                             : "1.0.0";
                remote.send(zmq::buffer(reply), zmq::send_flags::dontwait);
            }
            for (int i = 0; i < 1000; ++i) {
                flood.send(zmq::str_buffer("surfaces.screen"), zmq::send_flags::sndmore);
                flood.send(zmq::str_buffer("\xc1"), zmq::send_flags::none); // never valid msgpack
                ++sent;
            }
        }
    });
    Reports reports;
    pupil::ClientOptions options = optionsFor(portOf(remote));
    options.receiveQueueMessages = 100;
    options.requestDeadline = 3s;
    pupil::PupilClient client(options, reports.callbacks());
    client.start();
    ASSERT_TRUE(reports.waitFor([&] { return reports.sawState(pupil::LinkState::Connected); }));
    // However fast the flood, the clock checks still get through: the link stays up.
    const long target = sent + 200000;
    const auto giveUp = std::chrono::steady_clock::now() + 60s;
    while (sent < target && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(client.isConnected());
    client.stop();
    done = true;
    server.join();
    const std::lock_guard lock(reports.mutex);
    EXPECT_TRUE(reports.gaze.empty());
}

} // namespace
