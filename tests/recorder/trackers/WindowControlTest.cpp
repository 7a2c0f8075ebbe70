#include "recorder/trackers/WindowControl.h"
#include "XvfbDisplay.h"
#include "platform/x11_windows.h"

#include <gtest/gtest.h>

using testing_support::WindowProgram;

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
