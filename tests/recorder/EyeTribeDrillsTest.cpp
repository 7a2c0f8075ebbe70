// Faults of the EyeTribe tracker server met during an examination, with the
// server stand-in in this process on a port of its own.

#include "TestEnvironment.h"
#include "common/LinkCodes.h"
#include "mocks/FakePlayer.h"
#include "mocks/FakePrompt.h"
#include "recorder/Gazelog.h"
#include "recorder/trackers/EyeTribeController.h"
#include "sim/eyetribe/EyeTribeServer.h"
#include "sim/eyetribe_ui/CalibrationSession.h"
#include "ui_Gazelog.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using testing_support::TempDir;

namespace {

constexpr int heartbeatMs = 100;

// An operator who reads the statistics question for a while before answering Yes.
class SlowOperator : public FakePrompt
{
public:
    bool question(const QString& title, const QString& text) override
    {
        if (title == QLatin1String("Examination statistics")) {
            QEventLoop dialog;
            QTimer::singleShot(readingMs, &dialog, &QEventLoop::quit);
            dialog.exec();
        }
        return FakePrompt::question(title, text);
    }
    int readingMs = 0;
};

class EyeTribeDrills : public ::testing::Test
{
protected:
    EyeTribeDrills()
    {
        sim::ServerOptions options;
        options.port = 0;
        options.framerate = 60;
        options.heartbeatIntervalMs = heartbeatMs;
        server = std::make_unique<sim::EyeTribeServer>(options);
        std::string error;
        EXPECT_TRUE(server->start(error)) << error;
    }

    void calibrate()
    {
        CalibrationSession::Options options;
        options.port = server->port();
        options.pointMs = 1;
        options.resultLeadMs = 0;
        CalibrationSession session(options);
        QSignalSpy finished(&session, &CalibrationSession::finished);
        session.start();
        ASSERT_TRUE(finished.wait(5000));
    }

    // The window with the EyeTribe tracker on the stand-in's port.
    void openWindow()
    {
        GazelogServices services;
        services.prompt = &prompt;
        const unsigned short port = server->port();
        services.makeController = [this, port](int, OperatorPrompt& p, QObject* parent) {
            tracker = new EyeTribeController(p, parent);
            tracker->setPort(port);
            return tracker;
        };
        services.startDetached = [this](const QString&, const QStringList&, qint64* pid) {
            *pid = player.processId();
            return true;
        };
        services.playerPath = QStringLiteral("/bin/true");
        services.workArea = [] { return QRect(0, 0, 1920, 1080); };
        window = std::make_unique<Gazelog>(QString(), std::move(services));
    }

    // A calibrated tracker, connected, and an examination recording its gaze.
    void record()
    {
        openWindow();
        ASSERT_NO_FATAL_FAILURE(calibrate());
        tracker->tryConnectToServer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return tracker->isReadyForExamination(); }, 10000));

        Ui::Gazelog* ui = window->form();
        const auto movie = dir / "movie.avi";
        testing_support::writeFile(movie, "");
        ui->lineEditMoviePath->setText(QString::fromStdString(movie.string()));
        ui->lineEditOutputDirectory->setText(QString::fromStdString(dir.path().string()));
        ui->lineEditExaminationId->setText("P01");
        window->startExamination();
        ASSERT_TRUE(window->workflow()->isExaminationRunning());
        report(LinkCode::synchronisation, 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return tracker->gazePoints().size() >= 10; }, 5000));
    }

    bool report(quint64 code, qint64 time)
    {
        return window->handlePlayerMessage(Gazelog::wmUser, code, time, player.processId());
    }

    std::vector<std::filesystem::path> resultFiles()
    {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            if (entry.path().extension() != ".avi")
                files.push_back(entry.path());
        return files;
    }

    FakePlayer player;
    TempDir dir;
    std::unique_ptr<sim::EyeTribeServer> server;
    SlowOperator prompt;
    EyeTribeController* tracker = nullptr;
    std::unique_ptr<Gazelog> window;
};

} // namespace

TEST_F(EyeTribeDrills, AStatisticsQuestionOpenLongerThanThreeHeartbeatsKeepsTheTracker)
{
    ASSERT_NO_FATAL_FAILURE(record());
    QSignalSpy connection(tracker, &EyeTrackerController::connectionStateChanged);
    const int heartbeatsBefore = server->heartbeatCount();

    // The movie ends and the operator reads the statistics for ten heartbeat intervals.
    prompt.readingMs = 10 * heartbeatMs;
    report(LinkCode::finished, tracker->gazePoints().back().time + 1);

    // The results are saved, and the tracker was never let go.
    ASSERT_EQ(resultFiles().size(), 1u);
    EXPECT_TRUE(window->form()->buttonRunVisualization->isEnabled());
    EXPECT_GE(server->heartbeatCount() - heartbeatsBefore, 5) << "heartbeats went on during the question";
    EXPECT_EQ(server->clientCount(), 1);
    EXPECT_TRUE(connection.isEmpty() || connection.last().at(0).toBool());
    EXPECT_TRUE(tracker->isReadyForExamination());
}

TEST_F(EyeTribeDrills, TrackerServerKilledMidExaminationEndsItAsNoDataAndKeepsTheSamples)
{
    ASSERT_NO_FATAL_FAILURE(record());
    server->stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->form()->labelConnected->text() == "No"; }, 5000))
        << "the operator sees the lost connection";
    const std::vector<GazePoint> recorded = tracker->gazePoints();

    // The player goes on reporting; once it is ten seconds beyond the last sample,
    report(LinkCode::synchronisation, recorded.back().time + 10001);

    // the examination ends as failed, saying why, with nothing written and every sample kept.
    EXPECT_FALSE(window->workflow()->isExaminationRunning());
    ASSERT_FALSE(prompt.warnings.isEmpty());
    EXPECT_TRUE(prompt.warnings.last().startsWith("Error|No data from EyeTribe for 10000 ms."));
    EXPECT_TRUE(resultFiles().empty());
    EXPECT_EQ(tracker->gazePoints().size(), recorded.size());
    window->form()->buttonExaminationSave->click();
    EXPECT_EQ(resultFiles().size(), 1u);
}

TEST_F(EyeTribeDrills, TheSettingsTabShowsTheRateTheRunningServerSamplesAt)
{
    // Given a server that samples at 60 Hz, whatever the list showed first
    openWindow();
    Ui::Gazelog* ui = window->form();
    const QSignalSpy restarts(ui->comboBoxFps, qOverload<int>(&QComboBox::currentIndexChanged));

    // When the window has connected to it
    tracker->tryConnectToServer();
    ASSERT_TRUE(testing_support::waitUntil([&] { return ui->labelConnected->text() == "Yes"; }));

    // Then the frequency shown is the server's, and showing it restarted nothing
    ASSERT_TRUE(testing_support::waitUntil([&] { return ui->comboBoxFps->currentText() == "60"; }))
        << ui->comboBoxFps->currentText().toStdString();
    EXPECT_EQ(restarts.count(), 0);
    EXPECT_TRUE(prompt.questions.isEmpty());
}
