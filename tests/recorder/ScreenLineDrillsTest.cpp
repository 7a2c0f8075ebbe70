// The screen line of a results file, as each tracker's stand-in reports the screen,
// through the recorder's window: the server stand-in and the engine stand-in run in
// this process, on a port and a socket of their own.

#include "TestEnvironment.h"
#include "common/LinkCodes.h"
#include "mocks/FakePlayer.h"
#include "mocks/FakePrompt.h"
#include "recorder/Gazelog.h"
#include "recorder/trackers/EyeTribeController.h"
#include "recorder/trackers/EyeXController.h"
#include "recorder/trackers/eyex/LocalSocketLink.h"
#include "sim/eyetribe/EyeTribeServer.h"
#include "sim/eyetribe_ui/CalibrationSession.h"
#include "sim/eyex/EyeXEngine.h"
#include "ui_Gazelog.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

using testing_support::TempDir;

namespace {

class ScreenLineDrills : public ::testing::Test
{
protected:
    // A window whose tracker the factory makes; the viewing distance as set on the settings tab.
    void openWindow(std::function<EyeTrackerController*(OperatorPrompt&, QObject*)> make, int distanceMm)
    {
        GazelogServices services;
        services.prompt = &prompt;
        services.makeController = [make](int, OperatorPrompt& p, QObject* parent) { return make(p, parent); };
        services.startDetached = [this](const QString&, const QStringList&, qint64* pid) {
            *pid = player.processId();
            return true;
        };
        services.playerPath = QStringLiteral("/bin/true");
        services.workArea = [] { return QRect(0, 0, 1920, 1080); };
        services.settingsFile = QString::fromStdString((dir / "Gazelog.ini").string());
        window = std::make_unique<Gazelog>(QString(), std::move(services));
        window->form()->spinBoxViewingDistance->setValue(distanceMm);
    }

    // Records until the tracker delivered some samples, lets the movie end, and answers the
    // results file's comment lines.
    std::vector<std::string> recordAndSave(EyeTrackerController& tracker)
    {
        Ui::Gazelog* ui = window->form();
        const auto movie = dir / "movie.avi";
        testing_support::writeFile(movie, "");
        ui->lineEditMoviePath->setText(QString::fromStdString(movie.string()));
        ui->lineEditOutputDirectory->setText(QString::fromStdString((dir / "results").string()));
        ui->lineEditExaminationId->setText("P01");
        window->startExamination();
        EXPECT_TRUE(window->workflow()->isExaminationRunning());
        report(LinkCode::synchronisation, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return tracker.gazePoints().size() >= 5; }, 5000));
        report(LinkCode::finished, tracker.gazePoints().back().time + 1);
        std::vector<std::string> comments;
        std::istringstream text(testing_support::readFile(tracker.lastResultPath().toStdString()));
        for (std::string line; std::getline(text, line);)
            if (line.starts_with('#'))
                comments.push_back(line);
        return comments;
    }

    bool report(quint64 code, qint64 time)
    {
        return window->handlePlayerMessage(Gazelog::wmUser, code, time, player.processId());
    }

    FakePlayer player;
    TempDir dir;
    FakePrompt prompt;
    std::unique_ptr<Gazelog> window;
};

} // namespace

TEST_F(ScreenLineDrills, EyeTribeResultsNameTheScreenTheServerReports)
{
    sim::ServerOptions options;
    options.port = 0;
    options.framerate = 60;
    sim::EyeTribeServer server(options);
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    EyeTribeController* tracker = nullptr;
    openWindow(
        [&](OperatorPrompt& p, QObject* parent) {
            tracker = new EyeTribeController(p, parent);
            tracker->setPort(server.port());
            return tracker;
        },
        720);
    CalibrationSession::Options calibration;
    calibration.port = server.port();
    calibration.pointMs = 1;
    calibration.resultLeadMs = 0;
    CalibrationSession session(calibration);
    QSignalSpy calibrated(&session, &CalibrationSession::finished);
    session.start();
    ASSERT_TRUE(calibrated.wait(5000));
    tracker->tryConnectToServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tracker->isReadyForExamination(); }, 10000));
    // The recorder tells the server the screen Qt sees; the server reports it back.
    ASSERT_TRUE(QTest::qWaitFor([&] { return tracker->trackerScreen().has_value(); }, 5000));

    const std::vector<std::string> comments = recordAndSave(*tracker);

    const QScreen* screen = QGuiApplication::screens().at(0);
    std::ostringstream expected;
    expected << "#Screen: " << screen->geometry().width() << 'x' << screen->geometry().height() << " px, "
             << std::lround(screen->physicalSize().width()) << 'x'
             << std::lround(screen->physicalSize().height()) << " mm, viewing distance 720 mm";
    ASSERT_EQ(comments.size(), 5u);
    EXPECT_TRUE(comments[1].starts_with("#Movie path: "));
    EXPECT_EQ(comments[2], expected.str());
    EXPECT_TRUE(comments[3].starts_with("#Output path: "));
}

TEST_F(ScreenLineDrills, EyeXResultsNameTheDisplayTheEngineReports)
{
    sim::EyeXEngine::Options options;
    options.socketPath = QString::fromStdString(eyex::LocalSocketLink::defaultSocketPath());
    options.rateHz = 200;
    options.displayWidthMm = 597;
    options.displayHeightMm = 336;
    options.screenWidthPx = 2560;
    options.screenHeightPx = 1440;
    sim::EyeXEngine engine(options);
    QString error;
    ASSERT_TRUE(engine.start(error)) << error.toStdString();
    EyeXController* tracker = nullptr;
    openWindow(
        [&](OperatorPrompt& p, QObject* parent) {
            tracker = new EyeXController(p, parent);
            return tracker;
        },
        650);
    tracker->tryConnectToServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine.subscriberCount() == 1; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tracker->trackerScreen().has_value(); }, 5000));

    const std::vector<std::string> comments = recordAndSave(*tracker);

    ASSERT_EQ(comments.size(), 5u);
    EXPECT_TRUE(comments[1].starts_with("#Movie path: "));
    EXPECT_EQ(comments[2], "#Screen: 2560x1440 px, 597x336 mm, viewing distance 650 mm");
}
