#include "ControllerSignals.h"
#include "TestEnvironment.h"
#include "XvfbDisplay.h"
#include "mocks/FakePrompt.h"
#include "platform/x11_windows.h"
#include "recorder/trackers/EyeTribeController.h"
#include "recorder/trackers/ProcessControl.h"
#include "sim/eyetribe/EyeTribeServer.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <gtest/gtest.h>

// These tests run the installed stand-ins under their real program names, with
// ProgramFiles pointing at the build's stand-in folder.

namespace {

unsigned short freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QByteArray commandLine(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

pid_t serverPid()
{
    return findProcessId("EyeTribe");
}

pid_t calibrationProgramPid()
{
    return findProcessId("EyeTribeUIWin");
}

// Installed stand-ins, and child programs that draw on the test's display.
class EyeTribePrograms : public ::testing::Test
{
protected:
    EyeTribePrograms()
    {
        qputenv("ProgramFiles", GAZE_SIM_DIR);
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    ~EyeTribePrograms() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        for (pid_t pid = serverPid(); pid != 0; pid = serverPid())
            killProcess(pid);
        for (pid_t pid = calibrationProgramPid(); pid != 0; pid = calibrationProgramPid())
            killProcess(pid);
    }

    std::unique_ptr<EyeTribeController> makeController(QObject* parent = nullptr)
    {
        auto controller = std::make_unique<EyeTribeController>(prompt, parent);
        controller->setRetryIntervals(20, 50, 400);
        controller->setServerRerunIntervals(50, 200);
        return controller;
    }

    FakePrompt prompt;
};

} // namespace

TEST_F(EyeTribePrograms, TheServerIsStartedWithTheChosenFrequencyRestartedOnceAndStoppedAtTheEnd)
{
    auto controller = makeController();
    ASSERT_TRUE(controller->isInstalled()) << "stand-ins in " << GAZE_SIM_DIR;
    controller->setPort(freePort());
    ControllerSignals reported(controller.get());

    controller->setFps(30);
    controller->emitInitialSignals();
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));
    const pid_t first = serverPid();
    ASSERT_NE(first, 0);
    EXPECT_TRUE(commandLine(first).contains(QByteArray("--framerate=30\0", 15)));

    reported.connections.clear();
    controller->connectToServer(true);
    controller->connectToServer(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.connected(); }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(reported.connections, (std::vector<bool>{false, true}))
        << "disconnected for the restart, connected once after it";
    EXPECT_NE(serverPid(), first);

    controller.reset();
    EXPECT_EQ(serverPid(), 0) << "the server ends with the controller";
}

TEST_F(EyeTribePrograms, TheCalibrationProgramIsStartedFoundAndBroughtForward)
{
    testing_support::XvfbDisplay xvfb;
    if (!xvfb.available())
        GTEST_SKIP() << xvfb.whyNot();
    sim::ServerOptions options;
    options.port = 0;
    sim::EyeTribeServer server(options);
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;

    auto controller = makeController();
    controller->setPort(server.port());
    controller->runCalibration();
    ASSERT_TRUE(QTest::qWaitFor([] { return calibrationProgramPid() != 0; }, 5000));
    const pid_t program = calibrationProgramPid();
    EXPECT_TRUE(
        commandLine(program).contains(QByteArray::fromStdString("--port=" + std::to_string(server.port()))));
    auto onTop = [program] {
        const auto windows = platform::topLevelWindows();
        return !windows.empty() && windows.back().pid == program && windows.back().visible;
    };
    ASSERT_TRUE(QTest::qWaitFor(onTop, 5000));

    // Something else covers it; the next request brings it back without a second program.
    QProcess cover;
    cover.start(QStringLiteral(X11_WINDOW_HELPER), {QStringLiteral("visible")});
    ASSERT_TRUE(cover.waitForReadyRead(5000));
    ASSERT_FALSE(onTop());
    controller->runCalibration();
    EXPECT_TRUE(onTop());
    EXPECT_EQ(calibrationProgramPid(), program);

    controller.reset();
    EXPECT_EQ(calibrationProgramPid(), 0) << "the calibration program ends with the controller";
    cover.closeWriteChannel();
    cover.waitForFinished(3000);
}

TEST_F(EyeTribePrograms, ACalibrationResultOnScreenLeadsToTheStepsAfterCalibration)
{
    testing_support::XvfbDisplay xvfb;
    if (!xvfb.available())
        GTEST_SKIP() << xvfb.whyNot();
    sim::ServerOptions options;
    options.port = 0;
    sim::EyeTribeServer server(options);
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;

    QObject window;
    int activations = 0;
    auto controller = makeController(&window);
    controller->setParentActivator([&activations] { ++activations; });
    controller->setPort(server.port());
    ControllerSignals reported(controller.get());
    controller->tryConnectToServer();

    QProcess program;
    program.start(QString::fromUtf8(GAZE_SIM_DIR "/EyeTribe/Client/EyeTribeUIWin"),
                  {QStringLiteral("--port=%1").arg(server.port()), QStringLiteral("--calibrate"),
                   QStringLiteral("--points=9"), QStringLiteral("--point-ms=5")});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported.calibrated(); }, 10000))
        << program.readAllStandardError().toStdString();
    EXPECT_EQ(reported.calibrations.back().second, 5);
    QTest::qWait(50);
    EXPECT_EQ(reported.afterCalibrationRequests, 1) << "the result window was on screen";
    EXPECT_EQ(activations, 0) << "the result is still shown";

    program.kill();
    program.waitForFinished();
    controller->afterCalibration();
    EXPECT_EQ(activations, 1) << "back to the recorder once the result is gone";
}
