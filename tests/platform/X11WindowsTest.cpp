#include "XvfbDisplay.h"
#include "platform/x11_windows.h"

#include <QProcess>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// The helper program's windows, with what the platform lists of them.
struct HelperWindows : testing_support::WindowProgram
{
    using WindowProgram::WindowProgram;

    std::vector<platform::TopLevelWindow> windows() const
    {
        std::vector<platform::TopLevelWindow> own;
        for (const auto& window : platform::topLevelWindows()) {
            if (window.pid == pid())
                own.push_back(window);
        }
        return own;
    }
};

} // namespace

TEST(X11Windows, WithoutADisplayNothingIsFound)
{
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    ::unsetenv("DISPLAY");
    EXPECT_TRUE(platform::topLevelWindows().empty());
    int error = 0;
    EXPECT_FALSE(platform::activateWindow(42, error));
    EXPECT_EQ(error, -1);
    if (display)
        ::setenv("DISPLAY", saved.c_str(), 1);
}

TEST(X11Windows, ListsAProcesssWindowsInStackingOrderAndActivatesThem)
{
    testing_support::XvfbDisplay xvfb;
    if (!xvfb.available())
        GTEST_SKIP() << xvfb.whyNot();

    HelperWindows helper({"hidden", "visible", "owned", "visible"});
    ASSERT_EQ(helper.ids.size(), 4u);
    auto windows = helper.windows();
    ASSERT_EQ(windows.size(), 4u);
    for (std::size_t i = 0; i < windows.size(); ++i)
        EXPECT_EQ(windows[i].id, helper.ids[i]) << "bottom first, as created";
    EXPECT_FALSE(windows[0].visible);
    EXPECT_TRUE(windows[1].visible);
    EXPECT_EQ(windows[2].owner, helper.ids[0]);
    EXPECT_EQ(windows[1].owner, 0u);

    int error = 0;
    EXPECT_TRUE(platform::activateWindow(helper.ids[1], error)) << "X error " << error;
    windows = helper.windows();
    EXPECT_EQ(windows.back().id, helper.ids[1]) << "raised to the top";

    EXPECT_FALSE(platform::activateWindow(helper.ids[0], error)) << "a hidden window cannot take the focus";
    EXPECT_NE(error, 0);
    EXPECT_FALSE(platform::activateWindow(0x7ffffff, error)) << "no such window";
    EXPECT_NE(error, 0);
}
