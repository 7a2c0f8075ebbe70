#include "recorder/gopro/GoproController.h"
#include "sim/gopro/GoproCameraStandIn.h"

#include "TestEnvironment.h"
#include "common/Logger.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <gtest/gtest.h>

using Command = GoproCameraStandIn::Command;

void PrintTo(const Command& c, std::ostream* out)
{
    *out << '{' << c.path.toStdString() << " p=" << c.parameter.toStdString()
         << " t=" << c.password.toStdString() << " -> " << c.status << '}';
}

namespace {

// HTTP status of a plain GET, with the body.
std::pair<int, QByteArray> fetch(const QUrl& url)
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(url));
    testing_support::waitUntil([reply] { return reply->isFinished(); });
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    delete reply;
    return {status, body};
}

class GoproControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        port = camera.listen();
        ASSERT_NE(port, 0);
        controller = std::make_unique<GoproController>(
            GoproEndpoint{QStringLiteral("127.0.0.1:%1").arg(port), mediaPort}, timings);
        controller->setUrlOpener([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
    }

    QList<Command> commandsTo(const QString& path) const
    {
        QList<Command> found;
        for (const Command& c : camera.commands())
            if (c.path == path)
                found.append(c);
        return found;
    }

    GoproTimings timings{2000, 1000, 0};
    quint16 mediaPort = 8080;
    GoproCameraStandIn camera;
    quint16 port = 0;
    std::unique_ptr<GoproController> controller;
    QList<QUrl> opened;
};

const QString password = QStringLiteral("lensmatic");

} // namespace

TEST_F(GoproControllerTest, MakeUrlAddsTheParameterOnlyWhenThereIsOne)
{
    const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    EXPECT_EQ(controller->makeUrl(QStringLiteral("camera/SH"), QString()).toString(QUrl::FullyEncoded),
              base + QStringLiteral("camera/SH?t=lensmatic"));
    EXPECT_EQ(
        controller->makeUrl(QStringLiteral("camera/SH"), QStringLiteral("%01")).toString(QUrl::FullyEncoded),
        base + QStringLiteral("camera/SH?t=lensmatic&p=%01"));
    EXPECT_EQ(
        controller->makeUrl(QStringLiteral("camera/VV"), QStringLiteral("%03")).toString(QUrl::FullyEncoded),
        base + QStringLiteral("camera/VV?t=lensmatic&p=%03"));
}

TEST_F(GoproControllerTest, ConfigurationSendsFourCommandsInOrder)
{
    EXPECT_TRUE(controller->configureCamera(password));

    const QList<Command> expected = {
        {QStringLiteral("camera/BS"), QStringLiteral("%00"), password, 200},
        {QStringLiteral("camera/CM"), QStringLiteral("%00"), password, 200},
        {QStringLiteral("camera/VV"), QStringLiteral("%03"), password, 200},
        {QStringLiteral("camera/UP"), QStringLiteral("%00"), password, 200},
    };
    EXPECT_EQ(camera.commands(), expected);
}

TEST_F(GoproControllerTest, RejectedConfigurationCommandIsLoggedAndTheRestAreStillSent)
{
    testing_support::TempDir dir;
    const auto log = dir / "Gazelog.log";
    ASSERT_FALSE(Logger::open(recorderLogStyle(), log));
    camera.rejectCommand(QStringLiteral("camera/CM"), 410);

    EXPECT_FALSE(controller->configureCamera(password));
    Logger::instance().close();

    ASSERT_EQ(camera.commands().size(), 4);
    EXPECT_EQ(camera.commands()[1].status, 410);
    EXPECT_EQ(camera.commands()[3].path, QStringLiteral("camera/UP"));
    const std::string text = testing_support::readFile(log);
    EXPECT_NE(text.find("Error with Gopro - failed to set camera mode, error code: " +
                        std::to_string(QNetworkReply::ContentGoneError)),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("failed to set volume"), std::string::npos);
}

TEST_F(GoproControllerTest, WrongPasswordIsRefusedByTheCameraAndReportedAsFailure)
{
    EXPECT_FALSE(controller->configureCamera(QStringLiteral("wrong")));
    EXPECT_FALSE(controller->setRecording(true));

    ASSERT_EQ(camera.commands().size(), 5);
    for (const Command& c : camera.commands())
        EXPECT_EQ(c.status, 403) << c.path.toStdString();
    EXPECT_FALSE(camera.isRecording());
}

TEST_F(GoproControllerTest, PasswordReachesTheCameraIntactWhateverItsCharacters)
{
    const QString unusual = QStringLiteral("p&ss #1+%25/=?ż");
    camera.setPassword(unusual);

    EXPECT_TRUE(controller->configureCamera(unusual));
    EXPECT_TRUE(controller->setRecording(true));

    ASSERT_EQ(camera.commands().size(), 5);
    for (const Command& c : camera.commands())
        EXPECT_EQ(c.password, unusual);
    EXPECT_EQ(camera.commands()[4].parameter, QStringLiteral("%01"));
}

TEST_F(GoproControllerTest, RecordingStartsAndStops)
{
    EXPECT_TRUE(controller->setRecording(true));
    EXPECT_TRUE(camera.isRecording());
    EXPECT_TRUE(controller->setRecording(false));
    EXPECT_FALSE(camera.isRecording());

    const QList<Command> expected = {
        {QStringLiteral("camera/SH"), QStringLiteral("%01"), password, 200},
        {QStringLiteral("camera/SH"), QStringLiteral("%00"), password, 200},
    };
    EXPECT_EQ(camera.commands(), expected);
    EXPECT_EQ(camera.movies(), QStringList{QStringLiteral("GOPR0001.MP4")});
}

TEST_F(GoproControllerTest, FailedStopReturnsFalseWithoutRetry)
{
    ASSERT_TRUE(controller->setRecording(true));
    camera.rejectCommand(QStringLiteral("camera/SH"), 500);

    EXPECT_FALSE(controller->setRecording(false));

    const QList<Command> stops = commandsTo(QStringLiteral("camera/SH"));
    ASSERT_EQ(stops.size(), 2);
    EXPECT_EQ(stops[1].parameter, QStringLiteral("%00"));
    EXPECT_EQ(stops[1].status, 500);
    EXPECT_TRUE(camera.isRecording());
}

TEST_F(GoproControllerTest, CameraThatNeverAnswersTimesOut)
{
    camera.setBehaviour(GoproCameraStandIn::Behaviour::NeverAnswer);
    controller = std::make_unique<GoproController>(
        GoproEndpoint{QStringLiteral("127.0.0.1:%1").arg(port), mediaPort}, GoproTimings{150, 1000, 0});

    EXPECT_EQ(controller->sendRequest(controller->makeUrl(QStringLiteral("camera/SH"), QStringLiteral("%01")),
                                      true),
              QNetworkReply::TimeoutError);
    EXPECT_FALSE(controller->setRecording(false));
    EXPECT_FALSE(controller->configureCamera(password));
    EXPECT_TRUE(controller->lastRequestTimedOut());

    // The camera got every command it was sent; the configuration stopped at the first silence.
    EXPECT_EQ(camera.commands().size(), 3);
}

TEST_F(GoproControllerTest, ConnectionClosedWithoutAnswerIsAFailure)
{
    camera.setBehaviour(GoproCameraStandIn::Behaviour::CloseConnection);

    EXPECT_EQ(controller->sendRequest(controller->makeUrl(QStringLiteral("camera/SH"), QStringLiteral("%01")),
                                      true),
              QNetworkReply::RemoteHostClosedError);
    EXPECT_FALSE(controller->setRecording(true));
}

TEST_F(GoproControllerTest, RequestWithoutWaitingStillReachesTheCamera)
{
    EXPECT_EQ(controller->sendRequest(controller->makeUrl(QStringLiteral("camera/SH"), QStringLiteral("%01")),
                                      false),
              0);
    EXPECT_TRUE(camera.commands().isEmpty());

    EXPECT_TRUE(testing_support::waitUntil([this] { return camera.isRecording(); }));
}

TEST_F(GoproControllerTest, AvailableOnlyWhileTheCameraListens)
{
    EXPECT_TRUE(controller->isAvailable());

    camera.close();
    EXPECT_FALSE(controller->isAvailable());
}

TEST_F(GoproControllerTest, ProbeGivesUpOnAConnectionThatIsNeverAccepted)
{
    // A listening socket whose backlog is full drops further connection attempts,
    // so they neither succeed nor get refused.
    QTcpServer full;
    full.setMaxPendingConnections(0);
    ASSERT_TRUE(full.listen(QHostAddress::LocalHost));
    full.pauseAccepting();
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    bool dropping = false;
    for (int i = 0; i < 400 && !dropping; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, full.serverPort());
        dropping = !socket->waitForConnected(50);
        fillers.push_back(std::move(socket));
    }
    if (!dropping)
        GTEST_SKIP() << "this system accepts every connection into the backlog";

    GoproController probe(GoproEndpoint{QStringLiteral("127.0.0.1:%1").arg(full.serverPort()), mediaPort},
                          GoproTimings{2000, 150, 0});
    EXPECT_FALSE(probe.isAvailable());
}

TEST_F(GoproControllerTest, PreviewAndMoviesOpenTheMediaPortWhereTheCameraServesThem)
{
    const quint16 media = camera.listen();
    ASSERT_NE(media, 0);
    controller = std::make_unique<GoproController>(
        GoproEndpoint{QStringLiteral("127.0.0.1:%1").arg(port), media}, timings);
    controller->setUrlOpener([this](const QUrl& url) {
        opened.append(url);
        return false;
    });
    ASSERT_TRUE(controller->setRecording(true));
    ASSERT_TRUE(controller->setRecording(false));

    controller->showPreview();
    controller->showMovies();

    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0].toString(), QStringLiteral("http://127.0.0.1:%1/live/amba.mp4").arg(media));
    EXPECT_EQ(opened[1].toString(), QStringLiteral("http://127.0.0.1:%1/videos/DCIM/100GOPRO/").arg(media));
    EXPECT_EQ(fetch(opened[0]).first, 200);
    const auto [status, listing] = fetch(opened[1]);
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(listing.contains("GOPR0001.MP4")) << listing.constData();
}
