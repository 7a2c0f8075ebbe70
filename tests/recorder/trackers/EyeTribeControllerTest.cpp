#include "recorder/trackers/EyeTribeController.h"
#include "ControllerSignals.h"
#include "TestEnvironment.h"
#include "mocks/FakePrompt.h"
#include "sim/eyetribe/EyeTribeServer.h"
#include "sim/eyetribe_ui/CalibrationSession.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

unsigned short freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A tracker server stand-in in this process, on a port of its own.
struct Server
{
    explicit Server(sim::ServerOptions options) : server(options)
    {
        std::string error;
        started = server.start(error);
        EXPECT_TRUE(started) << error;
    }
    static sim::ServerOptions options(unsigned short port = 0)
    {
        sim::ServerOptions o;
        o.port = port;
        o.framerate = 100;
        return o;
    }
    int screenRequests() const
    {
        int count = 0;
        for (const std::string& request : server.requests())
            count += request.find("\"screenindex\"") != std::string::npos &&
                     request.find("\"request\":\"set\"") != std::string::npos;
        return count;
    }

    sim::EyeTribeServer server;
    bool started = false;
};

// Runs a calibration through the protocol, as the calibration program does.
void calibrate(unsigned short port)
{
    CalibrationSession::Options options;
    options.port = port;
    options.pointCount = 9;
    options.pointMs = 1;
    options.resultLeadMs = 0;
    CalibrationSession session(options);
    QSignalSpy finished(&session, &CalibrationSession::finished);
    session.start();
    ASSERT_TRUE(finished.wait(5000));
    ASSERT_TRUE(finished.at(0).at(0).toBool()) << finished.at(0).at(1).toString().toStdString();
}

class EyeTribeTest : public ::testing::Test
{
protected:
    EyeTribeTest() { controller.setRetryIntervals(20, 50, 200); }

    void connectTo(const Server& server)
    {
        controller.setPort(server.server.port());
        controller.tryConnectToServer();
    }

    FakePrompt prompt;
    EyeTribeController controller{prompt};
    ControllerSignals reported{&controller};
};

} // namespace

TEST(EyeTribeQuality, FollowsTheAverageErrorOfASuccessfulCalibration)
{
    const struct
    {
        bool result;
        float deg;
        int quality;
    } cases[] = {{true, 0.49f, 5}, {true, 0.5f, 4}, {true, 0.7f, 3}, {true, 1.0f, 2},
                 {true, 1.49f, 2}, {true, 1.5f, 1}, {true, 9.0f, 1}, {false, 0.1f, 0}};
    for (const auto& c : cases) {
        gtl::CalibrationResult result;
        result.result = c.result;
        result.deg = c.deg;
        EXPECT_EQ(EyeTribeController::calibrationQuality(result), c.quality) << c.result << " " << c.deg;
    }
}

TEST(EyeTribeInstallation, NeedsTheServerAndTheCalibrationProgram)
{
    TempDir programFiles;
    qputenv("ProgramFiles", QByteArray::fromStdString(programFiles.path().string()));
    FakePrompt prompt;
    EyeTribeController controller(prompt);
    EXPECT_FALSE(controller.isInstalled());
    std::filesystem::create_directories(programFiles / "EyeTribe/Server");
    std::filesystem::create_directories(programFiles / "EyeTribe/Client");
    writeFile(programFiles / "EyeTribe/Server/EyeTribe", "");
    EXPECT_FALSE(controller.isInstalled()) << "the calibration program is missing";
    writeFile(programFiles / "EyeTribe/Client/EyeTribeUIWin", "");
    EXPECT_TRUE(controller.isInstalled());
}

TEST_F(EyeTribeTest, FramesDuringAnExaminationBecomeSamplesStampedWithMovieTime)
{
    TempDir dir;
    writeFile(dir / "gaze.txt", "640;360;3.5\n");
    auto options = Server::options();
    options.gazeFile = dir / "gaze.txt";
    Server server(options);
    connectTo(server);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));

    controller.startExamination();
    QTest::qWait(50);
    EXPECT_TRUE(controller.gazePoints().empty()) << "no movie time yet";
    ASSERT_TRUE(controller.setSynchronizationTime(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.gazePoints().size() >= 3; }, 5000));

    const auto samples = controller.gazePoints();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const GazePoint& s = samples[i];
        EXPECT_GE(s.time, 5000);
        EXPECT_LT(s.time, 5000 + 5000);
        if (i > 0) {
            EXPECT_GT(s.time, samples[i - 1].time);
        }
        EXPECT_EQ(s.state, 7);
        EXPECT_FLOAT_EQ(s.avg.x, 640);
        EXPECT_FLOAT_EQ(s.avg.y, 360);
        EXPECT_FLOAT_EQ(s.lefteye.psize, 3.5f);
        EXPECT_FLOAT_EQ(s.lefteye.avg.x, 636);
        EXPECT_FLOAT_EQ(s.righteye.pcenter.x, 0.6f);
        EXPECT_EQ(s.interestingPointValue, 0);
    }
}

TEST_F(EyeTribeTest, TheScreenChosenWhileDisconnectedIsSentAfterTheNextConnection)
{
    Server server(Server::options());
    controller.setScreen(0);
    EXPECT_EQ(server.screenRequests(), 0);

    connectTo(server);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.screenRequests() == 1; }, 5000));
    const QRect geometry = QGuiApplication::screens().at(0)->geometry();
    bool found = false;
    for (const std::string& request : server.server.requests())
        found |= request.find("\"screenresw\":" + std::to_string(geometry.width())) != std::string::npos;
    EXPECT_TRUE(found) << "the screen's size is sent";
    // The window hears of the connection once the attempt is over.
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));

    controller.disconnectFromServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reported.connected(); }, 5000)) << "the window is told";
    controller.setScreen(0);
    controller.setScreen(7);
    controller.setScreen(0);
    connectTo(server);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.screenRequests() == 2; }, 5000)) << "sent again";
    QTest::qWait(50);
    EXPECT_EQ(server.screenRequests(), 2);
}

TEST_F(EyeTribeTest, AConnectionFailureIsRetriedUntilTheServerIsUp)
{
    const unsigned short port = freePort();
    controller.setPort(port);
    controller.tryConnectToServer();
    QTest::qWait(100);
    EXPECT_TRUE(reported.connections.empty());

    Server server(Server::options(port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(server.server.clientCount(), 1) << "no further attempts once connected";
}

TEST_F(EyeTribeTest, AProgramOnThePortThatIsNoTrackerServerIsTriedLessOftenAndToldOnce)
{
    // Given a web server on the tracker port: it answers every connection with an error page
    QTcpServer web;
    ASSERT_TRUE(web.listen(QHostAddress::LocalHost, 0));
    int accepted = 0;
    QObject::connect(&web, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = web.nextPendingConnection()) {
            ++accepted;
            // Answered once the request is read: a close with unread bytes would reset the connection.
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                socket->readAll();
                socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
                socket->disconnectFromHost();
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });

    // When the controller keeps trying it for a while, retrying after 20 ms at first
    controller.setPort(web.serverPort());
    controller.tryConnectToServer();
    QTest::qWait(1500);

    // Then the attempts were spaced out (20, 40, 80 ... ms), the operator heard once what
    // answers there, and "connected" was never shown
    EXPECT_LE(accepted, 9);
    EXPECT_GE(accepted, 4);
    ASSERT_EQ(prompt.warnings.size(), 1) << prompt.warnings.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(prompt.warnings[0].contains(QString::number(web.serverPort())));
    EXPECT_TRUE(prompt.warnings[0].contains(QStringLiteral("HTTP/1.1 400 Bad Request")))
        << prompt.warnings[0].toStdString();
    EXPECT_FALSE(reported.connected());
    EXPECT_EQ(std::count(reported.connections.begin(), reported.connections.end(), true), 0);

    // and the server's port counts as taken while the web server listens there, so no server is started
    EXPECT_TRUE(controller.serverPortTaken());
    web.close();
    EXPECT_FALSE(controller.serverPortTaken());
}

TEST_F(EyeTribeTest, ReadyForExaminationOnlyWhenCalibratedWellEnoughAndStreaming)
{
    auto poorOptions = Server::options();
    poorOptions.calibrationErrorDeg = 1.8;
    Server poor(poorOptions);
    connectTo(poor);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));
    EXPECT_FALSE(controller.isReadyForExamination()) << "not calibrated";

    calibrate(poor.server.port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.calibrated(); }, 5000));
    EXPECT_EQ(reported.calibrations.back().second, 1);
    EXPECT_FALSE(controller.isReadyForExamination()) << "quality 1 asks for a new calibration";

    auto fairOptions = Server::options();
    fairOptions.calibrationErrorDeg = 1.2;
    Server fair(fairOptions);
    calibrate(fair.server.port());
    connectTo(fair);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isReadyForExamination(); }, 5000));

    fair.server.setTrackerState(3);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !reported.trackerStates.empty() && reported.trackerStates.back() == 3; }, 5000));
    EXPECT_FALSE(controller.isReadyForExamination());
}

TEST_F(EyeTribeTest, TheEventLoopKeepsTurningWhileTheServerIsSilentOrNeverAccepts)
{
    // The controller is driven from this thread's event loop, as the window drives it.
    for (const bool neverAccepts : {false, true}) {
        auto options = Server::options();
        options.silent = !neverAccepts;
        options.neverAccept = neverAccepts;
        Server server(options);
        controller.setConnectTimeout(std::chrono::milliseconds(1500));
        controller.setRetryIntervals(100000, 50, 200); // one attempt is enough to watch

        QElapsedTimer sinceTick;
        qint64 longestGapMs = 0;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { longestGapMs = std::max(longestGapMs, sinceTick.restart()); });
        sinceTick.start();
        ticker.start();
        connectTo(server);
        ASSERT_TRUE(controller.isConnecting());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isConnecting(); }, 10000)) << neverAccepts;

        // A blocking connect would have stopped the ticks for the whole 1.5 s.
        EXPECT_LT(longestGapMs, 1000) << neverAccepts;
        EXPECT_FALSE(reported.connected()) << neverAccepts;
    }
}

TEST_F(EyeTribeTest, ALostConnectionIsMadeAgainWithTheServerAndItsCalibrationLeftAlone)
{
    Server server(Server::options());
    calibrate(server.server.port());
    connectTo(server);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.connected() && reported.calibrated(); }, 5000));
    const auto quality = reported.calibrations.back().second;

    //! [WHEN] the server drops the client, as it does when heartbeats stop
    server.server.dropClients();

    //! [THEN] the window hears of the loss, then of a new connection to the same server
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reported.connected(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));
    EXPECT_EQ(server.server.clientCount(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isReadyForExamination(); }, 5000));
    EXPECT_TRUE(reported.calibrated());
    EXPECT_EQ(reported.calibrations.back().second, quality);
}

TEST(EyeTribeLink, ClosingDuringAConnectAttemptDoesNotWaitForItsDeadline)
{
    auto options = Server::options();
    options.silent = true;
    Server server(options);
    FakePrompt prompt;
    QElapsedTimer closing;
    {
        EyeTribeController controller(prompt);
        controller.setConnectTimeout(std::chrono::seconds(60));
        controller.setPort(server.server.port());
        controller.tryConnectToServer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.server.clientCount() == 1; }, 5000));
        closing.start();
    }
    EXPECT_LT(closing.elapsed(), 30000);
}
