#include "sim/eyex/EyeXEngine.h"
#include "ControllerSignals.h"
#include "TestEnvironment.h"
#include "mocks/FakePrompt.h"
#include "recorder/trackers/EyeXController.h"
#include "recorder/trackers/ProcessControl.h"
#include "recorder/trackers/eyex/LocalSocketLink.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using testing_support::ScopedEnv;

namespace {

struct RecordingSink : eyex::EngineSink
{
    void connectionState(int state) override { states.push_back(state); }
    void gazePoint(double timestampMs, double x, double y) override { gaze.push_back({timestampMs, x, y}); }
    void stateValue(const std::string& path, const std::vector<double>& values) override
    {
        stateValues.emplace_back(path, values);
    }
    std::vector<int> states;
    std::vector<std::pair<std::string, std::vector<double>>> stateValues;
    std::vector<std::array<double, 3>> gaze;
};

std::unique_ptr<sim::EyeXEngine> startEngine(int state = 1)
{
    sim::EyeXEngine::Options options;
    options.socketPath = QString::fromStdString(eyex::LocalSocketLink::defaultSocketPath());
    options.rateHz = 200;
    options.connectionState = state;
    auto engine = std::make_unique<sim::EyeXEngine>(options);
    QString error;
    EXPECT_TRUE(engine->start(error)) << error.toStdString();
    return engine;
}

void endProgram(const std::string& name)
{
    while (const pid_t pid = findProcessId(name))
        killProcess(pid);
}

} // namespace

TEST(EyeXEngineLineTest, OnlyWellFormedEngineLinesReachTheSink)
{
    RecordingSink sink;
    EXPECT_TRUE(eyex::LocalSocketLink::dispatchLine("state 4", sink));
    EXPECT_TRUE(eyex::LocalSocketLink::dispatchLine("gaze 12.5 640 -3", sink));
    EXPECT_TRUE(eyex::LocalSocketLink::dispatchLine("value eyeTracking.displaySize 531 299.5", sink));
    for (const char* bad : {"", "state", "state x", "state 1 2", "gaze 1 2", "gaze 1 2 3 4", "hello 1",
                            "value", "value eyeTracking.displaySize", "value a;b 1", "value p 1 x",
                            "value p nan", "value p 1 2 3 4 5 6 7 8 9"})
        EXPECT_FALSE(eyex::LocalSocketLink::dispatchLine(bad, sink)) << bad;
    EXPECT_EQ(sink.states, std::vector<int>{4});
    ASSERT_EQ(sink.gaze.size(), 1u);
    EXPECT_EQ(sink.gaze[0], (std::array<double, 3>{12.5, 640, -3}));
    ASSERT_EQ(sink.stateValues.size(), 1u);
    EXPECT_EQ(sink.stateValues[0].first, "eyeTracking.displaySize");
    EXPECT_EQ(sink.stateValues[0].second, (std::vector<double>{531, 299.5}));
}

TEST(EyeXEngineTest, ControllerRecordsGazeFromTheEngineAndFollowsItsComingsAndGoings)
{
    FakePrompt prompt;
    EyeXController controller(prompt);
    ControllerSignals signals(&controller);
    controller.tryConnectToServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !signals.trackerStates.empty(); }, 5000));
    EXPECT_EQ(signals.trackerStates.front(), 7) << "no engine yet: trying to connect";
    EXPECT_FALSE(controller.isReadyForExamination());

    auto engine = startEngine();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isReadyForExamination(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine->subscriberCount() == 1; }, 5000));
    controller.startExamination();
    controller.setSynchronizationTime(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.gazePoints().size() >= 5; }, 5000));
    for (const GazePoint& point : controller.gazePoints()) {
        EXPECT_GE(point.time, 0);
        EXPECT_TRUE(point.isValid());
        EXPECT_GT(point.avg.x, 500);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.trackerScreen().has_value(); }, 5000));
    EXPECT_EQ(controller.trackerScreen(), (TrackerScreen{1920, 1080, 531, 299})) << "the engine's display";
    controller.endExamination(false, {}, {}, {}, false, 0);

    engine.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isReadyForExamination(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return signals.trackerStates.back() == 7; }, 5000));
    EXPECT_NE(std::find(signals.trackerStates.begin(), signals.trackerStates.end(), 6),
              signals.trackerStates.end());

    engine = startEngine(4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return signals.trackerStates.back() == 8; }, 5000)) << "engine too old";
    EXPECT_FALSE(controller.isReadyForExamination());
}

TEST(EyeXEngineTest, AConnectionUnderWayIsJudgedByTheStateItReachesAndNotRebuilt)
{
    // Given no engine yet, and a controller that would retry quickly after a failure,
    FakePrompt prompt;
    EyeXController controller(prompt);
    controller.setReconnectIntervalMs(5);
    ControllerSignals signals(&controller);

    // when it connects,
    controller.tryConnectToServer();
    QTest::qWait(200);

    // then it is trying to connect from the first instant, and keeps trying on the same link.
    EXPECT_EQ(signals.trackerStates, std::vector<int>{7});
    auto engine = startEngine();
    ASSERT_TRUE(QTest::qWaitFor([&] { return signals.trackerStates.size() == 2; }, 5000));
    EXPECT_EQ(signals.trackerStates, (std::vector<int>{7, 5}));
}

TEST(EyeXEngineTest, AStatisticsQuestionLeftOpenForSecondsNeitherHangsNorLosesTheTracker)
{
    testing_support::TempDir dir;
    auto engine = startEngine();
    // The operator reads the question for two seconds; meanwhile the link is rebuilt, as a
    // reconnect does, while gaze keeps arriving on the link's thread.
    struct SlowOperator : FakePrompt
    {
        bool question(const QString& title, const QString& text) override
        {
            QEventLoop dialog;
            QTimer::singleShot(500, [this] { controller->tryConnectToServer(); });
            QTimer::singleShot(2000, &dialog, &QEventLoop::quit);
            dialog.exec();
            return FakePrompt::question(title, text);
        }
        EyeXController* controller = nullptr;
    } slowOperator;
    EyeXController controller(slowOperator);
    slowOperator.controller = &controller;
    controller.tryConnectToServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isReadyForExamination(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine->subscriberCount() == 1; }, 5000));
    controller.startExamination();
    controller.setSynchronizationTime(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.gazePoints().size() >= 5; }, 5000));

    const QString path = QString::fromStdString((dir / "r.csv").string());
    EXPECT_TRUE(controller.endExamination(true, path, {}, QRect(0, 0, 1920, 1080), false, 0));
    EXPECT_TRUE(std::filesystem::exists(dir / "r.csv"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return controller.isReadyForExamination(); }, 5000));
}

// Starts the stand-in programs by their fixed names.
TEST(EyeXProgramsTest, InitialSignalsStartTheEngineAndTheSettingsProgram)
{
    ScopedEnv env;
    env.set("ProgramFiles", std::string(GAZE_SIM_DIR));
    env.set("ProgramFiles(x86)", std::nullopt);
    endProgram("Tobii.EyeX.Engine");
    endProgram("Tobii.EyeX.Settings");
    {
        FakePrompt prompt;
        EyeXController controller(prompt);
        ASSERT_TRUE(controller.isInstalled());
        controller.setServerRerunIntervals(50, 200);
        ControllerSignals signals(&controller);
        controller.emitInitialSignals();
        ASSERT_TRUE(QTest::qWaitFor([&] { return findProcessId("Tobii.EyeX.Settings") != 0; }, 10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isReadyForExamination(); }, 10000));
        EXPECT_NE(findProcessId("Tobii.EyeX.Engine"), 0);
    }
    EXPECT_EQ(findProcessId("Tobii.EyeX.Settings"), 0) << "the settings program ends with its controller";
    endProgram("Tobii.EyeX.Engine");
}
