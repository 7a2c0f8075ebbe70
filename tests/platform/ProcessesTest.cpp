#include "platform/processes.h"

#include <QObject>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

// A process that stays when asked to end: a signal ignored before exec stays ignored.
struct Stubborn
{
    Stubborn()
    {
        process.start(QStringLiteral("/bin/bash"),
                      {QStringLiteral("-c"), QStringLiteral("trap '' TERM; exec /bin/sleep 600")});
        EXPECT_TRUE(process.waitForStarted());
        pid = static_cast<pid_t>(process.processId());
        // Its name once bash has become sleep.
        EXPECT_TRUE(QTest::qWaitFor([&] { return platform::processName(pid) == "sleep"; }, 5000));
    }
    ~Stubborn()
    {
        process.kill();
        process.waitForFinished();
    }

    QProcess process;
    pid_t pid = 0;
};

} // namespace

TEST(Processes, TheGuardRefusesTheFirstProcessesAndThisOne)
{
    for (const pid_t pid : {pid_t(-1), pid_t(0), pid_t(1), ::getpid()}) {
        EXPECT_EQ(platform::signalProcess(pid, 0), EPERM) << pid;
        EXPECT_EQ(platform::endProcessLater(pid, "x", 10), EPERM) << pid;
        EXPECT_FALSE(platform::endProcess(pid, 10)) << pid;
    }
}

TEST(Processes, AProcessThatStaysIsKilledAfterTheGraceAndTheHooksHearIt)
{
    // Given a process that ignores the request to end
    Stubborn stubborn;
    std::vector<int> sent;
    int beforeKill = 0;
    std::optional<int> killed;
    auto owner = std::make_unique<QObject>();
    platform::EndingHooks hooks;
    hooks.sendSignal = [&](pid_t pid, int signal) {
        sent.push_back(signal);
        return ::kill(pid, signal) == 0 ? 0 : errno;
    };
    hooks.beforeKill = [&] { ++beforeKill; };
    hooks.killed = [&](int error) { killed = error; };
    hooks.owner = owner.get();

    // When it is asked to end with a grace
    ASSERT_EQ(platform::endProcessLater(stubborn.pid, "sleep", 50, hooks), 0);

    // Then it is killed once the grace is over, and the hooks hear each step
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return killed.has_value() && stubborn.process.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(stubborn.process.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(sent, (std::vector<int>{SIGTERM, SIGKILL}));
    EXPECT_EQ(beforeKill, 1);
    EXPECT_EQ(*killed, 0);

    // A process that has gone by then is not asked
    EXPECT_EQ(platform::endProcessLater(stubborn.pid, "sleep", 50, hooks), ESRCH);

    // Whoever gave the hooks may go: the process is killed all the same, and nobody is called
    Stubborn second;
    const std::size_t sentBefore = sent.size();
    ASSERT_EQ(platform::endProcessLater(second.pid, "sleep", 50, hooks), 0);
    owner.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.process.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(second.process.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(beforeKill, 1);
    EXPECT_EQ(sent.size(), sentBefore + 1) << "the request only; the kill went without the hooks";
}

TEST(Processes, AProcessOfAnotherNameIsNotKilled)
{
    // Given a process whose id now runs another program than the one asked to end
    Stubborn stubborn;
    ASSERT_EQ(platform::endProcessLater(stubborn.pid, "not-sleep", 20), 0);
    QTest::qWait(200);
    EXPECT_EQ(stubborn.process.state(), QProcess::Running);
}
