#include "platform/process_watch.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>

using platform::ProcessExitWatcher;

TEST(ProcessWatch, AnEndedProcessIsReportedAtOnceAndOnlyTheWatchedOne)
{
    QProcess watched;
    QProcess other;
    watched.start(QStringLiteral("/bin/sleep"), {QStringLiteral("600")});
    other.start(QStringLiteral("/bin/sleep"), {QStringLiteral("600")});
    ASSERT_TRUE(watched.waitForStarted() && other.waitForStarted());

    const auto pid = static_cast<pid_t>(watched.processId());
    ProcessExitWatcher watcher;
    QSignalSpy exits(&watcher, &ProcessExitWatcher::exited);
    watcher.watch(pid);
    EXPECT_TRUE(ProcessExitWatcher::isRunning(pid));
    other.kill();
    EXPECT_FALSE(exits.wait(300)) << "another process ending is not ours";

    QElapsedTimer clock;
    clock.start();
    watched.kill();
    ASSERT_TRUE(exits.wait(1000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(exits.at(0).at(0).toLongLong(), pid);
    watched.waitForFinished();
    other.waitForFinished();

    // A process that is gone before anyone looks is reported all the same.
    watcher.watch(pid);
    EXPECT_TRUE(exits.wait(1000));
    EXPECT_FALSE(ProcessExitWatcher::isRunning(pid));
}
