#include "recorder/trackers/ProcessControl.h"
#include "TestEnvironment.h"

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
