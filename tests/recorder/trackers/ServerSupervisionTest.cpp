#include "TestEnvironment.h"
#include "mocks/FakePrompt.h"
#include "recorder/trackers/EyeTrackerController.h"
#include "recorder/trackers/ProcessControl.h"
#include "recorder/trackers/ServerSupervisor.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// A controller whose server is a copy of sleep under a name of its own, so that
// no other program's processes are touched.
class SupervisedController : public EyeTrackerController
{
public:
    SupervisedController(OperatorPrompt& prompt, const QString& name, const QString& path)
        : EyeTrackerController(prompt)
    {
        serverProcessName = name;
        serverCommand = '"' + path + '"';
        setServerRerunIntervals(20, 40);
    }

    void emitInitialSignals() override {}
    bool isReadyForExamination() override { return false; }
    bool isInstalled() override { return true; }
    void setScreen(int) override {}
    void setFps(int) override {}
    void disconnectFromServer() override { ++disconnects; }
    QStringList serverArguments() override { return {QStringLiteral("30")}; }
    void tryConnectToServer() override { ++connects; }
    bool isConnectedToServer() const override { return connected; }
    void runCalibration() override {}
    void afterCalibration() override {}

    int disconnects = 0;
    int connects = 0;
    bool connected = false;
};

class ServerSupervision : public ::testing::Test
{
protected:
    ServerSupervision()
    {
        name = QStringLiteral("FakeServer%1").arg(::getpid());
        path = QString::fromStdString((dir / name.toStdString()).string());
        std::filesystem::copy_file("/bin/sleep", path.toStdString());
    }
    ~ServerSupervision() override
    {
        for (pid_t pid = serverPid(); pid != 0; pid = serverPid())
            killProcess(pid);
    }

    pid_t serverPid() const { return findProcessId(name.toStdString()); }

    pid_t startServerOurselves()
    {
        qint64 pid = 0;
        EXPECT_TRUE(QProcess::startDetached(path, {QStringLiteral("30")}, QString(), &pid));
        return static_cast<pid_t>(pid);
    }

    static QByteArray commandLine(pid_t pid)
    {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    testing_support::TempDir dir;
    QString name;
    QString path;
    FakePrompt prompt;
};

} // namespace

TEST_F(ServerSupervision, AServerThatIsNotRunningIsStartedThenFoundAndConnected)
{
    SupervisedController controller(prompt, name, path);
    controller.connectToServer();
    EXPECT_EQ(controller.connects, 0) << "the server needs time to come up";
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return serverPid() != 0; }, std::chrono::milliseconds(3000)));
    EXPECT_TRUE(commandLine(serverPid())
                    .endsWith(QByteArray("\0"
                                         "30\0",
                                         4)))
        << "started with its arguments";
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return controller.connects == 1; }, std::chrono::milliseconds(3000)))
        << controller.connects;
    EXPECT_EQ(controller.disconnects, 0);
}

TEST_F(ServerSupervision, AStartedServerTheLinkReachedMeanwhileIsNotConnectedAgain)
{
    SupervisedController controller(prompt, name, path);
    controller.connectToServer();
    controller.connected = true;
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return serverPid() != 0; }, std::chrono::milliseconds(3000)));
    const auto* supervisor = controller.findChild<ServerSupervisor*>();
    ASSERT_NE(supervisor, nullptr);
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return supervisor->state() == ServerSupervisor::State::Idle; },
                                   std::chrono::milliseconds(3000)));
    EXPECT_EQ(controller.connects, 0) << "a second connect would drop the link's own connection";
    EXPECT_EQ(controller.disconnects, 0);

    controller.connectToServer();
    EXPECT_EQ(controller.connects, 1) << "an operator's request still connects anew";
}

TEST_F(ServerSupervision, RestartRequestsWithinTheWaitKillOnceAndConnectOnce)
{
    const pid_t first = startServerOurselves();
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return serverPid() == first; }, std::chrono::milliseconds(3000)))
        << serverPid();

    SupervisedController controller(prompt, name, path);
    controller.connectToServer(true);
    controller.connectToServer(true);
    EXPECT_EQ(controller.disconnects, 1) << "the second request joins the scheduled re-run";
    EXPECT_EQ(controller.connects, 0) << "the window thread never waits for the server to end";

    ASSERT_TRUE(
        testing_support::waitUntil([&] { return controller.connects == 1; }, std::chrono::milliseconds(3000)))
        << controller.connects;
    EXPECT_NE(serverPid(), first) << "ended before the re-run";
    QTest::qWait(100);
    EXPECT_EQ(controller.connects, 1);
    EXPECT_EQ(controller.disconnects, 1);
    const pid_t second = serverPid();
    EXPECT_NE(second, 0);
    killProcess(second);
    EXPECT_EQ(serverPid(), 0) << "exactly one server was started again";
}

TEST_F(ServerSupervision, ARestartWithoutARunningServerStartsItLikeANormalRequest)
{
    SupervisedController controller(prompt, name, path);
    controller.connectToServer(true);
    EXPECT_EQ(controller.disconnects, 1);
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return serverPid() != 0; }, std::chrono::milliseconds(3000)));
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return controller.connects == 1; }, std::chrono::milliseconds(3000)))
        << controller.connects;
}

TEST_F(ServerSupervision, AProcessNamedDifferentlyOnlyInLetterCaseIsNotTheServer)
{
    const QString lowerPath = QString::fromStdString((dir / name.toLower().toStdString()).string());
    std::filesystem::copy_file("/bin/sleep", lowerPath.toStdString());
    QProcess impostor;
    impostor.start(lowerPath, {QStringLiteral("30")});
    ASSERT_TRUE(impostor.waitForStarted());

    SupervisedController controller(prompt, name, path);
    controller.connectToServer();
    EXPECT_EQ(controller.connects, 0) << "not taken for the running server";
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return serverPid() != 0; }, std::chrono::milliseconds(3000)));
    EXPECT_NE(serverPid(), static_cast<pid_t>(impostor.processId()));
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return controller.connects == 1; }, std::chrono::milliseconds(3000)))
        << controller.connects;
    impostor.kill();
    impostor.waitForFinished();
}

TEST_F(ServerSupervision, AServerThatCannotStartIsTriedAgainWithoutConnecting)
{
    SupervisedController controller(prompt, name, path + QStringLiteral("-missing"));
    controller.connectToServer();
    QTest::qWait(200);
    EXPECT_EQ(controller.connects, 0);
    EXPECT_EQ(serverPid(), 0);
}

TEST_F(ServerSupervision, AServerThatIgnoresTheRequestToEndIsKilledWhenWeLookAgain)
{
    // A signal ignored before exec stays ignored: this server does not end when asked.
    qint64 stubborn = 0;
    ASSERT_TRUE(QProcess::startDetached(
        QStringLiteral("/bin/bash"),
        {QStringLiteral("-c"), QStringLiteral("trap '' TERM; exec '%1' 30").arg(path)}, QString(),
        &stubborn));
    ASSERT_TRUE(testing_support::waitUntil([&] { return serverPid() == static_cast<pid_t>(stubborn); },
                                           std::chrono::milliseconds(3000)))
        << serverPid();

    SupervisedController controller(prompt, name, path);
    controller.connectToServer(true);
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return controller.connects == 1; }, std::chrono::milliseconds(3000)))
        << controller.connects;
    EXPECT_NE(serverPid(), static_cast<pid_t>(stubborn));
    EXPECT_NE(serverPid(), 0) << "started again after it was killed";
}

namespace {

// The supervisor on its own, with what it does to the server counted;
// `surroundings` sets what it finds around the server.
struct Supervised
{
    explicit Supervised(const QString& name,
                        const std::function<void(ServerSupervisor::Actions&)>& surroundings = nullptr)
    {
        ServerSupervisor::Actions actions;
        actions.processName = [name] { return name.toStdString(); };
        actions.disconnect = [] {};
        actions.tryConnect = [this] { ++connects; };
        actions.startServer = [this] { ++starts; };
        actions.isConnected = [] { return false; };
        actions.sendSignal = [this](pid_t pid, int signal) {
            sent.push_back(signal);
            return signalResult ? signalResult(pid, signal) : 0;
        };
        actions.tell = [this](const QString& text) { told << text; };
        if (surroundings)
            surroundings(actions);
        supervisor = std::make_unique<ServerSupervisor>(std::move(actions));
        supervisor->setIntervals(40, 60);
    }

    std::unique_ptr<ServerSupervisor> supervisor;
    std::function<int(pid_t, int)> signalResult; // null: every signal is sent and does nothing
    std::vector<int> sent;
    int connects = 0;
    int starts = 0;
    QStringList told;
};

} // namespace

TEST_F(ServerSupervision, AServerThatCannotBeSignalledIsConnectedToAsItRunsAndTheOperatorTold)
{
    // Given a server of another user's: every signal fails with EPERM
    const pid_t server = startServerOurselves();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverPid() == server; }, 3000));
    Supervised supervised(name);
    supervised.signalResult = [](pid_t, int) { return EPERM; };

    // When a restart is asked for, twice
    for (int request = 1; request <= 2; ++request) {
        supervised.supervisor->request(true);

        // Then the server is connected to as it runs, the operator hears why, and nothing waits
        EXPECT_EQ(supervised.connects, request);
        EXPECT_EQ(supervised.starts, 0);
        ASSERT_EQ(supervised.told.size(), request);
        EXPECT_TRUE(supervised.told.last().contains(QString::fromLocal8Bit(std::strerror(EPERM))))
            << supervised.told.last().toStdString();
        EXPECT_EQ(supervised.supervisor->state(), ServerSupervisor::State::Idle);
    }
    EXPECT_EQ(serverPid(), server);
}

TEST_F(ServerSupervision, AServerThatOutlivesEveryKillIsGivenUpAfterABound)
{
    // Given a server on which signals have no effect
    const pid_t server = startServerOurselves();
    ASSERT_TRUE(QTest::qWaitFor([&] { return serverPid() == server; }, 3000));
    Supervised supervised(name);

    supervised.supervisor->setIntervals(2000, 60);
    QElapsedTimer clock;
    std::vector<qint64> sentAt;
    supervised.signalResult = [&](pid_t, int) {
        sentAt.push_back(clock.elapsed());
        return 0;
    };

    // When it is restarted
    clock.start();
    supervised.supervisor->request(true);

    // Then the first kill comes before the look at 2 s, not at it
    ASSERT_TRUE(QTest::qWaitFor([&] { return supervised.sent.size() >= 2; }, 5000));
    EXPECT_LT(sentAt[1], 2000);

    // and after a bounded number of kills the server is connected to as it runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return supervised.connects == 1; }, 10000));
    EXPECT_EQ(supervised.sent, (std::vector<int>{SIGTERM, SIGKILL, SIGKILL, SIGKILL}));
    EXPECT_EQ(supervised.told.size(), 1);
    EXPECT_EQ(supervised.starts, 0);
    QTest::qWait(200);
    EXPECT_EQ(supervised.sent.size(), 4u);
    EXPECT_EQ(supervised.supervisor->state(), ServerSupervisor::State::Idle);
}

TEST_F(ServerSupervision, AnUnreadableProcessListStartsNoServer)
{
    // Given a process list that cannot be read
    Supervised supervised(name, [](ServerSupervisor::Actions& actions) {
        actions.findProcess = [](const std::string&) { return std::optional<pid_t>(); };
    });
    supervised.supervisor->setIntervals(20, 20);

    // When the server is asked for, and looked at again
    supervised.supervisor->request(false);
    supervised.supervisor->request(true);
    QTest::qWait(100);

    // Then no server is started on a guess, and the link tries whatever runs
    EXPECT_EQ(supervised.starts, 0);
    EXPECT_EQ(supervised.connects, 2);
    EXPECT_EQ(supervised.supervisor->state(), ServerSupervisor::State::Idle);
}

TEST_F(ServerSupervision, APortAnotherProgramListensOnStartsNoServer)
{
    // Given no server process, but another program on the server's port
    Supervised supervised(
        name, [](ServerSupervisor::Actions& actions) { actions.portTaken = [] { return true; }; });
    supervised.supervisor->setIntervals(20, 20);

    // When the server is asked for
    supervised.supervisor->request(false);
    QTest::qWait(100);

    // Then a server that could only fail on the port is not started; the link tries what answers there
    EXPECT_EQ(supervised.starts, 0);
    EXPECT_EQ(supervised.connects, 1);
    EXPECT_EQ(supervised.supervisor->state(), ServerSupervisor::State::Idle);
}
