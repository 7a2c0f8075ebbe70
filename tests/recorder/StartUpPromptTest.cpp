#include "recorder/StartUpPrompt.h"
#include "mocks/FakePrompt.h"

#include <gtest/gtest.h>

TEST(StartUpPrompt, StartUpWarningsAreGatheredOnceAndLaterOnesShownAtOnce)
{
    //! [GIVEN] a window starting up that finds both trackers' program missing
    FakePrompt boxes;
    StartUpPrompt prompt(boxes);
    prompt.warning("Error", "SDK not found.");
    prompt.warning("Error", "SDK not found.");
    prompt.warning("Error", "Player not found.");
    //! [THEN] nothing was shown yet, but questions are not held back
    EXPECT_TRUE(boxes.warnings.isEmpty());
    boxes.answer = false;
    EXPECT_FALSE(prompt.question("Examination in progress", "End it?"));
    EXPECT_EQ(boxes.questions.size(), 1);

    //! [WHEN] the window is up
    //! [THEN] each warning comes once, in one text, and later warnings go straight to the boxes
    EXPECT_EQ(prompt.finishStartUp(), "SDK not found.\n\nPlayer not found.");
    prompt.warning("Error", "Server lost.");
    EXPECT_EQ(boxes.warnings, QStringList{"Error|Server lost."});
    EXPECT_EQ(prompt.finishStartUp(), "");
}
