#include "recorder/trackers/ProcessControl.h"
#include "TestEnvironment.h"
#include "platform/processes.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(ProcessControl, FindsAndEndsAProcessByItsExactName)
{
    testing_support::TempDir dir;
    const auto program = dir / "Gazeview";
    std::filesystem::copy_file("/bin/sleep", program);

    QProcess process;
    process.start(QString::fromStdString(program.string()), {"30"});
    ASSERT_TRUE(process.waitForStarted());
    const auto pid = static_cast<pid_t>(process.processId());

    EXPECT_TRUE(processHasName(pid, "Gazeview"));
    EXPECT_FALSE(processHasName(pid, "gazeview")) << "letter case matters";
    EXPECT_EQ(findProcessId("GAZEVIEW"), 0);
    EXPECT_NE(findProcessId("Gazeview"), 0);

    killProcess(pid);
    EXPECT_TRUE(process.waitForFinished(3000));
}

TEST(ProcessControl, AnUnreadableProcessListFindsNothing)
{
    const std::string self = platform::processName(::getpid());
    EXPECT_EQ(findProcessIdIn(std::nullopt, self), 0) << "never a made-up id that would then be ended";
    EXPECT_EQ(findProcessIdIn(std::vector<pid_t>{0, ::getpid()}, self), ::getpid());
    EXPECT_EQ(findProcessIdIn(std::vector<pid_t>{0}, self), 0);
}

TEST(ProcessControl, RefusesToEndInitOrItself)
{
    killProcess(1);
    killProcess(0);
    killProcess(::getpid());
    SUCCEED() << "still running";
}

TEST(ProcessControl, PlatformProgramNamesDropTheWindowsSuffix)
{
    EXPECT_EQ(platformProgramName("Gazeview.exe"), "Gazeview");
    EXPECT_EQ(platformProgramName("EyeTribe"), "EyeTribe");
}
