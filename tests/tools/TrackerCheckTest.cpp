#include "tools/trackercheck/TrackerCheck.h"
#include "sim/eyetribe/EyeTribeServer.h"
#include "sim/pupil/PupilCaptureStandIn.h"
#include "tools/trackercheck/PupilCheck.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <thread>

using namespace std::chrono_literals;

namespace {

std::unique_ptr<sim::EyeTribeServer> startServer(int trackerState = 0, sim::ServerOptions options = {})
{
    options.port = 0;
    options.framerate = 200;
    options.trackerState = trackerState;
    auto server = std::make_unique<sim::EyeTribeServer>(options);
    std::string error;
    EXPECT_TRUE(server->start(error)) << error;
    return server;
}

tools::TrackerCheckOptions quickCheck(unsigned short port)
{
    tools::TrackerCheckOptions options;
    options.port = port;
    options.frames = 10;
    options.replyTimeout = 2s;
    options.frameTimeout = 5s;
    return options;
}

// A program on the port that answers every connection with more bytes than any
// message has, and no line end.
class Flood
{
public:
    Flood()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(listener_, 4), 0);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                return;
            const std::string block(64 * 1024, 'x');
            for (int i = 0; i < 64; ++i)
                if (::send(client, block.data(), block.size(), MSG_NOSIGNAL) <= 0)
                    break;
            // What the client sent is read before closing, or the close would reset the connection.
            char sink[4096];
            while (::recv(client, sink, sizeof sink, 0) > 0) {
            }
            ::close(client);
        });
    }
    ~Flood()
    {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    unsigned short port() const { return port_; }

private:
    int listener_ = -1;
    unsigned short port_ = 0;
    std::thread thread_;
};

} // namespace

TEST(TrackerCheck, PrintsValuesScreenCalibrationAndFrameRate)
{
    // A frame ahead of the answer must not pass for the answer.
    sim::ServerOptions options;
    options.pushBeforeAnswer = true;
    const auto server = startServer(0, options);
    std::ostringstream out, err;

    EXPECT_EQ(tools::runTrackerCheck(quickCheck(server->port()), out, err), tools::check_ok);

    const std::string text = out.str();
    EXPECT_NE(text.find("push=true heartbeatinterval=3000 version=1 trackerstate=0 framerate=200 "
                        "iscalibrated=false"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Screen: index 0, 1920x1080 px, physical 0.531x0.299"), std::string::npos) << text;
    EXPECT_NE(text.find("Calibration: none"), std::string::npos) << text;
    EXPECT_NE(text.find(" frames per second over 10 frames"), std::string::npos) << text;
    EXPECT_EQ(err.str(), "");

    // Nor a reply without values ahead of the answer for a refusal.
    sim::ServerOptions noticeFirst;
    noticeFirst.noticeBeforeAnswer = true;
    const auto noticing = startServer(0, noticeFirst);
    out.str("");
    EXPECT_EQ(tools::runTrackerCheck(quickCheck(noticing->port()), out, err), tools::check_ok);
    EXPECT_NE(out.str().find("trackerstate=0 framerate=200"), std::string::npos) << out.str();
    EXPECT_EQ(err.str(), "");
}

TEST(TrackerCheck, FailsClearlyWithoutServerOrFrames)
{
    auto server = startServer(1);
    std::ostringstream out, err;
    tools::TrackerCheckOptions options = quickCheck(server->port());
    options.frameTimeout = 50ms;
    EXPECT_EQ(tools::runTrackerCheck(options, out, err), tools::check_no_frames);
    EXPECT_EQ(err.str(), "No 10 frames arrived within 50 ms (tracker state 1)\n");

    server.reset();
    err.str("");
    EXPECT_EQ(tools::runTrackerCheck(options, out, err), tools::check_no_server);
    EXPECT_EQ(err.str(), "No tracker server listens on 127.0.0.1:" + std::to_string(options.port) + "\n");

    struct Case
    {
        sim::ServerOptions server;
        tools::TrackerCheckResult result;
        std::string message;
    };
    sim::ServerOptions silent, neverAccepts, refuses;
    silent.silent = true;
    neverAccepts.neverAccept = true;
    refuses.refuseGet = true;
    const Case cases[] = {
        {silent, tools::check_no_answer, " did not answer within 200 ms\n"},
        {neverAccepts, tools::check_no_answer, " did not answer within 200 ms\n"},
        {refuses, tools::check_rejected, " rejected the request for its values\n"},
    };
    for (const Case& c : cases) {
        const auto failing = startServer(0, c.server);
        options = quickCheck(failing->port());
        options.replyTimeout = 200ms;
        err.str("");
        EXPECT_EQ(tools::runTrackerCheck(options, out, err), c.result) << c.message;
        EXPECT_EQ(err.str(), "The tracker server on 127.0.0.1:" + std::to_string(options.port) + c.message);
    }

    // Something that floods the port is given up on, and told as that, not as a server that hung up
    const Flood flood;
    options = quickCheck(flood.port());
    err.str("");
    EXPECT_EQ(tools::runTrackerCheck(options, out, err), tools::check_no_answer);
    EXPECT_EQ(err.str(),
              "What answers on 127.0.0.1:" + std::to_string(flood.port()) +
                  " sent a message larger than a tracker server's messages can be; the check gave up\n");
}

TEST(TrackerCheck, ReadsItsCommandLine)
{
    const auto parsed = tools::parseTrackerCheckOptions({"--port=7001", "--frames", "5", "--timeout=300"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.port, 7001);
    EXPECT_EQ(parsed.options.frames, 5);
    EXPECT_EQ(parsed.options.replyTimeout, 300ms);
    EXPECT_EQ(tools::parseTrackerCheckOptions({"--port=0"}).error, "bad value in: --port=0");
    EXPECT_EQ(tools::parseTrackerCheckOptions({"--frames=-1"}).error, "bad value in: --frames=-1");
    EXPECT_EQ(tools::parseTrackerCheckOptions({"--host=x"}).error, "unknown option: --host=x");
}

namespace {

std::unique_ptr<sim::PupilCaptureStandIn> startPupilCapture(sim::PupilOptions options = {})
{
    options.remotePort = 0;
    options.rate = 200;
    auto standIn = std::make_unique<sim::PupilCaptureStandIn>(options);
    std::string error;
    EXPECT_TRUE(standIn->start(error)) << error;
    return standIn;
}

tools::TrackerCheckOptions pupilCheck(unsigned short port)
{
    tools::TrackerCheckOptions options;
    options.pupil = true;
    options.pupilAddress = "127.0.0.1:" + std::to_string(port);
    options.frames = 100;
    options.replyTimeout = 1s;
    options.frameTimeout = 5s;
    return options;
}

} // namespace

TEST(TrackerCheck, PupilCaptureOptionsTakeAnOptionalAddress)
{
    const auto bare = tools::parseTrackerCheckOptions({"--pupil", "--frames=5"});
    ASSERT_TRUE(bare.error.empty()) << bare.error;
    EXPECT_TRUE(bare.options.pupil);
    EXPECT_EQ(bare.options.pupilAddress, "127.0.0.1:50020");
    EXPECT_EQ(bare.options.frames, 5);
    const auto given = tools::parseTrackerCheckOptions({"--pupil", "localhost:6000", "--surface", "wall"});
    ASSERT_TRUE(given.error.empty()) << given.error;
    EXPECT_EQ(given.options.pupilAddress, "localhost:6000");
    EXPECT_EQ(given.options.surface, "wall");
    EXPECT_FALSE(tools::parseTrackerCheckOptions({"--surface="}).error.empty());

    std::ostringstream out, err;
    tools::TrackerCheckOptions bad = pupilCheck(1);
    bad.pupilAddress = "host:0";
    EXPECT_EQ(tools::runPupilCheck(bad, out, err), tools::check_bad_usage);
}

TEST(TrackerCheck, PupilCapturePrintsVersionPortSurfaceRateAndShare)
{
    const auto standIn = startPupilCapture();
    std::ostringstream out, err;
    EXPECT_EQ(tools::runPupilCheck(pupilCheck(standIn->remotePort()), out, err), tools::check_ok)
        << err.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("Version: 3.5.1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Publisher port: " + std::to_string(standIn->publisherPort()) + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Surface: screen\n"), std::string::npos) << text;
    // Measured on Pupil's own time stamps: exactly the stand-in's rate.
    EXPECT_NE(text.find("Rate: 200 samples/s over 100 samples\n"), std::string::npos) << text;
    EXPECT_NE(text.find("On the surface: 100.0% of the samples\n"), std::string::npos) << text;
}

TEST(TrackerCheck, PupilCaptureFailuresHaveTheirOwnExitStatus)
{
    sim::PupilOptions offSurface, silent;
    offSurface.offSurface = true;
    silent.silent = true;
    {
        const auto standIn = startPupilCapture(offSurface);
        std::ostringstream out, err;
        EXPECT_EQ(tools::runPupilCheck(pupilCheck(standIn->remotePort()), out, err),
                  tools::check_off_surface);
        EXPECT_NE(out.str().find("On the surface: 0.0% of the samples"), std::string::npos) << out.str();
    }
    unsigned short port = 0;
    {
        const auto standIn = startPupilCapture(silent);
        port = standIn->remotePort();
        tools::TrackerCheckOptions options = pupilCheck(port);
        options.frameTimeout = 300ms;
        std::ostringstream out, err;
        EXPECT_EQ(tools::runPupilCheck(options, out, err), tools::check_no_frames);
        EXPECT_EQ(err.str(), "No 100 samples of surface \"screen\" arrived within 300 ms (0 did)\n");
    }
    tools::TrackerCheckOptions gone = pupilCheck(port);
    gone.replyTimeout = 200ms;
    std::ostringstream out, err;
    EXPECT_EQ(tools::runPupilCheck(gone, out, err), tools::check_no_server);
    EXPECT_NE(err.str().find("Pupil Capture cannot be reached at 127.0.0.1:" + std::to_string(port)),
              std::string::npos)
        << err.str();
}
