#include "common/ScreenGeometry.h"
#include "player/data/TimeLine.h"
#include "player/data/TimeLineGaze.h"

#include "ResultsText.h"

#include <gtest/gtest.h>

// Recordings carry the screen they were made on in a comment line; the player
// reads them as before.
TEST(TimeLine, ReadsRecordingsThatCarryTheScreenLine)
{
    const std::string data = "0;500000;400000;1;30000;0\n16;-1;-1;-1;-1;0\n33;510000;410000;0;31000;1\n";
    const std::string plain =
        results_text::header + "\n#Movie path: /films/a.avi\n#Examination id: P\n" + data;
    const std::string withScreen = results_text::header + "\n#Movie path: /films/a.avi\n" +
                                   formatScreenLine({1920, 1080, 531, 299, 700}) + "\n#Examination id: P\n" +
                                   data;

    TimeLine before;
    TimeLine after;
    ASSERT_EQ(before.loadText(plain), TimeLine::Loaded);
    ASSERT_EQ(after.loadText(withScreen), TimeLine::Loaded);
    EXPECT_EQ(after.items(), before.items());
    EXPECT_EQ(after.movieName(), "a.avi");
    EXPECT_EQ(after.size(), 3u);
}

TEST(TimeLineGaze, GivesTheColumnsAsReadWithUsableWhereBlinkIsAboveZero)
{
    TimeLine timeLine;
    ASSERT_EQ(
        timeLine.loadText(results_text::file({"0;500000;400000;1;30000;0", "16;-1;-1;-1;-1;0",
                                              "33;510000;410000;0;31000;1", "50;520000;420000;2;31000;0"})),
        TimeLine::Loaded);
    timeLine.smoothAndCountRuns(8, 20000);

    const TimeLineGaze gaze(timeLine);
    const measures::GazeColumns columns = gaze.columns();
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].timeMs, 0);
    EXPECT_EQ(columns[2].x, 510000);
    EXPECT_EQ(columns[3].y, 420000);
    const bool usable[] = {true, false, false, true};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(columns[i].usable, usable[i]) << i;
}
