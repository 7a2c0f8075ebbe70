#include "TestEnvironment.h"
#include "common/LinkCodes.h"
#include "mocks/FakePlayer.h"
#include "mocks/FakePrompt.h"
#include "mocks/FakeTrackerController.h"
#include "platform/window_bus.h"
#include "recorder/Gazelog.h"
#include "recorder/QSliderWithTicks.h"
#include "ui_Gazelog.h"

#include <QProcess>
#include <QTest>

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class PlayerLinkTest : public ::testing::Test
{
protected:
    PlayerLinkTest()
    {
        GazelogServices services;
        services.prompt = &prompt;
        services.makeController = [this](int, OperatorPrompt& p, QObject* parent) {
            auto* fake = new FakeTrackerController(p, parent);
            fake->setWallClock([this] { return now; });
            fake->setPlayerStopper([] {});
            tracker = fake;
            return fake;
        };
        services.startDetached = [this](const QString& program, const QStringList& arguments, qint64* pid) {
            started << (QStringList{program} + arguments);
            *pid = player.processId();
            return startSucceeds;
        };
        services.playerPath = QStringLiteral("/opt/gaze view/Gazeview");
        services.workArea = [] { return QRect(0, 0, 1000, 1000); };
        window = std::make_unique<Gazelog>(QString(), std::move(services));
    }

    // Fills the examination tab so that an examination can start.
    void prepareExamination()
    {
        movie = dir / "my movie.avi";
        testing_support::writeFile(movie, "");
        window->form()->lineEditMoviePath->setText(QString::fromStdString(movie.string()));
        window->form()->lineEditOutputDirectory->setText(QString::fromStdString(dir.path().string()));
        window->form()->lineEditExaminationId->setText("P01");
    }

    bool post(quint64 code, qint64 time)
    {
        return window->handlePlayerMessage(Gazelog::wmUser, code, time, player.processId());
    }

    // Stands in for the examination's player: a process that runs until it is ended.
    FakePlayer player;
    testing_support::TempDir dir;
    std::filesystem::path movie;
    FakePrompt prompt;
    FakeTrackerController* tracker = nullptr;
    QList<QStringList> started;
    bool startSucceeds = true;
    qint64 now = 1'000'000;
    std::unique_ptr<Gazelog> window;
};

} // namespace

TEST_F(PlayerLinkTest, AWholeExaminationDrivenByThePlayersReports)
{
    prepareExamination();
    EXPECT_FALSE(post(LinkCode::duration, 5000)) << "the duration is taken, but not consumed, while idle";
    EXPECT_EQ(window->currentMovieDuration(), 5000);
    EXPECT_EQ(window->form()->lineEditMoviePartEnd->text(), "5000");

    window->startExamination();
    ASSERT_TRUE(tracker->isExaminationInProgress());
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0],
              (QStringList{"/opt/gaze view/Gazeview", "-m", QString::fromStdString(movie.string()), "-p", "0",
                           "-s", "Orvalis Reelscan Gazelog", "-u", "-1"}));
    EXPECT_FALSE(window->form()->buttonExaminationStart->isEnabled());
    EXPECT_TRUE(window->form()->buttonExaminationAbort->isEnabled());

    QSignalSpy ticks(window.get(), &Gazelog::addInterestingPoint);
    EXPECT_TRUE(post(LinkCode::synchronisation, 0));
    now += 40;
    ASSERT_TRUE(tracker->deliver(GazePoint{0, 0, 1, {}, {500, 500}}));
    EXPECT_TRUE(post(LinkCode::synchronisation, 64));
    EXPECT_EQ(window->progressSlider()->value(), 64);
    now += 30;
    ASSERT_TRUE(tracker->deliver(GazePoint{0, 0, 1, {}, {100, 200}})); // at 94
    EXPECT_TRUE(post(LinkCode::interestingPoint, 100));
    ASSERT_EQ(ticks.count(), 1);
    EXPECT_EQ(window->progressSlider()->ticks(), (QVector<qint64>{100}));

    EXPECT_TRUE(post(LinkCode::paused, 120));
    now += 30;
    EXPECT_FALSE(tracker->deliver(GazePoint{0, 0, 1, {}, {1, 1}})) << "paused";
    EXPECT_TRUE(post(LinkCode::resumed, 120));
    EXPECT_FALSE(post(99, 120)) << "unknown codes are left alone";

    EXPECT_TRUE(post(LinkCode::finished, 200));
    EXPECT_FALSE(tracker->isExaminationInProgress());
    const QString keypoints = window->form()->plainTextEditInterestingPoints->toPlainText();
    EXPECT_EQ(keypoints, "0: 94 time: 0.0.0 gaze point pos:(100, 200)\n");
    EXPECT_TRUE(window->form()->buttonRunVisualization->isEnabled());
    const QString results = tracker->lastResultPath();
    EXPECT_TRUE(results.startsWith(QString::fromStdString(dir.path().string()) + "/P01_"));
    const auto text = testing_support::readFile(results.toStdString());
    EXPECT_NE(text.find("#Examination id: P01\n40;500000;500000;1;0;0\n94;100000;200000;1;0;1\n"),
              std::string::npos)
        << text;

    window->runVisualization();
    ASSERT_EQ(started.size(), 2);
    EXPECT_EQ(started[1], (QStringList{"/opt/gaze view/Gazeview", "-m",
                                       QString::fromStdString(movie.string()), "-f", results}));

    // The next examination starts with no ticks of the last one.
    window->startExamination();
    EXPECT_TRUE(window->progressSlider()->ticks().isEmpty());
}

TEST_F(PlayerLinkTest, ASynchronisationErrorStopsTheExaminationAsFailed)
{
    prepareExamination();
    window->startExamination();
    ASSERT_TRUE(tracker->isExaminationInProgress());
    EXPECT_TRUE(post(LinkCode::synchronisation, 10001));
    EXPECT_FALSE(tracker->isExaminationInProgress());
    EXPECT_TRUE(prompt.warnings.last().startsWith("Error|No data from EyeTribe for 10000 ms."));
    EXPECT_TRUE(prompt.questions.isEmpty()) << "nothing is offered for saving";
    EXPECT_FALSE(window->form()->buttonRunVisualization->isEnabled());
    EXPECT_TRUE(window->form()->buttonExaminationSave->isEnabled());
    EXPECT_TRUE(window->form()->buttonExaminationStart->isEnabled());
}

TEST_F(PlayerLinkTest, CodesWhileIdleAreIgnored)
{
    QSignalSpy ticks(window.get(), &Gazelog::addInterestingPoint);
    for (const quint64 code : {LinkCode::synchronisation, LinkCode::paused, LinkCode::resumed,
                               LinkCode::interestingPoint, LinkCode::finished})
        EXPECT_FALSE(post(code, 100));
    EXPECT_EQ(ticks.count(), 0);
    EXPECT_FALSE(window->handlePlayerMessage(0x0401, LinkCode::interestingPoint, 100))
        << "only WM_USER carries reports";
}

TEST_F(PlayerLinkTest, AFailedPlayerStartLeavesTheTabIdle)
{
    prepareExamination();
    startSucceeds = false;
    window->startExamination();
    EXPECT_FALSE(tracker->isExaminationInProgress());
    EXPECT_TRUE(prompt.warnings.last().startsWith("Error|Failed to run player."));
    EXPECT_TRUE(window->form()->buttonExaminationStart->isEnabled());
}

TEST_F(PlayerLinkTest, ReportsArriveByTheWindowTitleAndCloseWorks)
{
    window->show();
    const auto handle = platform::findWindow("Orvalis Reelscan Gazelog");
    ASSERT_FALSE(handle.empty());
    ASSERT_EQ(platform::postMessage(handle, platform::WM_USER, LinkCode::duration, 7000),
              platform::PostResult::Posted);
    ASSERT_TRUE(testing_support::waitUntil([&] { return window->currentMovieDuration() == qint64(7000); },
                                           std::chrono::milliseconds(5000)))
        << window->currentMovieDuration();

    // The player's side of the link as an outside program.
    QProcess peer;
    peer.start(QStringLiteral(GAZE_BIN_DIR "/link-peer"),
               {"--title", "Orvalis Reelscan Gazelog", "duration:9000", "close"});
    ASSERT_TRUE(peer.waitForStarted());
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return !window->isVisible(); }, std::chrono::milliseconds(5000)));
    EXPECT_EQ(window->currentMovieDuration(), 9000);
    peer.waitForFinished(5000);
    EXPECT_EQ(peer.exitCode(), 0);
}
