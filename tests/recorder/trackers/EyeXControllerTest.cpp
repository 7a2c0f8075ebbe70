#include "recorder/trackers/EyeXController.h"
#include "ControllerSignals.h"
#include "TestEnvironment.h"
#include "mocks/FakePrompt.h"
#include "mocks/ScriptedEngine.h"

#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <utility>

using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

class EyeXTest : public ::testing::Test
{
protected:
    EyeXTest()
    {
        controller.setWallClock([this] { return now; });
        controller.setReconnectIntervalMs(5);
    }

    // Connects and starts an examination whose movie time is 0 now.
    void startRecording()
    {
        controller.tryConnectToServer();
        engine.reportState(1);
        controller.startExamination();
        controller.setSynchronizationTime(0);
    }

    std::vector<std::pair<int, GazePoint>> timedPoints()
    {
        std::vector<std::pair<int, GazePoint>> out;
        for (const GazePoint& p : controller.gazePoints())
            out.emplace_back(p.time, p);
        return out;
    }

    ScriptedEngine engine;
    FakePrompt prompt;
    EyeXController controller{prompt};
    ControllerSignals signals{&controller};
    qint64 now = 1'700'000'000'000;
};

} // namespace

TEST_F(EyeXTest, EngineStatesReachTheWindowAsTrackerStatesFiveToNine)
{
    EXPECT_FALSE(controller.isReadyForExamination()) << "no context yet";
    controller.tryConnectToServer();
    EXPECT_EQ(engine.opens, 1);
    EXPECT_FALSE(controller.isReadyForExamination()) << "still trying to connect";

    engine.reportState(1);
    EXPECT_TRUE(controller.isReadyForExamination());
    EXPECT_EQ(engine.subscribedMode, 2) << "the snapshot asks for gaze points once connected";
    engine.reportState(2);
    EXPECT_FALSE(controller.isReadyForExamination());
    engine.reportState(4);
    engine.reportState(5);
    engine.reportState(7);

    EXPECT_EQ(signals.trackerStates, (std::vector<int>{7, 5, 6, 8, 9, 11}));
    EXPECT_EQ(signals.connections, (std::vector<bool>{false, true, false, false, false, false}));
}

TEST_F(EyeXTest, AFailedConnectionIsRetriedUntilTheEngineAnswers)
{
    engine.stateOnOpen = 2;
    controller.tryConnectToServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine.opens >= 3; }, 5000));
    engine.stateOnOpen = 3;
    ASSERT_TRUE(QTest::qWaitFor([&] { return signals.trackerStates.back() == 7; }, 5000));
    const int opens = engine.opens;
    QTest::qWait(50);
    EXPECT_EQ(engine.opens, opens) << "trying to connect is no failure";

    // A new attempt replaces the old connection rather than adding to it.
    controller.tryConnectToServer();
    EXPECT_EQ(engine.opens, opens + 1);
    engine.reportState(1);
    EXPECT_TRUE(controller.isReadyForExamination());
}

TEST_F(EyeXTest, InitialSignalsReportTheStateAndCalibrationWithoutInformation)
{
    controller.emitInitialSignals();
    EXPECT_EQ(signals.trackerStates, std::vector<int>{6});
    EXPECT_EQ(signals.connections, std::vector<bool>{false});
    EXPECT_EQ(signals.calibrations, (std::vector<std::pair<bool, int>>{{true, 6}}));

    // Nothing to calibrate or configure: these only log.
    controller.runCalibration();
    controller.setScreen(1);
    controller.setFps(30);
    EXPECT_TRUE(signals.calibrations.size() == 1 && controller.serverArguments().isEmpty());
}

TEST_F(EyeXTest, InstalledWhenTheSettingsProgramIsInTheTobiiFolder)
{
    TempDir programs;
    ScopedEnv env;
    env.set("ProgramFiles", programs.path().string());
    env.set("ProgramFiles(x86)", std::nullopt);
    EXPECT_FALSE(controller.isInstalled());
    std::filesystem::create_directories(programs / "Tobii/Tobii EyeX");
    writeFile(programs / "Tobii/Tobii EyeX/Tobii.EyeX.Engine", "");
    EXPECT_FALSE(controller.isInstalled()) << "the engine alone is not enough";

    EyeXController installed(prompt);
    writeFile(programs / "Tobii/Tobii EyeX/Tobii.EyeX.Settings", "");
    EXPECT_TRUE(installed.isInstalled());

    TempDir other;
    env.set("ProgramFiles(x86)", other.path().string());
    EXPECT_FALSE(installed.isInstalled()) << "the x86 folder comes first when set";
}

TEST_F(EyeXTest, GazeEventsBecomeSamplesStampedWithMovieTime)
{
    controller.tryConnectToServer();
    engine.reportState(1);
    engine.sendGaze(5000, 1, 1);
    EXPECT_TRUE(controller.gazePoints().empty()) << "no examination";

    controller.startExamination();
    controller.setSynchronizationTime(2000);
    engine.sendGaze(5010, 640.5, 360.25);
    now += 16;
    engine.sendGaze(5026, 650, 370);
    controller.setExaminationPaused(true);
    now += 16;
    engine.sendGaze(5042, 660, 380);
    controller.setExaminationPaused(false);

    const auto points = timedPoints();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].first, 2000);
    EXPECT_EQ(points[1].first, 2016);
    const GazePoint& p = points[0].second;
    EXPECT_EQ(p.state, GazePoint::StateGazeTracked);
    EXPECT_EQ(p.fix, 0);
    EXPECT_FLOAT_EQ(p.avg.x, 640.5f);
    EXPECT_FLOAT_EQ(p.avg.y, 360.25f);
    EXPECT_EQ(p.lefteye.psize, 0);
    EXPECT_EQ(p.righteye.psize, 0);
}

TEST_F(EyeXTest, AGapOverFiftyMsIsABlinkFilledWithSamplesAtThirtyHertz)
{
    startRecording();
    engine.sendGaze(1000, 100, 100);
    now += 10;
    engine.sendGaze(1050, 100, 100); // exactly 50 ms: no blink
    now += 100;
    engine.sendGaze(1101, 400, 700); // 51 ms: a blink, 100 ms of movie time since the last sample

    const auto points = timedPoints();
    ASSERT_EQ(points.size(), 5u) << "the blink sample itself falls on the last filler and is dropped";
    EXPECT_EQ(points[1].second.state, GazePoint::StateGazeTracked);
    const int expectedTimes[] = {43, 76, 110};
    const float expectedX[] = {200, 300, 400};
    const float expectedY[] = {300, 500, 700};
    for (int k = 0; k < 3; ++k) {
        const GazePoint& filler = points[2 + k].second;
        EXPECT_EQ(points[2 + k].first, expectedTimes[k]);
        EXPECT_EQ(filler.state, GazePoint::StateBlink);
        EXPECT_TRUE(filler.isValid());
        EXPECT_FLOAT_EQ(filler.avg.x, expectedX[k]);
        EXPECT_FLOAT_EQ(filler.avg.y, expectedY[k]);
        EXPECT_EQ(filler.lefteye.psize, 0);
    }

    // A short blink gives no filler; the blink sample is stored marked as one.
    now += 20;
    engine.sendGaze(1200, 410, 710);
    const auto later = timedPoints();
    ASSERT_EQ(later.size(), 6u);
    EXPECT_EQ(later.back().first, 130);
    EXPECT_EQ(later.back().second.state, GazePoint::StateBlink);
}

TEST_F(EyeXTest, TheFirstSampleOfARecordingIsNeverABlink)
{
    controller.tryConnectToServer();
    engine.reportState(1);
    controller.startExamination();
    engine.sendGaze(1000, 1, 1); // not stored: no movie time yet
    controller.setSynchronizationTime(0);
    now += 500;
    engine.sendGaze(9000, 2, 2);

    const auto points = timedPoints();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].first, 500);
    EXPECT_EQ(points[0].second.state, GazePoint::StateGazeTracked);
}

TEST_F(EyeXTest, EventsAfterDisconnectingAreNotDelivered)
{
    startRecording();
    engine.sendGaze(1000, 1, 1);
    controller.disconnectFromServer();
    EXPECT_EQ(engine.sink, nullptr);
    EXPECT_FALSE(controller.isReadyForExamination());
    now += 10;
    engine.sendGaze(1010, 1, 1);
    EXPECT_EQ(controller.gazePoints().size(), 1u);
}

TEST_F(EyeXTest, TheDisplayIsAskedForOnConnectingAndKnownOnceBothAnswersArrived)
{
    controller.tryConnectToServer();
    EXPECT_TRUE(engine.requestedStates.empty()) << "nothing is asked before the engine is reached";
    engine.reportState(1);
    EXPECT_EQ(engine.requestedStates,
              (std::vector<std::string>{"eyeTracking.displaySize", "eyeTracking.screenBounds"}));
    EXPECT_EQ(controller.trackerScreen(), std::nullopt);

    // An answer of the wrong shape, or for a path nobody asked, changes nothing.
    engine.answerState("eyeTracking.displaySize", {531.2});
    engine.answerState("eyeTracking.somethingElse", {1, 2});
    engine.answerState("eyeTracking.screenBounds", {0, 0, 2560, 1440});
    EXPECT_EQ(controller.trackerScreen(), std::nullopt) << "the physical size is still unknown";

    // The engine comes back: it is asked again.
    engine.reportState(2);
    engine.reportState(1);
    EXPECT_EQ(engine.requestedStates.size(), 4u);
    engine.answerState("eyeTracking.displaySize", {531.4, 298.9});
    EXPECT_EQ(controller.trackerScreen(), (TrackerScreen{2560, 1440, 531, 299}));
}

TEST_F(EyeXTest, ADisplayOfNoSizeIsNoDisplay)
{
    controller.tryConnectToServer();
    engine.reportState(1);
    engine.answerState("eyeTracking.screenBounds", {0, 0, 1920, 1080});
    engine.answerState("eyeTracking.displaySize", {0, 299});
    EXPECT_EQ(controller.trackerScreen(), std::nullopt);
    engine.reportState(2);
    engine.reportState(1);
    engine.answerState("eyeTracking.displaySize", {1e300, 299});
    EXPECT_EQ(controller.trackerScreen(), std::nullopt);
}
