#include "recorder/trackers/WindowControl.h"
#include "XvfbDisplay.h"
#include "platform/x11_windows.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

// A program showing the windows asked for, bottom to top.
struct WindowProgram
{
    QProcess process;
    std::vector<helper::WindowHandle> ids;

    explicit WindowProgram(const QStringList& kinds)
    {
        process.start(QStringLiteral(X11_WINDOW_HELPER), kinds);
        if (!process.waitForStarted() || !process.waitForReadyRead(5000))
            return;
        for (const QString& id :
             QString::fromUtf8(process.readLine()).trimmed().split(' ', Qt::SkipEmptyParts))
            ids.push_back(id.toULong());
    }
    ~WindowProgram()
    {
        process.closeWriteChannel();
        process.waitForFinished(3000);
    }
    pid_t pid() const { return static_cast<pid_t>(process.processId()); }
};

} // namespace

TEST(WindowControl, FindsTheMainWindowAndCountsEveryWindowOfAProcess)
{
    testing_support::XvfbDisplay xvfb;
    if (!xvfb.available())
        GTEST_SKIP() << xvfb.whyNot();

    WindowProgram hiddenFirst({"hidden", "owned", "visible"});
    ASSERT_EQ(hiddenFirst.ids.size(), 3u);
    EXPECT_EQ(helper::findMainWindow(hiddenFirst.pid()), hiddenFirst.ids[2])
        << "hidden and owned windows before it are passed over";
    EXPECT_EQ(helper::findAppWindowsCount(hiddenFirst.pid()), 3) << "owned and hidden windows count";
    EXPECT_EQ(helper::findVisibleAppWindowsCount(hiddenFirst.pid()), 2);

    WindowProgram dialogAfter({"visible", "owned"});
    ASSERT_EQ(dialogAfter.ids.size(), 2u);
    EXPECT_EQ(helper::findMainWindow(dialogAfter.pid()), dialogAfter.ids[1])
        << "once the main window is found, later windows of the process are taken";

    WindowProgram onlyHidden({"hidden"});
    EXPECT_EQ(helper::findMainWindow(onlyHidden.pid()), 0u);
    EXPECT_EQ(helper::findAppWindowsCount(::getpid()), 0);

    helper::bringWindowToFront(hiddenFirst.ids[2]);
    EXPECT_EQ(platform::topLevelWindows().back().id, hiddenFirst.ids[2]);
}
