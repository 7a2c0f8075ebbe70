#include "sim/pupil/PupilCaptureStandIn.h"

#include <gtest/gtest.h>
#include <zmq.hpp>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(PupilOptions, CommandLineIsCheckedStrictly)
{
    const auto good = sim::parsePupilOptions({"--port", "0", "--rate=200", "--calibration=failure", "--2d",
                                              "--malformed-every", "3", "--surface=wall"});
    ASSERT_TRUE(good.error.empty()) << good.error;
    EXPECT_EQ(good.options.remotePort, 0);
    EXPECT_EQ(good.options.rate, 200);
    EXPECT_FALSE(good.options.calibrationSucceeds);
    EXPECT_FALSE(good.options.threeD);
    EXPECT_EQ(good.options.malformedEvery, 3);
    EXPECT_EQ(good.options.surface, "wall");
    for (const char* bad : {"--rate=29", "--rate=201", "--port=65536", "--calibration=maybe",
                            "--surface=", "--unknown", "--stop-after=0"})
        EXPECT_FALSE(sim::parsePupilOptions({bad}).error.empty()) << bad;
    EXPECT_TRUE(sim::parsePupilOptions({"-h"}).help);
}

// Asks the stand-in's Pupil Remote; one reply per request, as a REP socket must give.
class Remote
{
public:
    explicit Remote(unsigned short port) : socket_(context_, zmq::socket_type::req)
    {
        socket_.set(zmq::sockopt::linger, 0);
        socket_.set(zmq::sockopt::rcvtimeo, 2000);
        socket_.connect("tcp://127.0.0.1:" + std::to_string(port));
    }

    std::string ask(const std::vector<std::string>& frames)
    {
        for (std::size_t i = 0; i < frames.size(); ++i)
            socket_.send(zmq::buffer(frames[i]),
                         i + 1 < frames.size() ? zmq::send_flags::sndmore : zmq::send_flags::none);
        zmq::message_t reply;
        if (!socket_.recv(reply))
            return "<no answer>";
        return reply.to_string();
    }

private:
    zmq::context_t context_;
    zmq::socket_t socket_;
};

TEST(PupilStandIn, RemoteAnswersItsRequestsAndRefusesMalformedNotifications)
{
    sim::PupilOptions options;
    options.remotePort = 0;
    options.version = "9.9";
    sim::PupilCaptureStandIn standIn(options);
    std::string error;
    ASSERT_TRUE(standIn.start(error)) << error;
    Remote remote(standIn.remotePort());
    EXPECT_EQ(remote.ask({"v"}), "9.9");
    EXPECT_EQ(remote.ask({"SUB_PORT"}), std::to_string(standIn.publisherPort()));
    EXPECT_NE(remote.ask({"PUB_PORT"}), std::to_string(standIn.publisherPort()));
    const double time = std::stod(remote.ask({"t"}));
    EXPECT_GE(time, options.timeBaseS);
    EXPECT_EQ(remote.ask({"nonsense"}), "Unknown command.");
    // The subject inside must be the one the topic names, in a msgpack map.
    EXPECT_EQ(remote.ask({"notify.calibration.should_start"}), "Notification malformed.");
    EXPECT_EQ(remote.ask({"notify.calibration.should_start", "\x81\xa7subject"}), "Notification malformed.");
    EXPECT_EQ(remote.ask({"notify.calibration.should_start", std::string("\x81\xa7subject\xa1x", 10)}),
              "Notification malformed.");
    EXPECT_EQ(standIn.calibrationsStarted(), 0);
    // The movie's time, which only the stand-in heeds: {"subject": ..., "time": 1500}, then no time.
    EXPECT_EQ(remote.ask({"notify.demo.movie_time", std::string("\x82\xa7subject\xaf"
                                                                "demo.movie_time\xa4time\xcd\x05\xdc",
                                                                33)}),
              "Notification received.");
    EXPECT_EQ(remote.ask({"notify.demo.movie_time", std::string("\x81\xa7subject\xaf"
                                                                "demo.movie_time",
                                                                25)}),
              "Notification malformed.");
}

TEST(PupilStandIn, PublishesAtItsRateAndVanishesWhenTold)
{
    sim::PupilOptions options;
    options.remotePort = 0;
    options.rate = 200;
    options.stopAfterMs = 400;
    options.backwardsEvery = 10;
    sim::PupilCaptureStandIn standIn(options);
    std::string error;
    ASSERT_TRUE(standIn.start(error)) << error;
    Remote remote(standIn.remotePort());
    EXPECT_EQ(remote.ask({"v"}), options.version);
    std::this_thread::sleep_for(600ms); // past the stop the test chose
    const auto published = standIn.published();
    ASSERT_GT(published.size(), 40u);
    int backwards = 0;
    for (std::size_t i = 1; i < published.size(); ++i)
        backwards += published[i].timestamp < published[i - 1].timestamp ? 1 : 0;
    EXPECT_GT(backwards, 0);
    EXPECT_EQ(remote.ask({"v"}), "<no answer>");
}

} // namespace
